// The one way both readers read a charting program's tables: a file of its
// installation, opened for reading, front to back through a buffer of the
// reader's size, so memory does not grow with the file.  Nothing is written.
#pragma once

#include <cstddef>
#include <string>

#include "platform/platform.h"

class TableFile {
 public:
  explicit TableFile(const std::string& path);
  ~TableFile();
  TableFile(const TableFile&) = delete;
  TableFile& operator=(const TableFile&) = delete;
  bool IsOpen() const { return handle_ != platform::kInvalidHandle; }
  // Fills buffer with the next size bytes of the file; fewer only where the
  // file ends (0 at its end, or when it cannot be read further).
  std::size_t Read(char* buffer, std::size_t size);

 private:
  platform::Handle handle_;
};

// The folder of a file's path, without the last backslash; "" when there is
// none.  (In GBK, 0x5C is also the trail byte of many characters.)
std::string FolderOf(const std::string& path);
