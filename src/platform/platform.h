// The one seam between the program and Windows.
//
// Everything above this header is portable C++: it sees window handles and
// process ids as plain integers and calls these free functions.  win32/ binds
// them to the real API; sim/ binds them to a deterministic simulated desktop
// for the unit tests.  Which one is used is decided at link time.
//
// The functions keep the names and the argument order of the Windows calls
// they stand for, so that the logic reads like the calls it makes.  Strings
// are GBK byte strings (the ANSI "A" functions).  No function throws.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform {

// Window handles cross the seam as signed 32-bit integers; a handle counts as
// present only when it is greater than 0.  (64-bit Windows keeps user handles
// within 32 significant bits, sign-extended.)
using Hwnd = std::int32_t;
// Kernel handles: snapshots, files, directory listings.
using Handle = std::intptr_t;
inline constexpr Handle kInvalidHandle = -1;

// Message numbers and flags the program uses.  Only plain numbers cross the
// seam; the values are those of the Windows headers.
enum : unsigned {
  kWmNull = 0x0000,
  kWmGetText = 0x000D,
  kWmGetTextLength = 0x000E,
  kWmContextMenu = 0x007B,
  kWmKeyDown = 0x0100,
  kWmKeyUp = 0x0101,
  kWmChar = 0x0102,
  kWmLButtonUp = 0x0202,
  kWmLButtonDblClk = 0x0203,
  kWmRButtonUp = 0x0205,
  kWmApp = 0x8000,
  kEmSetSel = 0x00B1,
  kEmReplaceSel = 0x00C2,
  kWmImeControl = 0x0283,
};
// WM_IME_CONTROL's questions to a default input-method window, and the
// conversion-mode bits that matter to typed digits.
enum : unsigned { kImcGetConversionMode = 0x0001, kImcGetOpenStatus = 0x0005 };
enum : unsigned { kImeCmodeNative = 0x0001, kImeCmodeFullShape = 0x0008 };
enum : unsigned { kSmtoNormal = 0, kSmtoBlock = 1, kSmtoAbortIfHung = 2 };
inline constexpr int kGwlStyle = -16;
inline constexpr std::uint32_t kWsVisible = 0x10000000;
enum : unsigned { kGwHwndNext = 2, kGwChild = 5 };
enum : unsigned { kGaParent = 1, kGaRoot = 2, kGaRootOwner = 3 };
enum : int { kSwHide = 0, kSwShowNormal = 1, kSwShow = 5, kSwRestore = 9 };
enum : unsigned { kTh32csSnapProcess = 2, kTh32csSnapModule = 8, kTh32csSnapAll = 15 };
inline constexpr std::uint32_t kProcessQueryLimitedInformation = 0x1000;
enum : unsigned { kNimAdd = 0, kNimModify = 1, kNimDelete = 2 };
enum : unsigned { kMapvkVkToVsc = 0 };
// RegisterHotKey's modifiers.
enum : unsigned { kModAlt = 1, kModControl = 2, kModShift = 4, kModWin = 8 };

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
};
struct Point {
  int x = 0, y = 0;
};

// ---------------------------------------------------------------------------
// Windows of other programs
// ---------------------------------------------------------------------------

// EnumWindows: every top-level window, in Z order, topmost first.
std::vector<Hwnd> EnumWindows();
std::int32_t GetWindowLongA(Hwnd window, int index);
bool IsWindow(Hwnd window);
// SendMessageTimeoutA.  lParam may point at a buffer (WM_GETTEXT) or a
// NUL-terminated text (EM_REPLACESEL).  Returns false on failure or time-out;
// *result receives the message's result when it succeeds.
bool SendMessageTimeoutA(Hwnd window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam, unsigned flags,
                         unsigned timeoutMs, std::intptr_t* result);
// GetWindowTextA into a buffer of maxCount bytes (so at most maxCount - 1
// bytes of text).  Also used for the program's own windows.
std::string GetWindowTextA(Hwnd window, int maxCount);
// GetClassNameA into a buffer of maxCount bytes; "" when it fails.
std::string GetClassNameA(Hwnd window, int maxCount);
// FindWindowExA with no title filter: the child of parent that follows
// childAfter in Z order (the first child when childAfter is 0), of the class
// when one is given; parent 0 stands for the desktop (top-level windows).
// Asks no window anything.
Hwnd FindWindowExA(Hwnd parent, Hwnd childAfter, const std::string& className = "");
Hwnd GetDesktopWindow();
Hwnd GetWindow(Hwnd window, unsigned command);
Hwnd GetAncestor(Hwnd window, unsigned flags);
Hwnd GetParent(Hwnd window);
// Returns the thread id (0 when window is not a window); *processId, when
// given, receives the process id.
std::uint32_t GetWindowThreadProcessId(Hwnd window, std::uint32_t* processId);

// ---------------------------------------------------------------------------
// Focus and input
// ---------------------------------------------------------------------------

// Leaves the command in the window's queue for its own thread: never waits on
// another program, as ShowWindow and OpenIcon do.
bool ShowWindowAsync(Hwnd window, int command);
bool SetForegroundWindow(Hwnd window);
Hwnd SetActiveWindow(Hwnd window);
Hwnd GetForegroundWindow();
// GetGUIThreadInfo: the active window and the window with the keyboard focus
// in a thread's input state (0: the foreground thread's), read without
// attaching to it, which would reset both threads' key state.  False when
// the thread has none.
struct GuiThreadInfo {
  Hwnd active = 0, focus = 0;
};
bool GetGUIThreadInfo(std::uint32_t thread, GuiThreadInfo* info);
bool AttachThreadInput(std::uint32_t attach, std::uint32_t attachTo, bool doAttach);
bool PostMessageA(Hwnd window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
unsigned MapVirtualKeyA(unsigned code, unsigned mapType);
// One key event of SendInput (INPUT_KEYBOARD): the virtual key with its scan
// code, going down or coming up.
struct KeyInput {
  std::uint16_t vk = 0, scan = 0;
  bool up = false, extended = false;
};
// SendInput of key events, as one call: no other input comes between them.
// They go, as if typed, to the focused window of the foreground window's
// thread.  Returns how many were inserted: fewer than given when the input
// is blocked (a locked desktop, a foreground program running above us).
unsigned SendInput(const std::vector<KeyInput>& keys);
// GetAsyncKeyState: bit 15 (a negative value) while the key is down on the
// keyboard, whoever's window has the focus.
std::int16_t GetAsyncKeyState(int vk);
// GetKeyboardLayout of a thread (0: the caller's), and VkKeyScanExA of a
// character on that layout: the key in the low byte, the modifiers it needs
// in the high byte (1 Shift, 2 Ctrl, 4 Alt); -1 when no key makes it.
std::intptr_t GetKeyboardLayout(std::uint32_t thread);
std::int16_t VkKeyScanExA(char character, std::intptr_t layout);
// ImmGetDefaultIMEWnd: the default input-method window of the window's
// thread, which answers WM_IME_CONTROL for it from any process; 0 when it has
// none.
Hwnd ImmGetDefaultIMEWnd(Hwnd window);
std::uint32_t GetCurrentThreadId();
// Runs work on a new thread of the program's and waits for it at most
// timeoutMs, without handling any message meanwhile; false when it has not
// ended by then (or could not start).  A work that overruns goes on alone
// until it ends, so it must own everything it touches; the thread is kept
// track of meanwhile, and no further work starts until it has ended.
bool RunOnHelperThread(std::function<void()> work, unsigned timeoutMs);
// Whether the work of an earlier RunOnHelperThread is still running.
bool HelperThreadBusy();

// ---------------------------------------------------------------------------
// The program's own windows, timer, tray icon and menu
// ---------------------------------------------------------------------------

// Creates the bar (120 by 24, borderless, topmost, no taskbar button, centred
// on the screen, not yet shown) with its two buttons and the code label.  Its
// window events are reported through events.h.  No move event is reported
// while it is being created.
struct MainBarWindows {
  Hwnd bar = 0, buyButton = 0, codeLabel = 0, sellButton = 0;
};
MainBarWindows CreateMainBar();

// Creates the key settings window (centred, not yet shown), owned by a hidden
// window of the program.  Escape and the close box destroy it; that, and the
// changes of its boxes, are reported through events.h.
struct KeySettingsWindows {
  Hwnd window = 0, buyBox = 0, sellBox = 0, functionBox = 0;
};
KeySettingsWindows CreateKeySettingsWindow();

// SetWindowTextA.  Setting an edit box's text reports its change once.
bool SetWindowTextA(Hwnd window, const std::string& text);
bool GetWindowRect(Hwnd window, Rect* rect);
bool MoveWindow(Hwnd window, int x, int y, int width, int height, bool repaint);
bool UpdateWindow(Hwnd window);
bool ShowWindow(Hwnd window, int command);
bool IsIconic(Hwnd window);
bool IsWindowVisible(Hwnd window);
bool EnableWindow(Hwnd window, bool enable);
bool IsWindowEnabled(Hwnd window);
// SetTimer / KillTimer on one of the program's own windows; each expiry is
// reported as events::OnTimer(id).
bool SetTimer(Hwnd window, unsigned id, unsigned intervalMs);
bool KillTimer(Hwnd window, unsigned id);
bool GetCursorPos(Point* point);
// The dpi of the monitor a window of ours is on (GetDpiForWindow), or the
// system's where Windows knows no dpi per monitor; 96 is 100 %.
unsigned GetDpiForWindow(Hwnd window);
// MonitorFromPoint with MONITOR_DEFAULTTONULL: whether any monitor holds the
// point, in screen coordinates.
bool MonitorFromPoint(Point point);
// Gives one of the program's own windows and its children the GUI font at
// the size it has at dpi, and redraws them.
void SetFontForDpi(Hwnd window, unsigned dpi);
// The program's flat skin for every window of the GUI thread, present and
// future: scheme 1, 2 or 3; any other value switches it off.
void ApplyVisualStyle(int scheme);

// Shell_NotifyIconA with NIF_MESSAGE | NIF_ICON | NIF_TIP and the program's
// own icon.  The tip is cut to what the structure holds.
struct TrayIcon {
  Hwnd owner = 0;
  unsigned id = 0;
  unsigned callbackMessage = 0;
  std::string tip;
};
bool ShellNotifyIconA(unsigned operation, const TrayIcon& icon);

// RegisterHotKey on one of the program's own windows: the combination
// (kMod* modifiers and a virtual key), pressed anywhere on the desktop, is
// reported as events::OnHotKey(id), once however long it is held.  False
// when it cannot be had, as when another program holds it.
bool RegisterHotKey(Hwnd window, int id, unsigned modifiers, unsigned vk);
bool UnregisterHotKey(Hwnd window, int id);

// The tray menu.  Its check marks outlive each pop-up; the pop-up itself is
// built afresh from them every time, with these items from top to bottom and
// no separator.
enum class TrayMenuItem { kNone = 0, kDzh = 1, kTrader = 2, kExit = 3, kStatus = 4, kTdx = 5 };
struct TrayMenuEntry {
  TrayMenuItem item;
  const char* text;
};
inline constexpr TrayMenuEntry kTrayMenu[] = {{TrayMenuItem::kDzh, "大智慧"},
                                              {TrayMenuItem::kTrader, "交易师"},
                                              {TrayMenuItem::kTdx, "通达信"},
                                              {TrayMenuItem::kStatus, "状态…"},
                                              {TrayMenuItem::kExit, "退出"}};
void CheckTrayMenuItem(TrayMenuItem item, bool checked);
bool IsTrayMenuItemChecked(TrayMenuItem item);
// Pops the menu up (TPM_RIGHTALIGN at x, y, owned by owner), waits for the
// user and destroys it; returns the item chosen, kNone when none.
TrayMenuItem TrackTrayMenu(Hwnd owner, int x, int y);

// Creates the status window "凌波助手 状态" (centred, not yet shown): an
// ordinary window with a taskbar button, never topmost, holding a read-only
// multi-line text the trader can select, a "复制" button and a close box.
// Escape and the close box destroy it; that, and the button, are reported
// through events.h.
struct StatusWindows {
  Hwnd window = 0, text = 0, copyButton = 0;
};
StatusWindows CreateStatusWindow();
// Puts text into an edit control when it differs from what it holds, keeping
// the trader's selection and the scroll position.
void UpdateEditText(Hwnd edit, const std::string& text);
// The text on the clipboard, as CF_TEXT; false when the clipboard is busy.
bool SetClipboardText(Hwnd owner, const std::string& text);

// ShellExecuteA(no owner, "open", path, no parameters, "", SW_SHOWNORMAL).
void ShellExecuteOpen(const std::string& path);

// Runs the message loop until the process ends; returns its exit code.
int RunMessageLoop();
void ExitProcess(unsigned exitCode);

// ---------------------------------------------------------------------------
// Processes and modules (tool help)
// ---------------------------------------------------------------------------

struct ProcessEntry {
  std::uint32_t processId = 0;
  std::string exeFile;  // szExeFile
};
struct ModuleEntry {
  std::string exePath;  // szExePath
};
// Returns kInvalidHandle when no snapshot can be taken.  A module snapshot of
// a process of the other width may be refused (Wine refuses it whatever the
// flags): the image name below works for both.
Handle CreateToolhelp32Snapshot(unsigned flags, std::uint32_t processId);
bool Process32First(Handle snapshot, ProcessEntry* entry);
bool Process32Next(Handle snapshot, ProcessEntry* entry);
bool Module32First(Handle snapshot, ModuleEntry* entry);
bool CloseHandle(Handle handle);
// OpenProcess without inheritance; 0 when the process cannot be opened (it
// has ended, access is refused, or the id is 0).  Close with CloseHandle.
Handle OpenProcess(std::uint32_t access, std::uint32_t processId);
// QueryFullProcessImageNameA in the Win32 path format, for a process opened
// with kProcessQueryLimitedInformation, 32-bit and 64-bit alike; "" when it
// fails.
std::string QueryFullProcessImageNameA(Handle process);
// The full path of the program's own executable.
std::string GetModuleFileNameA();
std::uint32_t GetCurrentProcessId();
// IsWow64Process: *wow64 is true for a 32-bit process on 64-bit Windows.
bool IsWow64Process(Handle process, bool* wow64);
// OpenProcessToken with TOKEN_QUERY; 0 when it cannot be opened.  Close with
// CloseHandle.
Handle OpenProcessToken(Handle process);
// The token's mandatory integrity level, as its RID (0x2000 medium, 0x3000
// high, ...); false when it cannot be read.
bool GetTokenIntegrityLevel(Handle token, std::uint32_t* level);
// The system's ANSI code page.
unsigned GetACP();

// ---------------------------------------------------------------------------
// Version resources
// ---------------------------------------------------------------------------

std::uint32_t GetFileVersionInfoSizeA(const std::string& path);
bool GetFileVersionInfoA(const std::string& path, std::uint32_t size, std::vector<std::uint8_t>* block);
// VerQueryValueA: the value's bytes.  For a string value, its text up to the
// terminating NUL; for "\VarFileInfo\Translation", the raw array of
// (language, code page) 16-bit pairs.  False when absent.
bool VerQueryValueA(const std::vector<std::uint8_t>& block, const std::string& subBlock, std::string* value);

// ---------------------------------------------------------------------------
// Files and directories
// ---------------------------------------------------------------------------

struct FindData {
  std::string fileName;
  bool isDirectory = false;
  std::uint32_t fileSizeLow = 0;
};
// FindFirstFileA; kInvalidHandle when nothing matches.  Close with FindClose.
Handle FindFirstFileA(const std::string& pattern, FindData* data);
bool FindNextFileA(Handle find, FindData* data);
bool FindClose(Handle find);
// CreateFileA of an existing file of another program for reading alone,
// sharing read, write and delete: its owner may still open it for writing
// (denying other writers), or replace it by a rename, while we read it.
// kInvalidHandle when it cannot be opened.
Handle OpenExistingFileShared(const std::string& path);
// ReadFile: up to size bytes; *read receives how many came.
bool ReadFile(Handle file, void* buffer, std::uint32_t size, std::uint32_t* read);
// GetFileAttributesExA of a file: what changes whenever it is written.
// False for a folder or when there is no such file.
struct FileStamp {
  std::uint64_t size = 0;
  std::uint64_t lastWriteTime = 0;
  bool operator==(const FileStamp& other) const { return size == other.size && lastWriteTime == other.lastWriteTime; }
};
bool GetFileAttributesExA(const std::string& path, FileStamp* stamp);

// ---------------------------------------------------------------------------
// Profile (INI) files
// ---------------------------------------------------------------------------

// GetPrivateProfileStringA(section, key, default, buffer of bufferSize bytes,
// path) with both section and key given.
std::string GetPrivateProfileStringA(const std::string& section, const std::string& key,
                                     const std::string& defaultValue, std::uint32_t bufferSize,
                                     const std::string& path);
bool WritePrivateProfileStringA(const std::string& section, const std::string& key, const std::string& value,
                                const std::string& path);

// ---------------------------------------------------------------------------
// Time
// ---------------------------------------------------------------------------

void Sleep(unsigned milliseconds);
// Milliseconds since the system started.
std::uint64_t GetTickCount64();
// The wall clock, for what the trader reads.
struct LocalTime {
  int hour = 0, minute = 0, second = 0, milliseconds = 0;
};
LocalTime GetLocalTime();

}  // namespace platform
