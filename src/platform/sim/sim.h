// The simulated desktop behind platform.h, for tests: a scene of processes,
// windows and files, deterministic because time is a virtual clock in
// milliseconds that only Sleep, Advance and the program's waits move.  The
// program is one process (kOwnProcess) with one GUI thread (kOwnThread).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace sim {

using platform::Hwnd;

inline constexpr std::uint32_t kOwnProcess = 100;
inline constexpr std::uint32_t kOwnThread = 101;
inline constexpr const char* kOwnExePath = "C:\\lingbo\\lingbo.exe";
inline constexpr int kScreenWidth = 1280;
inline constexpr int kScreenHeight = 800;

// An empty desktop: only the program's own process, clock at 0.
void Reset();

std::uint64_t Now();
// The wall clock reads 09:30:00.000 when the virtual clock is at 0.
inline constexpr std::uint64_t kClockStartsAt = (9 * 60 + 30) * 60 * 1000;
// Moves the clock forward, running in time order everything that falls due:
// actions given to At, deliveries of posted messages and the program's
// timers (events::OnTimer).
void Advance(std::uint64_t milliseconds);
void At(std::uint64_t delay, std::function<void()> action);

// A running process, with a main thread; its szExeFile is the file part of
// exePath.
std::uint32_t AddProcess(const std::string& exePath);
std::uint32_t MainThreadOf(std::uint32_t process);
std::uint32_t AddThread(std::uint32_t process);
// The program runs from a copy unpacked elsewhere.
void MoveOwnExecutable(const std::string& exePath);
void EndProcess(std::uint32_t process);
void DenyModules(std::uint32_t process, bool denied = true);
// A 32-bit process: its module snapshot is refused to the 64-bit program, as
// Wine refuses it whatever the flags.  Its image name can still be asked for.
void Make32Bit(std::uint32_t process);
// A protected process.
void DenyOpenProcess(std::uint32_t process, bool denied = true);
// The process's integrity level (0x2000 medium by default, 0x3000 high for a
// program run as administrator), and a token that cannot be opened.
void SetIntegrity(std::uint32_t process, std::uint32_t level);
void DenyToken(std::uint32_t process, bool denied = true);
void SetCodePage(unsigned codePage);  // 936 by default
void FailSnapshots(bool fail = true);

struct VersionInfo {
  // "\VarFileInfo\Translation": (language, code page) pairs; may be empty.
  std::vector<std::pair<std::uint16_t, std::uint16_t>> translations;
  // "\StringFileInfo\<key>\<name>": (key + "\" + name, value), e.g.
  // {"080404b0\\FileDescription", "网上股票交易系统"}.
  std::vector<std::pair<std::string, std::string>> strings;
};
void SetVersionInfo(const std::string& path, const VersionInfo& info);
// Shorthand: one translation (0804, 04b0 by default) and its FileDescription.
void SetFileDescription(const std::string& path, const std::string& description, std::uint16_t language = 0x0804,
                        std::uint16_t codePage = 0x04b0);

struct WindowSpec {
  std::string className = "SimWindow";
  std::string text;
  std::uint32_t process = 0;  // owner process; 0 with thread 0 means the program's own
  std::uint32_t thread = 0;   // 0: the main thread of process
  Hwnd parent = 0;            // > 0 makes a child window
  Hwnd owner = 0;             // owner of a top-level window
  bool visible = true;
  bool minimized = false;
  // An owned window is a pop-up (GetParent gives its owner).  A topmost
  // window stays above all others, as the bar does.
  bool topmost = false;
  // Screen position of a top-level window, or relative to the parent.
  platform::Rect rect{100, 100, 500, 400};
};
// A new top-level window goes to the top of the Z order; a new child goes
// after its existing siblings (as controls do).  Windows of class "Edit"
// behave as edit controls: WM_GETTEXT, EM_SETSEL, EM_REPLACESEL and WM_CHAR
// (one byte, or a two-byte GBK character with its lead byte in bits 8-15,
// replacing the selection).
Hwnd CreateWindow(const WindowSpec& shape);
void DestroyWindow(Hwnd window);
void SetText(Hwnd window, const std::string& text);
// The "Edit" takes EM_REPLACESEL without changing, as some trading clients'
// code fields do: they react only to typed characters.
void IgnoreReplaceSel(Hwnd edit);
std::string TextOf(Hwnd window);
void SetVisible(Hwnd window, bool visible);
// Minimising or restoring the bar reports a move (WM_MOVE), as a real
// window's does.
void SetMinimized(Hwnd window, bool minimized);
bool IsMinimized(Hwnd window);
void BringToTop(Hwnd window);  // among its siblings
// Keyboard focus of the window's thread (and that thread's active window).
void SetFocus(Hwnd window);
void SetForeground(Hwnd window);
Hwnd Foreground();
// The thread stops (or resumes) answering sent messages.  A message sent to
// it waits out its time-out on the clock and fails; the thread handles it
// when it answers again.
void SetHung(std::uint32_t thread, bool hung = true);
// The window's thread takes ms over each such message it handles, sent or
// posted: it takes effect at once, and the thread answers nothing else (a
// sender waits for its reply) until the time is up.  A sender that gives up
// first does not take its message back.  kWmActivate stands for the window
// being activated by the program (restored, brought forward or made active),
// as clients that refresh their accounts then do.
// ownLoop: the handler runs a message loop of its own (a modal dialog, say):
// meanwhile the thread answers what is sent to it, but takes what is posted
// only once the handler has returned.
inline constexpr unsigned kWmActivate = 0x0006;
void SetHandlingTime(Hwnd window, unsigned message, std::uint64_t ms, bool ownLoop = false);
// A message the window's own program posts it: one it posts itself, or the
// WM_TIMER of a timer of its own.  It waits in the queue like any other.
void PostFromClient(Hwnd window, unsigned message, std::uintptr_t wParam = 0);
// WM_GETTEXTLENGTH answers length, whatever the text.
void SetReportedTextLength(Hwnd window, std::intptr_t length);
// SetForegroundWindow is refused from now on (the foreground lock of a
// program that is not in the foreground); it returns false and changes nothing.
void RefuseForeground(bool refuse = true);
Hwnd ActiveWindowOf(std::uint32_t thread);
int InputAttachments();  // made with AttachThreadInput and not yet undone

// What a window received: posted messages when they were delivered, sent
// messages when they were handled.  For EM_REPLACESEL and WM_SETTEXT the
// text pointed to by lParam is copied into text.
struct Message {
  std::uint64_t time = 0;
  Hwnd window = 0;
  unsigned message = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
  bool posted = false;
  std::string text;
  // Typed on the keyboard (SendInput, or the trader's keys), not posted by a
  // program; and, for a key or character, whether its key was down in the
  // receiving thread's key state (GetKeyState) as it was handled.
  bool input = false;
  bool keyDown = false;
};
std::vector<Message> Received(Hwnd window);
// A scripted reaction to every message delivered to (posted) or handled by
// (sent) the window, after the built-in behaviour.
using Reaction = std::function<void(const Message&)>;
void OnMessage(Hwnd window, Reaction reaction);

// Keys typed (by SendInput or by the trader) go, through its queue, to the
// focused window of the foreground window's thread: WM_KEYDOWN, then the
// WM_CHAR its TranslateMessage makes of a digit key (no digit while Shift,
// Ctrl or Alt is down in that thread), then WM_KEYUP.  A thread's key state, what
// GetKeyState tells it, changes only as it takes typed keys: posted key
// messages leave it alone.
void PressKey(int vk, bool down);
// The "Edit" takes only keyboard input, as some clients' code fields do:
// EM_REPLACESEL leaves it alone, and so does a WM_CHAR whose key is not down
// in its thread.
void TakeOnlyKeyboardInput(Hwnd edit);
// SendInput inserts at most this many events from now on (0: it is refused,
// as on a locked desktop).  While a program running above this one is in
// front, it drops them all and still counts them inserted; what the program
// posts or sends such a program is dropped too (PostMessageA and
// SendMessageTimeoutA fail), but for WM_NULL, WM_GETTEXT and
// WM_GETTEXTLENGTH, which only read.
void LimitInput(int events);
// Another program holds the combination (kMod* modifiers and a key): the
// program cannot register it, and a press of it goes to that program.
void HoldHotKey(unsigned modifiers, unsigned vk);
// The trader presses a combination: its modifiers go down on the keyboard
// (into the foreground thread, as typed keys), then its key, which whoever
// registered it hears as WM_HOTKEY in its queue and nobody else sees.  The
// modifiers are let go holdMs later.
void PressHotKey(unsigned modifiers, unsigned vk, std::uint64_t holdMs = 0);
// The keyboard layout of a thread (GetKeyboardLayout): 0x08040804 by
// default; on a French one (low word 0x040C) the digits need Shift.
void SetKeyboardLayout(std::uint32_t thread, std::intptr_t layout);
// The thread's input method: a default IME window (ImmGetDefaultIMEWnd) that
// answers WM_IME_CONTROL with its open status and conversion mode
// (kImeCmodeFullShape: typed digits become full-width, "６" for "6").  A
// thread without one has no IME window.
void SetInputMethod(std::uint32_t thread, bool open, std::uint32_t conversion);

// Files: Windows paths, case-insensitive.  Writing makes the directories.
void WriteFile(const std::string& path, const std::string& bytes);
// A file of size bytes, all of them fill, without storing them.
void WriteSparseFile(const std::string& path, std::uint64_t size, char fill = 0);
std::string FileContent(const std::string& path);
bool FileExists(const std::string& path);
void RemoveFile(const std::string& path);
void MakeDirectory(const std::string& path);
// Writes to a read-only file fail, as do profile writes into it.
void SetReadOnly(const std::string& path, bool readOnly = true);
// Opening the file fails (an unreadable disk, a locked file).
void FailOpen(const std::string& path, bool fail = true);
// Another program opens the file for writing, letting others only read it
// meanwhile, and closes it again; false when the handles open on it refuse
// that.
bool OpenForWritingDenyingWriters(const std::string& path);
// Another program replaces to by renaming from over it (MoveFileEx with
// MOVEFILE_REPLACE_EXISTING); false when a handle open on to does not share
// deleting.
bool RenameOver(const std::string& from, const std::string& to);

// The program's own windows, as the platform made them.
platform::MainBarWindows Bar();
platform::KeySettingsWindows KeySettings();  // all 0 when not open
platform::StatusWindows StatusWindow();      // all 0 when not open
std::string Clipboard();
unsigned TimerInterval(unsigned id);  // 0 when not running
struct TrayState {
  bool present = false;
  platform::TrayIcon icon;
  // Kept through a taskbar that redrew itself and not given again since: the
  // image the user sees was drawn for the old taskbar (its DPI, say).
  bool stale = false;
  int adds = 0, deletes = 0;
};
TrayState Tray();
// What the next TrackTrayMenu returns (kNone by default), and the position and
// check marks it was last shown with.
void ChooseFromTrayMenu(platform::TrayMenuItem item);
struct TrayMenuShown {
  int times = 0;
  platform::Point at;
  std::vector<std::string> items;  // from top to bottom, a check mark as "√" in front
};
TrayMenuShown LastTrayMenu();
void SetCursorPos(int x, int y);
// The monitors, the primary first: by default one of kScreenWidth by
// kScreenHeight at 96 dpi.  A window is on the monitor that holds its
// centre, or on the primary when none does.  Moving the bar onto a monitor
// of another dpi reports WM_DPICHANGED, with the bar's top-left kept.
struct Monitor {
  platform::Rect rect;
  unsigned dpi = 96;
};
void SetMonitors(const std::vector<Monitor>& monitors);
// The monitors change while the program runs (one unplugged, another
// rearranged): the bar hears WM_DISPLAYCHANGE.
void ChangeDisplays(const std::vector<Monitor>& monitors);
// The dpi whose GUI font the window was last given; 0 when none was.
unsigned FontDpiOf(Hwnd window);
bool Exited(unsigned* exitCode = nullptr);  // ExitProcess was called
// User input to the program's windows, delivered as the real platform would.
void TypeInto(Hwnd box, const std::string& text);  // replaces the box's text
void PressEscape(Hwnd window);                     // closes the key settings and status windows
// A click, a left double-click and a right-button press on one of the
// program's controls, ignored while it or its window is disabled or hidden.
void Click(Hwnd window);
void DoubleClick(Hwnd window);
void RightButtonDown(Hwnd window);
// The tray icon's callback with this mouse message (WM_LBUTTONUP, ...), sent
// by the shell: while a handler of the bar runs (a click's), it waits for it
// to return, unless the bar waits in a send without SMTO_BLOCK meanwhile.
void TrayMouse(unsigned mouseMessage);
// The shell announces a new taskbar ("TaskbarCreated"): after a restart its
// tray icons are gone; a taskbar that only redrew itself (a DPI change) keeps
// them, stale until given again.
void BroadcastTaskbarCreated(bool shellRestarted = true);

// Snapshots, open files and directory listings not yet closed.
int OpenHandles();
// Every seam call the program made, in order, e.g. "Sleep(10)" or
// "PostMessageA(5,0x100,112,0x3b0001)", with the clock when it was made.
// Numbers are decimal except message numbers and lParam, which are hex (the
// low 32 bits; -1 stays "-1").  A text pointed to by lParam is shown quoted
// ("SendMessageTimeoutA(9,0xc2,1,\"600000\")"), a buffer as buf.
struct Call {
  std::uint64_t time = 0;
  std::string text;
};
std::vector<Call> Calls();
void ClearCalls();
// Forgets the calls, the events and every window's received messages, so
// that a long run keeps no history (the soak tests measure memory).
void ClearHistory();
// Every report to events::, in order, e.g. "OnTimer(1)", "OnMainBarMoved()".
std::vector<Call> Events();
// Runs at each timer tick, just before events::OnTimer (for example to keep
// the thread busy with platform::Sleep, as a slow tick would).
void OnTick(std::function<void(unsigned id)> reaction);

}  // namespace sim
