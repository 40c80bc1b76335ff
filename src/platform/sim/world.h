// The simulated desktop's state, shared by the files of sim/.  Not for tests:
// they use sim.h.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/sim.h"

namespace sim::detail {

using platform::Handle;
using platform::Hwnd;

enum class Role { kNone, kBar, kKeyOwner, kKeyWindow, kBuyBox, kSellBox, kFunctionBox, kStatusWindow };

struct Window {
  bool alive = false;
  std::string className, text;
  std::uint32_t process = 0, thread = 0;
  Hwnd parent = 0, owner = 0;
  bool visible = false, minimized = false, enabled = true, topmost = false, ignoresReplaceSel = false,
       keyboardOnly = false;
  platform::Rect rect;                           // relative to the parent's origin; screen for top-level
  std::vector<Hwnd> children;                    // Z order, top first
  Hwnd lastFocus = 0;                            // restored when the window is activated again
  std::map<unsigned, std::uint64_t> handlingMs;  // how long its thread takes over a message
  std::set<unsigned> ownLoop;                    // handled in a message loop of its own
  std::optional<std::intptr_t> reportedLength;
  std::size_t selStart = 0, selEnd = 0;  // edit controls
  Role role = Role::kNone;
  std::vector<Message> received;
  std::vector<Reaction> reactions;
};

struct Thread {
  std::uint32_t process = 0;
  bool hung = false;
  int queue = 0;  // input state, shared while attached
  std::uint64_t hungSince = 0;
  // Busy over a message that takes long: not answering until then.
  std::uint64_t busyUntil = 0, busySince = 0;
  // Inside a handler with a message loop of its own: answering what is sent,
  // taking nothing posted.
  std::uint64_t ownLoopUntil = 0;
};

struct InputQueue {
  Hwnd focus = 0, active = 0;
};

struct Process {
  std::uint32_t id = 0;
  std::string exePath, exeFile;
  bool running = true, modulesDenied = false, is32Bit = false, openDenied = false, tokenDenied = false;
  std::uint32_t integrity = 0x2000;  // medium, as a program the user started
};

struct File {
  std::string path;  // as first written, for listings
  std::shared_ptr<std::string> bytes = std::make_shared<std::string>();
  bool sparse = false;
  std::uint64_t sparseSize = 0;
  char fill = 0;
  bool readOnly = false, failOpen = false;
  std::uint64_t lastWrite = 0;  // a fresh stamp for every write, however close together
  std::uint64_t Size() const { return sparse ? sparseSize : bytes->size(); }
};

// Every member has a default, so that {kind, processId, fileKey} makes one.
struct HandleObject {
  enum class Kind { kSnapshot, kFile, kFind, kProcess, kToken } kind = Kind::kSnapshot;
  // Process and token: of which process.
  std::uint32_t processId = 0;
  // File: its key and read position, whether it may write, and what it
  // lets others do meanwhile (CreateFile's share modes).
  std::string fileKey = {};
  std::uint64_t position = 0;
  bool writes = false;
  bool sharesWrite = true, sharesDelete = true;
  // Snapshot: the processes (and the module path) as they were when taken.
  std::vector<platform::ProcessEntry> processes = {};
  std::vector<std::string> modules = {};
  std::size_t next = 0;
  // Directory listing.
  std::vector<platform::FindData> found = {};
};

struct Scheduled {
  std::uint64_t time = 0, seq = 0;
  std::function<void()> action;
};

// A helper thread of the program's, while it runs the work handed to it: the
// program waits on it only until deadline.  One left at the deadline stays
// stuck in the call that waited (on thread stuckOn) until that thread has
// handled what it was asked; what the work did after that call (its
// detaches) happens only then.
struct HelperRun {
  std::uint32_t thread = 0;
  std::uint64_t deadline = 0;
  bool timedOut = false;
  std::uint32_t stuckOn = 0;
  std::vector<std::function<void()>> afterwards = {};
};

struct Timer {
  Hwnd window = 0;
  unsigned id = 0, interval = 0;
  std::uint64_t due = 0;
};

struct HotKeyRecord {
  Hwnd window = 0;
  int id = 0;
  unsigned modifiers = 0, vk = 0;
};

struct TrayIconRecord {
  platform::TrayIcon icon;
  bool stale = false;
};

struct World {
  std::uint64_t now = 0, seq = 0, fileWrites = 0;
  std::vector<Window> windows;  // indexed by handle; 0 unused, 1 the desktop
  std::vector<Hwnd> topLevel;   // Z order, top first
  std::map<std::uint32_t, Thread> threads;
  std::vector<InputQueue> queues;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> attachments;
  std::vector<Process> processes;  // creation order
  std::string ownExePath = kOwnExePath;
  std::uint32_t nextProcessId = 1000, nextThreadId = 2000;
  bool failSnapshots = false, refuseForeground = false;
  Hwnd foreground = 0;
  std::map<std::string, VersionInfo> versions;     // by file key
  std::map<std::string, File> files;               // by file key
  std::map<std::string, std::string> directories;  // key -> path as made
  std::map<Handle, HandleObject> handles;
  Handle nextHandle = 4;
  std::vector<Scheduled> scheduled;
  // Posted messages, after the sends whose sender gave up: a thread still
  // handles those, before its posted messages, once it answers again.
  std::vector<Message> posted;
  // Messages other programs sent the bar while one of its handlers ran: they
  // wait for the handler to return, unless the bar lets them in meanwhile (a
  // send without SMTO_BLOCK).
  int handlerDepth = 0;
  bool lettingSentIn = false;
  std::vector<std::function<void()>> sentToOwn;
  HelperRun helper, stuckHelper;
  std::vector<Timer> timers;
  int loopDepth = 0;  // inside Advance: further clock moves fire no timers
  // The program's own windows and shell state.
  platform::MainBarWindows bar;
  platform::KeySettingsWindows keySettings;
  platform::StatusWindows status;
  std::string clipboard;
  unsigned codePage = 936;
  std::vector<TrayIconRecord> trayIcons;
  std::vector<HotKeyRecord> hotKeys;                         // the program's
  std::set<std::pair<unsigned, unsigned>> hotKeysElsewhere;  // (modifiers, key) other programs hold
  TrayState trayCounts;
  std::set<platform::TrayMenuItem> checked;
  platform::TrayMenuItem nextChoice = platform::TrayMenuItem::kNone;
  TrayMenuShown lastMenu;
  platform::Point cursor{kScreenWidth / 2, kScreenHeight / 2};
  std::vector<Monitor> monitors{{{0, 0, kScreenWidth, kScreenHeight}, 96}};
  unsigned barDpi = 0;               // the dpi the bar was last told of
  std::map<Hwnd, unsigned> fontDpi;  // by window
  bool exited = false;
  unsigned exitCode = 0;
  std::vector<Call> calls, events;
  std::function<void(unsigned)> tickReaction;
  std::set<int> keyboard;  // keys down on the keyboard itself
  int inputLimit = -1;
  // By thread: the keys down as far as the keys it has taken tell, and its
  // keyboard layout where it is not the default.
  std::map<std::uint32_t, std::set<int>> threadKeys;
  std::map<std::uint32_t, std::intptr_t> layouts;
  // By thread: its default IME window, and that window's state.
  struct InputMethod {
    Hwnd window = 0;
    bool open = false;
    std::uint32_t conversion = 0;
  };
  std::map<std::uint32_t, InputMethod> inputMethods;
};

World& W();
// ASCII letters lowered; the trail byte of a GBK character stays.
std::string Lower(const std::string& text);

// Records a report to events:: ("OnTimer(1)").
void Report(const char* name, long argument = -1);
// Logging of program calls; a message number or lParam as the log shows it.
std::string Hex(std::intptr_t value);
void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LogV(const char* format, va_list args);
// Logs a call and gives back its answer, worked out before from what the
// call only reads (a window found, a state).
template <typename T>
__attribute__((format(printf, 2, 3))) T Logged(T answer, const char* format, ...) {
  va_list args;
  va_start(args, format);
  LogV(format, args);
  va_end(args);
  return answer;
}

// One property of a window, process or file found; one that is gone (an
// ended process, say) or unknown is left alone.
template <typename T, typename M, typename V>
void SetIn(T* found, M T::*member, V value) {
  if (found) found->*member = std::move(value);
}

// Windows.
Window* Find(Hwnd window);  // nullptr unless alive
Hwnd NewWindow(const WindowSpec& shape);
void Destroy(Hwnd window);
Hwnd RootOf(Hwnd window);
platform::Rect ScreenRect(Hwnd window);
void Activate(Hwnd window, bool foreground);
std::uint32_t ThreadOf(Hwnd window);
Process* ProcessOf(std::uint32_t id);  // nullptr unless running
bool IsOwnThread(std::uint32_t thread);
// The program's GUI thread, or its helper thread while that runs.
std::uint32_t CallingThread();
InputQueue& QueueOf(std::uint32_t thread);

// Messages and time.
// Moves the clock to target, running what falls due; own timers and own
// posted messages only when ownLoop.  Stops early when done() turns true.
void RunUntil(std::uint64_t target, bool ownLoop, const std::function<bool()>& done = nullptr);
// A message another program sends the bar: handled now, or queued until the
// bar's handler has returned (see World::sentToOwn).
void SendToOwn(std::function<void()> handle);
// For the length of one of the bar's handlers.
class InOwnHandler {
 public:
  InOwnHandler();
  ~InOwnHandler();
  InOwnHandler(const InOwnHandler&) = delete;
  InOwnHandler& operator=(const InOwnHandler&) = delete;
};
// The program's windows reporting to events::.
void TextChanged(Hwnd window);
void Moved(Hwnd window);
void Destroyed(Hwnd window, Role role);

// The keyboard (keyboard.cpp): what a thread does with a key message it
// takes, before it is handled (its key state) and after (TranslateMessage).
void TakeKey(Message& m);
// A default IME window's answer to WM_IME_CONTROL.
std::intptr_t AnswerImeControl(Hwnd window, std::uintptr_t question);
// Whether the window's program runs above this one (its integrity level).
bool IntegrityAboveOwn(Hwnd window);
inline constexpr unsigned kWmHotKey = 0x0312;
void TranslateKey(const Message& m);
void ResetFiles();

}  // namespace sim::detail
