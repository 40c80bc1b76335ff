// floor_window: the least a Windows program can be that shows one window: the
// floor that lingbo.exe's start-up time and private memory are measured
// against.  A borderless, always-on-top 120x24 window like the bar, at a
// chosen place, with the system's default painting and nothing else.
//
//   floor_window [--at X Y] [--title TEXT] [--text TEXT]
//
// --at     the window's top-left corner (default 100 100)
// --title  its title (default "floor_window")
// --text   also paints TEXT in the window with the default GUI font: what
//          showing a few Chinese characters costs by itself (fonts, glyphs)
// --also   PART adds one more thing the bar has, to see what each costs in
//          memory: "tray" (an icon in the notification area), "controls"
//          (the common controls library initialised), "hook" (a CBT hook on
//          the thread, as the bar's skin installs)
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "control_file.h"

namespace {

std::wstring text;

LRESULT CALLBACK PassOn(int code, WPARAM wParam, LPARAM lParam) {
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK FloorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT && !text.empty()) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT rect;
    GetClientRect(window, &rect);
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    DrawTextW(dc, text.c_str(), -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, old);
    EndPaint(window, &paint);
    return 0;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  int x = 100, y = 100;
  std::wstring title = L"floor_window";
  std::vector<std::wstring> also;
  const std::vector<std::wstring> args = Arguments();
  for (size_t i = 0; i < args.size(); ++i) {
    const std::wstring& arg = args[i];
    if (arg == L"--at" && i + 2 < args.size()) {
      x = _wtoi(args[++i].c_str());
      y = _wtoi(args[++i].c_str());
    } else if (arg == L"--title" && i + 1 < args.size()) {
      title = args[++i];
    } else if (arg == L"--text" && i + 1 < args.size()) {
      text = args[++i];
    } else if (arg == L"--also" && i + 1 < args.size()) {
      also.push_back(args[++i]);
    }
  }

  RegisterPlainClass(L"FloorWindow", FloorProc, COLOR_BTNFACE);
  HWND window = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"FloorWindow", title.c_str(), WS_POPUP, x, y, 120,
                                24, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  for (const std::wstring& part : also) {
    if (part == L"tray") {
      NOTIFYICONDATAW icon = {};
      icon.cbSize = sizeof icon;
      icon.hWnd = window;
      icon.uID = 1;
      icon.uFlags = NIF_ICON | NIF_TIP;
      icon.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
      lstrcpynW(icon.szTip, title.c_str(), 64);
      Shell_NotifyIconW(NIM_ADD, &icon);
    } else if (part == L"controls") {
      INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
      InitCommonControlsEx(&controls);
    } else if (part == L"hook") {
      SetWindowsHookExW(WH_CBT, PassOn, nullptr, GetCurrentThreadId());
    }
  }
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  return RunMessageLoop();
}
