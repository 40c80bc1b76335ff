// The bar: a borderless, topmost strip with "买", the code label and "卖".
#include "platform/events.h"
#include "platform/win32/win32.h"

namespace {

constexpr char kBarClass[] = "LingboBar";
constexpr char kCodeLabelClass[] = "LingboCodeLabel";
constexpr int kBarWidth = 120;
constexpr int kBarHeight = 24;
// Clear of IDOK and IDCANCEL (1, 2): Enter or Escape must never buy or sell.
constexpr int kBuyId = 1001;
constexpr int kSellId = 1002;
constexpr int kCodeLabelId = 1003;
constexpr COLORREF kCodeColour = RGB(0, 255, 255);

HWND bar = nullptr;
// WM_MOVE is reported only once the bar is complete: the moves made while it
// is being created would overwrite the saved position before it is read.
bool reportMoves = false;
UINT taskbarCreated = 0;
// The label's font, for the dpi of the bar's monitor.
HFONT labelFont = nullptr;

// A left press anywhere but on the buttons drags the whole bar: Windows runs
// its move loop as if the press had hit a title bar.
void StartDrag(HWND window, LPARAM position) {
  POINT point{static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
  ::ClientToScreen(window, &point);
  ::PostMessageA(bar, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(point.x, point.y));
}

void PaintCodeLabel(HWND label, HDC dc) {
  RECT client;
  ::GetClientRect(label, &client);
  ::FillRect(dc, &client, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  wchar_t text[256];
  const int length = ::GetWindowTextW(label, text, 256);
  HGDIOBJ oldFont =
      ::SelectObject(dc, labelFont ? static_cast<HGDIOBJ>(labelFont) : ::GetStockObject(DEFAULT_GUI_FONT));
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, kCodeColour);
  ::DrawTextW(dc, text, length, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP);
  ::SelectObject(dc, oldFont);
}

LRESULT CALLBACK CodeLabelProc(HWND label, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      PaintCodeLabel(label, ::BeginPaint(label, &paint));
      ::EndPaint(label, &paint);
      return 0;
    }
    case WM_PRINTCLIENT:
      PaintCodeLabel(label, reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT fills every pixel
    case WM_SETFONT:
      labelFont = reinterpret_cast<HFONT>(wParam);
      if (LOWORD(lParam)) ::InvalidateRect(label, nullptr, FALSE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(labelFont);
    case WM_SETTEXT: {
      const LRESULT result = ::DefWindowProcW(label, message, wParam, lParam);
      ::InvalidateRect(label, nullptr, FALSE);
      return result;
    }
    case WM_LBUTTONDOWN:
      StartDrag(label, lParam);
      return 0;
    case WM_LBUTTONDBLCLK:
      events::OnCodeLabelDoubleClicked();
      return 0;
    case WM_RBUTTONDOWN:
      events::OnCodeLabelRightButtonDown();
      return 0;
  }
  return ::DefWindowProcW(label, message, wParam, lParam);
}

LRESULT CALLBACK BarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      // The skin draws the buttons itself, and an owner-drawn button reports
      // a second quick click as a double-click, not as a click: a trader's
      // second click is a second order all the same.
      if ((HIWORD(wParam) == BN_CLICKED || HIWORD(wParam) == BN_DOUBLECLICKED) && lParam != 0) {
        if (LOWORD(wParam) == kBuyId) events::OnBuyClicked();
        if (LOWORD(wParam) == kSellId) events::OnSellClicked();
      }
      return 0;  // so no IDCANCEL (Escape) ever closes the bar
    case WM_LBUTTONDOWN:
      StartDrag(window, lParam);
      return 0;
    case WM_MOVE:
      if (reportMoves) events::OnMainBarMoved();
      return 0;
    case WM_DPICHANGED: {
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      events::OnBarDpiChanged(LOWORD(wParam), suggested->left, suggested->top);
      return 0;
    }
    case WM_DISPLAYCHANGE:
      events::OnDisplayChanged();
      return 0;
    case WM_HOTKEY:
      events::OnHotKey(static_cast<int>(wParam));
      return 0;
    case WM_DESTROY:
      reportMoves = false;
      events::OnMainBarDestroyed();
      bar = nullptr;
      // The bar is the program: without it nothing could show it again or
      // end the program, so the message loop ends with it.
      ::PostQuitMessage(0);
      return 0;
  }
  if (message == win32::TrayCallbackMessage() && message != 0) {
    events::OnTrayMessage(static_cast<unsigned>(lParam));
    return 0;
  }
  if (message == taskbarCreated && message != 0) {
    events::OnTaskbarCreated();
    return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

namespace platform {

MainBarWindows CreateMainBar() {
  using win32::CreateControl;
  using win32::FromHwnd;
  if (!win32::RegisterOnce(kBarClass, BarProc, CS_DBLCLKS, ::GetSysColorBrush(COLOR_BTNFACE)) ||
      !win32::RegisterOnce(kCodeLabelClass, CodeLabelProc, CS_DBLCLKS, nullptr)) {
    return {};
  }
  taskbarCreated = ::RegisterWindowMessageA("TaskbarCreated");
  reportMoves = false;
  const POINT origin = win32::CentredOnScreen(kBarWidth, kBarHeight);
  bar = ::CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, L"LingboBar", win32::Wide("凌波助手").c_str(),
                          WS_POPUP | WS_CLIPCHILDREN, origin.x, origin.y, kBarWidth, kBarHeight, nullptr, nullptr,
                          win32::Instance(), nullptr);
  if (!bar) return {};
  // An elevated bar would otherwise never hear that the taskbar came back.
  ::ChangeWindowMessageFilterEx(bar, taskbarCreated, MSGFLT_ALLOW, nullptr);
  MainBarWindows windows;
  windows.bar = FromHwnd(bar);
  // At 100 %: the program lays the bar out for its monitor once it is placed.
  windows.buyButton = FromHwnd(CreateControl(bar, "BUTTON", "买", BS_PUSHBUTTON, 0, 0, 0, 30, 24, kBuyId, 96));
  windows.codeLabel =
      FromHwnd(CreateControl(bar, kCodeLabelClass, "", 0, WS_EX_CLIENTEDGE, 30, 0, 60, 24, kCodeLabelId, 96));
  windows.sellButton = FromHwnd(CreateControl(bar, "BUTTON", "卖", BS_PUSHBUTTON, 0, 90, 0, 30, 24, kSellId, 96));
  ::SetWindowPos(bar, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  reportMoves = true;
  return windows;
}

}  // namespace platform
