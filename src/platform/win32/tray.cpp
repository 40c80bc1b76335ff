// The tray icon and its pop-up menu.

#include <cstring>

#include "platform/win32/win32.h"
// After <windows.h>, which it needs.
#include <shellapi.h>

namespace {

UINT trayCallback = 0;
// "大智慧" starts checked: the charting program read by default.
bool checkedDzh = true;
bool checkedTrader = false;
bool checkedTdx = false;

}  // namespace

namespace win32 {

// The tip keeps at most 62 bytes and its NUL (the old 64-byte field), cut at a
// character boundary so no half of a two-byte character is left dangling.
std::size_t TrayTipLength(const std::string& tip) {
  constexpr std::size_t kMax = 62;
  std::size_t length = 0;
  while (length < tip.size()) {
    const std::size_t step = static_cast<unsigned char>(tip[length]) >= 0x80 ? 2 : 1;
    if (length + step > kMax || length + step > tip.size()) break;
    length += step;
  }
  return length;
}

UINT TrayCallbackMessage() { return trayCallback; }
}  // namespace win32

namespace platform {

bool ShellNotifyIconA(unsigned operation, const TrayIcon& icon) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = win32::ToHwnd(icon.owner);
  data.uID = icon.id;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = icon.callbackMessage;
  data.hIcon = win32::ProgramIcon(::GetSystemMetrics(SM_CXSMICON));
  const win32::WideText tip = win32::Wide(icon.tip.substr(0, win32::TrayTipLength(icon.tip)));
  std::memcpy(data.szTip, tip.c_str(), (tip.size() + 1) * sizeof(wchar_t));
  if (operation != NIM_DELETE) trayCallback = icon.callbackMessage;
  return ::Shell_NotifyIconW(operation, &data) != FALSE;
}

void CheckTrayMenuItem(TrayMenuItem item, bool checked) {
  if (item == TrayMenuItem::kDzh) checkedDzh = checked;
  if (item == TrayMenuItem::kTrader) checkedTrader = checked;
  if (item == TrayMenuItem::kTdx) checkedTdx = checked;
}

bool IsTrayMenuItemChecked(TrayMenuItem item) {
  if (item == TrayMenuItem::kDzh) return checkedDzh;
  if (item == TrayMenuItem::kTrader) return checkedTrader;
  if (item == TrayMenuItem::kTdx) return checkedTdx;
  return false;
}

TrayMenuItem TrackTrayMenu(Hwnd owner, int x, int y) {
  HMENU menu = ::CreatePopupMenu();
  if (!menu) return TrayMenuItem::kNone;
  for (const TrayMenuEntry& entry : kTrayMenu) {
    const UINT checked = IsTrayMenuItemChecked(entry.item) ? MF_CHECKED : MF_UNCHECKED;
    ::AppendMenuW(menu, MF_STRING | checked, static_cast<UINT_PTR>(entry.item), win32::Wide(entry.text).c_str());
  }
  const int chosen =
      static_cast<int>(::TrackPopupMenu(menu, TPM_RIGHTALIGN | TPM_RETURNCMD, x, y, 0, win32::ToHwnd(owner), nullptr));
  ::DestroyMenu(menu);
  for (const TrayMenuEntry& entry : kTrayMenu)
    if (chosen == static_cast<int>(entry.item)) return entry.item;
  return TrayMenuItem::kNone;
}

}  // namespace platform
