// floor_stopwatch_cli: times a program's start-up from the Windows side, the
// same way for lingbo.exe and for its floor (floor_window.exe): from just
// before CreateProcess to the moment a visible top-level window of the new
// process with the given title stands with its top-left corner at X, Y.
// Prints the milliseconds and ends the program it started.
//
//   floor_stopwatch_cli TITLE X Y EXE [ARGS...]
//
// Exit code 0 with "<ms>" on standard output; 1 when the window was not seen
// within 30 s; 2 on a usage error or when EXE cannot be started.  TITLE is
// compared with the window text read as UTF-16.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

struct Target {
  DWORD pid;
  std::wstring title;
  int x, y;
  bool seen;
};

BOOL CALLBACK Look(HWND window, LPARAM lParam) {
  Target* target = reinterpret_cast<Target*>(lParam);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != target->pid || !IsWindowVisible(window)) return TRUE;
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  RECT rect;
  if (target->title != text || !GetWindowRect(window, &rect)) return TRUE;
  target->seen = rect.left == target->x && rect.top == target->y;
  return target->seen ? FALSE : TRUE;
}

// The command line for CreateProcess: each argument quoted.
std::wstring CommandLine(int argc, wchar_t** argv, int first) {
  std::wstring line;
  for (int i = first; i < argc; ++i) line += (i > first ? L" \"" : L"\"") + std::wstring(argv[i]) + L"\"";
  return line;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 5) {
    std::fputs("usage: floor_stopwatch_cli TITLE X Y EXE [ARGS...]\n", stderr);
    return 2;
  }
  Target target{0, argv[1], _wtoi(argv[2]), _wtoi(argv[3]), false};
  std::wstring line = CommandLine(argc, argv, 4);

  LARGE_INTEGER frequency, start, now;
  QueryPerformanceFrequency(&frequency);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  QueryPerformanceCounter(&start);
  if (!CreateProcessW(argv[4], line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) return 2;
  target.pid = process.dwProcessId;

  double elapsed = 0;
  for (;;) {
    EnumWindows(Look, reinterpret_cast<LPARAM>(&target));
    QueryPerformanceCounter(&now);
    elapsed = static_cast<double>(now.QuadPart - start.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
    if (target.seen || elapsed > 30000) break;
    Sleep(1);
  }
  TerminateProcess(process.hProcess, 0);
  WaitForSingleObject(process.hProcess, 5000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (!target.seen) return 1;
  std::printf("%.1f\n", elapsed);
  return 0;
}
