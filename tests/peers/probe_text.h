// What the probes and stand-ins share: texts between code pages, bytes to
// standard output as they are (the harness reads them as UTF-8), and the
// command line.
#pragma once

#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <cwchar>
#include <string>
#include <vector>

inline std::wstring Widen(const std::string& bytes, UINT codePage) {
  if (bytes.empty()) return {};
  const int size = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), &out[0], size);
  return out;
}

inline std::string Narrow(const std::wstring& text, UINT codePage) {
  if (text.empty()) return {};
  const int size =
      WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), &out[0], size, nullptr, nullptr);
  return out;
}

inline std::string Utf8(const std::wstring& text) { return Narrow(text, CP_UTF8); }

inline void Write(const std::string& bytes) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

// Hex digits ("8140FF") as the bytes they spell, from a narrow or wide text.
template <class Text>
std::string FromHex(const Text& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    const wchar_t pair[] = {static_cast<wchar_t>(hex[i]), static_cast<wchar_t>(hex[i + 1]), L'\0'};
    bytes += static_cast<char>(std::wcstoul(pair, nullptr, 16));
  }
  return bytes;
}

// The program's arguments, its own name left out.
inline std::vector<std::wstring> Arguments() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::vector<std::wstring> args;
  for (int i = 1; argv && i < argc; ++i) args.push_back(argv[i]);
  LocalFree(argv);
  return args;
}
