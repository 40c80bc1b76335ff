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
#include "probe_text.h"

namespace {

// The program's texts are in the ANSI code page.
std::string Utf8FromAnsi(const std::string& ansi) { return Utf8(Widen(ansi, CP_ACP)); }

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
        Utf8FromAnsi(title) + "\n");
  return found > 0 ? 0 : 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"find" && argc == 2) return Find();
  if (command == L"describe" && argc == 3) {
    Write(Utf8FromAnsi(ReadFileDescription(Narrow(argv[2], CP_ACP))) + "\n");
    return 0;
  }
  Write("usage: locator_probe_cli find | describe PATH\n");
  return 1;
}
