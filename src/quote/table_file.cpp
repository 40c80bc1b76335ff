#include "quote/table_file.h"

#include <algorithm>
#include <cstdint>

#include "text/text.h"

TableFile::TableFile(const std::string& path) : handle_(platform::OpenExistingFileShared(path)) {}

TableFile::~TableFile() {
  if (IsOpen()) platform::CloseHandle(handle_);
}

std::size_t TableFile::Read(char* buffer, std::size_t size) {
  std::size_t filled = 0;
  // A read may come back short before the end (a file being written);
  // only a read that brings nothing ends the file.
  while (IsOpen() && filled < size) {
    std::uint32_t got = 0;
    const auto request = static_cast<std::uint32_t>(std::min<std::size_t>(size - filled, UINT32_MAX));
    if (!platform::ReadFile(handle_, buffer + filled, request, &got) || got == 0) break;
    filled += std::min<std::size_t>(got, request);
  }
  return filled;
}

std::string FolderOf(const std::string& path) {
  const int slash = FindText(path, "\\", TextSearch{false, true, 1});
  return slash > 0 ? LeftText(path, slash - 1) : std::string();
}
