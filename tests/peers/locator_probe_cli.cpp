// locator_probe_cli: runs the program's own trading-client search on the real
// desktop, so a scenario can see from outside what the program would find.
// Output is UTF-8, one record a line, fields separated by tabs.
//
//   find              one FindTradingClient:  HWND  MILLISECONDS  TITLE
//                     (HWND 0 and an empty title when nothing qualifies);
//                     exit 0 when found, 2 when not
//   describe PATH     ReadFileDescription of a file
//
// Exit code 1: usage.  The probe has no windows and no version resource of
// its own, so it never finds itself.
#include <windows.h>

#include <string>

#include "discovery/trading_client.h"
#include "discovery/windows.h"

namespace {

std::wstring Widen(const std::string& bytes, UINT codePage) {
  if (bytes.empty()) return {};
  const int size = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), &out[0], size);
  return out;
}

std::string Narrow(const std::wstring& text, UINT codePage) {
  if (text.empty()) return {};
  const int size =
      WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), &out[0], size, nullptr, nullptr);
  return out;
}

// The program's texts are in the ANSI code page; the harness reads UTF-8.
std::string Utf8(const std::string& ansi) { return Narrow(Widen(ansi, CP_ACP), CP_UTF8); }

void Write(const std::string& bytes) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

int Find() {
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  const platform::Hwnd found = FindTradingClient();
  QueryPerformanceCounter(&end);
  const std::string title = found > 0 ? ReadWindowText(found) : "";
  Write(std::to_string(found) + "\t" + std::to_string(static_cast<long long>(Milliseconds(start, end))) + "\t" +
        Utf8(title) + "\n");
  return found > 0 ? 0 : 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"find" && argc == 2) return Find();
  if (command == L"describe" && argc == 3) {
    Write(Utf8(ReadFileDescription(Narrow(argv[2], CP_ACP))) + "\n");
    return 0;
  }
  Write("usage: locator_probe_cli find | describe PATH\n");
  return 1;
}
