// trader_standin: stands in for the charting program 交易师 in the end-to-end
// scenarios: a main window whose title carries the security code, changed
// while it runs.
//
//   trader_standin [--owned-marker] [--control FILE] [--hang-after MS [--hang-for MS]]
//                  [--crowd N] TITLE
//
// TITLE           the main window's title at start
// --owned-marker  an owned window titled "交易师" carries the marker, so the
//                 code is read from its root owner, the main window
// --control FILE  polled every 100 ms: when its first line (UTF-8) changes,
//                 it becomes the main window's title
// --hang-after    MS after start the window thread stops answering messages
// --hang-for      ...for this long (default 600000), then answers again
// --crowd N       also shows N small visible top-level windows ("窗口 1" ...),
//                 above the main window in Z order
#include <windows.h>

#include <string>
#include <vector>

#include "control_file.h"

namespace {

constexpr wchar_t kMainClass[] = L"TraderStandinMain";
constexpr wchar_t kPanelClass[] = L"TraderStandinPanel";

HWND mainWindow = nullptr;
Steering steering;

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      steering.OnTimer(window, wParam,
                       [](const std::string& line) { SetWindowTextW(mainWindow, Widen(line, CP_UTF8).c_str()); });
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  std::wstring title;
  bool ownedMarker = false;
  int crowd = 0;
  const std::vector<std::wstring> args = Arguments();
  for (size_t i = 0; i < args.size(); ++i) {
    const std::wstring& arg = args[i];
    if (steering.TakeOption(args, &i)) continue;
    if (arg == L"--owned-marker") {
      ownedMarker = true;
    } else if (arg == L"--crowd" && i + 1 < args.size()) {
      crowd = _wtoi(args[++i].c_str());
    } else {
      title = arg;
    }
  }

  if (!RegisterPlainClass(kMainClass, MainProc, COLOR_WINDOW) ||
      !RegisterPlainClass(kPanelClass, DefWindowProcW, COLOR_WINDOW))
    return 1;

  mainWindow = CreateWindowExW(0, kMainClass, title.c_str(), WS_OVERLAPPEDWINDOW, 60, 60, 600, 400, nullptr, nullptr,
                               instance, nullptr);
  if (!mainWindow) return 1;
  ShowWindow(mainWindow, SW_SHOWNORMAL);
  if (ownedMarker) {
    HWND panel = CreateWindowExW(WS_EX_TOOLWINDOW, kPanelClass, L"交易师", WS_POPUP | WS_CAPTION, 100, 100, 200, 120,
                                 mainWindow, nullptr, instance, nullptr);
    ShowWindow(panel, SW_SHOWNOACTIVATE);
  }
  steering.Start(mainWindow);
  for (int i = 1; i <= crowd; ++i) {
    const std::wstring name = L"窗口 " + std::to_wstring(i);
    CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kPanelClass, name.c_str(), WS_POPUP | WS_VISIBLE,
                    700 + i % 200, 600 + i % 100, 8, 8, nullptr, nullptr, instance, nullptr);
  }
  return RunMessageLoop();
}
