// A running 大智慧 on the simulated desktop, as the quote poller sees it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/calls.h"

struct DzhScene {
  std::uint32_t process = 0;
  platform::Hwnd frame = 0, mdiClient = 0;
  std::vector<platform::Hwnd> documents;  // in the order given, the first in front
};

// 大智慧's process from exe, its frame with `mdiPosition - 1` plain children
// before the "MDIClient", and one document window per title.  No code tables.
DzhScene AddDzhWindows(const std::string& exe, const std::string& frameTitle, int mdiPosition,
                       const std::vector<std::string>& documents);

// A running 通达信 (class "TdxW_MainFrame_Class") showing a chart of name,
// with shm.tnf and szm.tnf of the real securities in its installation.
struct TdxScene {
  std::uint32_t process = 0;
  platform::Hwnd frame = 0;
};
TdxScene StartTdx(const std::string& exe, const std::string& name = "平安银行");
std::string TdxChartTitle(const std::string& name);

// A running 大智慧 with its code tables beside the executable: the real
// securities of each exchange.  A 32-bit program, as the real one is: its
// modules are not this program's to list.
DzhScene StartDzh(const std::string& exe, const std::string& frameTitle = "大智慧 - 行情", int mdiPosition = 3,
                  const std::vector<std::string>& documents = {"浦发银行", "平安银行"});

// The calls since the log was cleared that touch a file: a steady tick makes
// none.
inline int FileCalls() {
  int count = 0;
  for (const char* name : {"GetFileAttributesExA", "GetPrivateProfileStringA", "WritePrivateProfileStringA",
                           "OpenExistingFileShared", "FindFirstFileA", "ReadFile"})
    count += CountCalls(name);
  return count;
}
