// A stand-in is steered from the test by a control file: the scenario writes
// one UTF-8 line, the stand-in reads it on a timer and acts when it changes.
// Also the window class and message loop the stand-ins share.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "probe_text.h"

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

// What both charting stand-ins take from the scenario: the control file,
// polled every 100 ms, and a hang of the window thread.
struct Steering {
  enum : UINT_PTR { kPollTimer = 1, kHangTimer = 2 };

  std::wstring controlPath;
  long hangAfter = -1;  // milliseconds after start; below 0, never
  DWORD hangFor = 600000;
  std::string lastControl = "\x01";  // nothing read yet

  // Takes "--control FILE", "--hang-after MS" or "--hang-for MS" at args[*i],
  // moving *i past its value; false for any other argument.
  bool TakeOption(const std::vector<std::wstring>& args, size_t* i) {
    const std::wstring& arg = args[*i];
    if (*i + 1 >= args.size()) return false;
    if (arg == L"--control") {
      controlPath = args[++*i];
    } else if (arg == L"--hang-after") {
      hangAfter = _wtol(args[++*i].c_str());
    } else if (arg == L"--hang-for") {
      hangFor = static_cast<DWORD>(_wtol(args[++*i].c_str()));
    } else {
      return false;
    }
    return true;
  }

  void Start(HWND window) const {
    if (!controlPath.empty()) SetTimer(window, kPollTimer, 100, nullptr);
    if (hangAfter >= 0) SetTimer(window, kHangTimer, static_cast<UINT>(hangAfter), nullptr);
  }

  // WM_TIMER: hands a control line that differs from the last to onChange,
  // or stops answering for hangFor.
  template <class OnChange>
  void OnTimer(HWND window, WPARAM timer, OnChange onChange) {
    if (timer == kPollTimer) {
      std::string line;
      if (!ReadControlLine(controlPath, &line) || line == lastControl) return;
      lastControl = line;
      onChange(line);
    } else if (timer == kHangTimer) {
      KillTimer(window, kHangTimer);
      Sleep(hangFor);
    }
  }
};

// A window class with the arrow cursor, a system colour (COLOR_*) behind it
// and, when given, one of the system's icons (IDI_*).
inline bool RegisterPlainClass(const wchar_t* name, WNDPROC procedure, int colour, const wchar_t* icon = nullptr) {
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.hIcon = icon ? LoadIconW(nullptr, icon) : nullptr;
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(colour + 1));
  windowClass.lpszClassName = name;
  return RegisterClassW(&windowClass) != 0;
}

// The thread's messages until WM_QUIT; one that taken(msg) says it took goes
// no further.
template <class Taken>
int RunMessageLoop(Taken taken) {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (taken(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}

inline int RunMessageLoop() {
  return RunMessageLoop([](MSG&) { return false; });
}
