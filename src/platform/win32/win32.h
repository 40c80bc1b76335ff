// Private glue shared by the files of the real platform layer.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

// Older SDK headers lack it.
#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace win32 {

// User handles keep 32 significant bits, sign-extended on 64-bit Windows, so
// the round trip through the seam's int32 is exact.
inline HWND ToHwnd(platform::Hwnd window) { return reinterpret_cast<HWND>(static_cast<std::intptr_t>(window)); }
inline platform::Hwnd FromHwnd(HWND window) {
  return static_cast<platform::Hwnd>(reinterpret_cast<std::intptr_t>(window));
}
inline HANDLE ToHandle(platform::Handle handle) { return reinterpret_cast<HANDLE>(handle); }
inline platform::Handle FromHandle(HANDLE handle) { return reinterpret_cast<platform::Handle>(handle); }

// Copies a fixed-size, possibly unterminated char array of an API record.
template <std::size_t N>
std::string FromCharArray(const char (&text)[N]) {
  std::size_t length = 0;
  while (length < N && text[length] != '\0') ++length;
  return std::string(text, length);
}

// A NUL-terminated UTF-16 text.  Not std::wstring: the static library's wide
// string brings 20 KB of code along for the few calls made here.
class WideText {
 public:
  explicit WideText(std::size_t length = 0) : units_(length + 1, L'\0') {}
  const wchar_t* c_str() const { return units_.data(); }
  wchar_t* data() { return units_.data(); }
  std::size_t size() const { return units_.size() - 1; }
  void resize(std::size_t length) {
    units_.resize(length + 1);
    units_[length] = L'\0';
  }
  bool operator==(const WideText& other) const { return units_ == other.units_; }

 private:
  std::vector<wchar_t> units_;
};

// Our own windows are Unicode windows, so that their texts read right under
// any system code page; the program's texts are GBK, converted here.
WideText Wide(const std::string& gbk);
std::string FromWide(const wchar_t* text, int length);
// Whether the window belongs to this process (its texts are Unicode).
bool IsOwnWindow(HWND window);

// The dpi of the monitor the window is on; the system's dpi for none, or
// where Windows has no dpi per monitor.
UINT DpiOf(HWND window);
// A length at 96 dpi, at dpi.
inline int Scaled(int length, UINT dpi) { return ::MulDiv(length, static_cast<int>(dpi), 96); }
// The stock GUI font at the size it has at dpi; made once per dpi, kept for
// the whole run.
HFONT GuiFont(UINT dpi);

// The resource id of the program's icon (class icons, tray, the exe itself).
inline constexpr int kIconId = 1;

HINSTANCE Instance();
// The program's icon at the given square size; loaded once per size, kept
// for the whole run.
HICON ProgramIcon(int size);
// Registers a window class of this module once; false when that fails.
bool RegisterOnce(const char* className, WNDPROC procedure, UINT classStyle, HBRUSH background);
// Creates a child control at a place and size given at 96 dpi, scaled to
// dpi, with the GUI font for dpi.
HWND CreateControl(HWND parent, const char* className, const char* text, DWORD style, DWORD exStyle, int x, int y,
                   int width, int height, int id, UINT dpi);
// Top-left corner that centres a window of this outer size on the primary screen.
POINT CentredOnScreen(int width, int height);

// Our windows whose keys the message loop routes as a dialog box's (Tab
// moves on, Escape closes), while they are open; dpi is what they were laid
// out for.
void AddDialogWindow(HWND window, UINT dpi);
void RemoveDialogWindow(HWND window);
HWND DialogWindowOf(HWND window);
// WM_DPICHANGED of such a window: its controls and font take the new dpi, the
// window the place and size Windows suggests.
void FollowDialogDpi(HWND window, WPARAM wParam, LPARAM lParam);

// The callback message of the tray icon last installed; 0 before that.
UINT TrayCallbackMessage();
// How many bytes of a tray tip are kept.
std::size_t TrayTipLength(const std::string& tip);

// The frame colour of the flat skin, or CLR_INVALID when it is off.
COLORREF SkinFrameColour(int scheme);

}  // namespace win32
