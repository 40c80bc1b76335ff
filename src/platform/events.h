// What the program does when its own windows report something.  The platform
// (win32/ or sim/) calls these from its message handling; app/ defines them.
#pragma once

namespace events {

// The program itself, up to the end of its message loop; its exit code.
int RunProgram();

// The main bar.
void OnMainBarMoved();                      // WM_MOVE, never during creation
void OnMainBarDestroyed();                  // WM_DESTROY
void OnTimer(unsigned id);                  // WM_TIMER of the bar
void OnTrayMessage(unsigned mouseMessage);  // the tray callback's lParam
void OnTaskbarCreated();                    // the shell announced a new taskbar
// WM_DPICHANGED: the bar is on a monitor of another dpi; left and top are
// where Windows suggests it goes.
void OnBarDpiChanged(unsigned dpi, int left, int top);
void OnDisplayChanged();  // WM_DISPLAYCHANGE: monitors came, went or changed
void OnBuyClicked();
void OnSellClicked();
void OnCodeLabelDoubleClicked();    // left double-click
void OnCodeLabelRightButtonDown();  // right button pressed
void OnHotKey(int id);              // WM_HOTKEY: a hot key registered on the bar

// The key settings window.
void OnBuyKeyChanged();  // EN_CHANGE of each box
void OnSellKeyChanged();
void OnFunctionKeyChanged();
void OnSettingsFileClicked();  // the "配置文件" button
void OnKeySettingsClosed();    // the window is being destroyed

// The status window.
void OnStatusCopyClicked();  // the "复制" button
void OnStatusClosed();       // the window is being destroyed

}  // namespace events
