// The flat skin: push buttons drawn flat, framed in the scheme's colour, with
// hot and pressed shades.  A thread hook adopts every push button the GUI
// thread creates, so windows made after ApplyVisualStyle follow it too.

#include "platform/win32/win32.h"
// After <windows.h>, which it needs.
#include <commctrl.h>

namespace {

constexpr UINT_PTR kButtonSubclass = 0x4C42;  // 'LB'
constexpr UINT_PTR kParentSubclass = 0x4C43;
constexpr char kHotProperty[] = "LingboSkinHot";
// Marks an adopted button; holds its own type plus one, for when the skin goes off.
constexpr char kTypeProperty[] = "LingboSkinType";

int scheme = 0;
HHOOK creationHook = nullptr;

bool IsPushButton(HWND window) {
  char name[16];
  if (!::GetClassNameA(window, name, sizeof name) || ::lstrcmpiA(name, "Button") != 0) return false;
  const LONG type = ::GetWindowLongA(window, GWL_STYLE) & BS_TYPEMASK;
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_OWNERDRAW;
}

COLORREF Mix(COLORREF colour, COLORREF with, int percentOfWith) {
  auto channel = [&](int shift) {
    const int a = (colour >> shift) & 0xFF, b = (with >> shift) & 0xFF;
    return static_cast<COLORREF>((a * (100 - percentOfWith) + b * percentOfWith) / 100) << shift;
  };
  return channel(0) | channel(8) | channel(16);
}

void FillSolid(HDC dc, const RECT& rect, COLORREF colour) {
  ::SetBkColor(dc, colour);
  ::ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

void DrawFlatButton(const DRAWITEMSTRUCT& item) {
  const COLORREF frame = win32::SkinFrameColour(scheme);
  const bool pressed = item.itemState & ODS_SELECTED;
  const bool hot = ::GetPropA(item.hwndItem, kHotProperty) != nullptr;
  const bool disabled = item.itemState & ODS_DISABLED;
  const COLORREF white = RGB(255, 255, 255);
  const COLORREF fill = pressed ? Mix(frame, white, 30) : hot ? Mix(frame, white, 65) : Mix(frame, white, 85);
  HDC dc = item.hDC;
  RECT rect = item.rcItem;
  FillSolid(dc, rect, frame);
  ::InflateRect(&rect, -1, -1);
  FillSolid(dc, rect, fill);

  wchar_t text[128];
  const int length = ::GetWindowTextW(item.hwndItem, text, 128);
  HFONT font = reinterpret_cast<HFONT>(::SendMessageW(item.hwndItem, WM_GETFONT, 0, 0));
  HGDIOBJ oldFont = ::SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : ::GetStockObject(DEFAULT_GUI_FONT));
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, disabled ? ::GetSysColor(COLOR_GRAYTEXT) : RGB(0, 0, 0));
  RECT textRect = rect;
  if (pressed) ::OffsetRect(&textRect, 1, 1);
  ::DrawTextW(dc, text, length, &textRect, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_HIDEPREFIX);
  ::SelectObject(dc, oldFont);
  if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
    ::InflateRect(&rect, -1, -1);
    ::SetTextColor(dc, RGB(0, 0, 0));
    ::DrawFocusRect(dc, &rect);
  }
}

// The parent draws owner-drawn buttons; only those the skin adopted are ours.
LRESULT CALLBACK ParentSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  if (message == WM_DRAWITEM) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (item && item->CtlType == ODT_BUTTON && scheme != 0 && ::GetPropA(item->hwndItem, kTypeProperty)) {
      DrawFlatButton(*item);
      return TRUE;
    }
  }
  if (message == WM_NCDESTROY) ::RemoveWindowSubclass(window, ParentSubclassProc, kParentSubclass);
  return ::DefSubclassProc(window, message, wParam, lParam);
}

void Restyle(HWND button) {
  const auto ownType = reinterpret_cast<std::uintptr_t>(::GetPropA(button, kTypeProperty)) - 1;
  const DWORD type = scheme != 0 ? BS_OWNERDRAW : static_cast<DWORD>(ownType);
  ::SendMessageA(button, BM_SETSTYLE, type, TRUE);
  ::InvalidateRect(button, nullptr, TRUE);
}

LRESULT CALLBACK ButtonSubclassProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  switch (message) {
    case WM_CREATE: {
      const LRESULT result = ::DefSubclassProc(button, message, wParam, lParam);
      if (result != -1 && scheme != 0) Restyle(button);
      return result;
    }
    case WM_MOUSEMOVE:
      if (!::GetPropA(button, kHotProperty)) {
        ::SetPropA(button, kHotProperty, reinterpret_cast<HANDLE>(1));
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, button, 0};
        ::TrackMouseEvent(&track);
        ::InvalidateRect(button, nullptr, FALSE);
      }
      break;
    case WM_MOUSELEAVE:
      ::RemovePropA(button, kHotProperty);
      ::InvalidateRect(button, nullptr, FALSE);
      break;
    case WM_NCDESTROY:
      ::RemovePropA(button, kHotProperty);
      ::RemovePropA(button, kTypeProperty);
      ::RemoveWindowSubclass(button, ButtonSubclassProc, kButtonSubclass);
      break;
  }
  return ::DefSubclassProc(button, message, wParam, lParam);
}

void Adopt(HWND button, DWORD style, HWND parent) {
  if (::GetPropA(button, kTypeProperty)) return;
  const DWORD ownType = (style & BS_TYPEMASK) == BS_OWNERDRAW ? BS_PUSHBUTTON : (style & BS_TYPEMASK);
  ::SetPropA(button, kTypeProperty, reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(ownType) + 1));
  ::SetWindowSubclass(button, ButtonSubclassProc, kButtonSubclass, 0);
  if (parent) ::SetWindowSubclass(parent, ParentSubclassProc, kParentSubclass, 0);
}

LRESULT CALLBACK CreationHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND) {
    HWND window = reinterpret_cast<HWND>(wParam);
    const CREATESTRUCTA* create = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
    const LONG type = create->style & BS_TYPEMASK;
    char name[16];
    if ((create->style & WS_CHILD) && ::GetClassNameA(window, name, sizeof name) && ::lstrcmpiA(name, "Button") == 0 &&
        (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON)) {
      Adopt(window, create->style, create->hwndParent);
    }
  }
  return ::CallNextHookEx(creationHook, code, wParam, lParam);
}

BOOL CALLBACK RestyleChild(HWND child, LPARAM) {
  if (IsPushButton(child)) {
    Adopt(child, static_cast<DWORD>(::GetWindowLongA(child, GWL_STYLE)), ::GetParent(child));
    Restyle(child);
  }
  return TRUE;
}

BOOL CALLBACK RestyleTopLevel(HWND window, LPARAM) {
  ::EnumChildWindows(window, RestyleChild, 0);
  ::InvalidateRect(window, nullptr, TRUE);
  return TRUE;
}

}  // namespace

namespace win32 {

COLORREF SkinFrameColour(int colourScheme) {
  switch (colourScheme) {
    case 1:
      return RGB(123, 158, 189);
    case 2:
      return RGB(164, 185, 127);
    case 3:
      return RGB(198, 197, 215);
    default:
      return CLR_INVALID;
  }
}

}  // namespace win32

namespace platform {

void ApplyVisualStyle(int colourScheme) {
  scheme = win32::SkinFrameColour(colourScheme) == CLR_INVALID ? 0 : colourScheme;
  if (!creationHook) {
    creationHook = ::SetWindowsHookExA(WH_CBT, CreationHook, nullptr, ::GetCurrentThreadId());
  }
  ::EnumThreadWindows(::GetCurrentThreadId(), RestyleTopLevel, 0);
}

}  // namespace platform
