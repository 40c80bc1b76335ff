// A stand-in is steered from the test by a control file: the scenario writes
// one UTF-8 line, the stand-in reads it on a timer and acts when it changes.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>

inline std::wstring FromUtf8(const std::string& text) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

// The control file's first line, without a byte-order mark; false when the
// file cannot be read (not written yet, or being replaced).
inline bool ReadControlLine(const std::wstring& path, std::string* line) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  char buffer[1024];
  DWORD read = 0;
  const BOOL ok = ReadFile(file, buffer, sizeof buffer, &read, nullptr);
  CloseHandle(file);
  if (!ok) return false;
  line->assign(buffer, read);
  if (line->compare(0, 3, "\xEF\xBB\xBF") == 0) line->erase(0, 3);
  line->resize(std::min(line->size(), line->find_first_of("\r\n")));
  return true;
}
