// The simulated desktop: windows, Z order, messages, input state and the
// clock.  The program's calls (platform::) are logged; the scene calls
// (sim::) are not.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/events.h"
#include "platform/sim/world.h"

namespace sim::detail {

World& W() {
  static World world;
  return world;
}

void LogV(const char* format, va_list args) {
  char text[512];
  std::vsnprintf(text, sizeof text, format, args);
  W().calls.push_back({W().now, text});
}

void Log(const char* format, ...) {
  va_list args;
  va_start(args, format);
  LogV(format, args);
  va_end(args);
}

void Report(const char* name, long argument) {
  std::string text = name;
  text += argument < 0 ? "()" : "(" + std::to_string(argument) + ")";
  W().events.push_back({W().now, text});
}

// "-1", else hex: only the low 32 bits of a value that fits in them.
std::string Hex(std::intptr_t value) {
  if (value == -1) return "-1";
  char text[24];
  if (value >= INT32_MIN && value <= static_cast<std::intptr_t>(UINT32_MAX))
    std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(static_cast<std::uint32_t>(value)));
  else
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
  return text;
}

Window* Find(Hwnd window) {
  auto& windows = W().windows;
  if (window <= 0 || static_cast<std::size_t>(window) >= windows.size()) return nullptr;
  Window& w = windows[window];
  return w.alive ? &w : nullptr;
}

std::uint32_t ThreadOf(Hwnd window) { return Find(window) ? Find(window)->thread : 0; }

std::uint32_t CallingThread() { return W().helper.thread ? W().helper.thread : kOwnThread; }

// nullptr for a thread that does not run.
static Thread* ThreadAt(std::uint32_t thread) {
  auto it = W().threads.find(thread);
  return it == W().threads.end() ? nullptr : &it->second;
}

bool IsOwnThread(std::uint32_t thread) {
  const Thread* t = ThreadAt(thread);
  return thread == kOwnThread || (t && t->process == kOwnProcess);
}

InputQueue& QueueOf(std::uint32_t thread) {
  if (const Thread* t = ThreadAt(thread)) return W().queues[t->queue];
  static InputQueue none;
  none = {};
  return none;
}

Hwnd RootOf(Hwnd window) {
  const Window* w = Find(window);
  while (w && w->parent > 1) {
    window = w->parent;
    w = Find(window);
  }
  return w ? window : 0;
}

bool Within(Hwnd window, Hwnd ancestor) {
  for (const Window* w = Find(window); w; w = Find(w->parent)) {
    if (window == ancestor) return true;
    window = w->parent;
  }
  return false;
}

platform::Rect ScreenRect(Hwnd window) {
  const Window* w = Find(window);
  if (!w) return {};
  const platform::Rect& r = w->rect;
  if (w->parent <= 1) return w->minimized ? platform::Rect{-32000, -32000, -32000 + 160, -32000 + 28} : r;
  platform::Rect p = ScreenRect(w->parent);
  // The key settings window has a frame and a caption; its controls sit in
  // its client area.
  int dx = p.left, dy = p.top;
  if (W().windows[w->parent].role == Role::kKeyWindow) dx += 3, dy += 25;
  return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

static std::vector<Hwnd>& SiblingsOf(Hwnd window) {
  Window& w = W().windows[window];
  return w.parent > 1 ? W().windows[w.parent].children : W().topLevel;
}

// The position a window takes when it comes to the top of its siblings:
// topmost windows stay above the others.
static std::size_t TopSlot(const std::vector<Hwnd>& siblings, bool topmost) {
  if (topmost) return 0;
  const auto below = std::find_if(siblings.begin(), siblings.end(), [](Hwnd h) { return !W().windows[h].topmost; });
  return static_cast<std::size_t>(below - siblings.begin());
}

// The top-level windows the window owns, top first.
static std::vector<Hwnd> OwnedBy(Hwnd window) {
  std::vector<Hwnd> owned;
  for (Hwnd h : W().topLevel)
    if (h != window && W().windows[h].owner == window) owned.push_back(h);
  return owned;
}

void BringWindowToTop(Hwnd window) {
  if (!Find(window)) return;
  auto& siblings = SiblingsOf(window);
  siblings.erase(std::find(siblings.begin(), siblings.end(), window));
  siblings.insert(siblings.begin() + TopSlot(siblings, W().windows[window].topmost), window);
  if (W().windows[window].parent > 1) return;
  // Owned windows stay above their owner.
  const std::vector<Hwnd> owned = OwnedBy(window);
  for (auto it = owned.rbegin(); it != owned.rend(); ++it) BringWindowToTop(*it);
}

Hwnd NewWindow(const WindowSpec& shape) {
  World& world = W();
  if (shape.parent > 0 && !Find(shape.parent)) return 0;
  Hwnd handle = static_cast<Hwnd>(world.windows.size());
  Window w;
  w.alive = true;
  w.className = shape.className;
  w.text = shape.text;
  w.process = shape.process;
  w.thread = shape.thread;
  if (w.process == 0 && w.thread == 0) w.process = kOwnProcess, w.thread = kOwnThread;
  if (w.thread == 0) w.thread = MainThreadOf(w.process);
  if (w.process == 0 && ThreadAt(w.thread)) w.process = ThreadAt(w.thread)->process;
  w.parent = shape.parent > 0 ? shape.parent : 0;
  w.owner = w.parent ? 0 : (Find(shape.owner) ? RootOf(shape.owner) : 0);
  w.visible = shape.visible;
  w.minimized = shape.minimized && !w.parent;
  w.topmost = shape.topmost && !w.parent;
  w.rect = shape.rect;
  world.windows.push_back(std::move(w));
  if (shape.parent > 0)
    world.windows[shape.parent].children.push_back(handle);
  else
    world.topLevel.insert(world.topLevel.begin() + TopSlot(world.topLevel, shape.topmost), handle);
  return handle;
}

void Destroy(Hwnd window) {
  World& world = W();
  if (!Find(window)) return;
  // Owned windows and children go first, as Windows destroys them.
  for (Hwnd h : OwnedBy(window)) Destroy(h);
  if (!Find(window)) return;
  const Role role = world.windows[window].role;
  const Hwnd owner = world.windows[window].owner;
  if (role != Role::kNone) Destroyed(window, role);
  if (!Find(window)) return;
  for (Hwnd child : std::vector<Hwnd>(world.windows[window].children)) Destroy(child);
  Window* w = &world.windows[window];
  auto& siblings = SiblingsOf(window);
  siblings.erase(std::remove(siblings.begin(), siblings.end(), window), siblings.end());
  w->alive = false;
  w->children.clear();
  w->reactions.clear();
  world.timers.erase(
      std::remove_if(world.timers.begin(), world.timers.end(), [&](const Timer& t) { return t.window == window; }),
      world.timers.end());
  if (world.foreground == window) world.foreground = 0;
  for (auto& q : world.queues) {
    if (q.focus == window) q.focus = 0;
    if (q.active == window) q.active = 0;
  }
  // The hidden owner made for the key settings window goes with it.
  if (role == Role::kKeyWindow && Find(owner) && world.windows[owner].role == Role::kKeyOwner) Destroy(owner);
}

// Makes window the active window of its thread (and the foreground window),
// giving the focus back to the control that had it there.
void Activate(Hwnd window, bool foreground) {
  Window* w = Find(window);
  if (!w) return;
  InputQueue& q = QueueOf(w->thread);
  if (q.active && q.active != window && Find(q.active) && Within(q.focus, q.active))
    W().windows[q.active].lastFocus = q.focus;
  q.active = window;
  if (!Within(q.focus, window)) q.focus = Within(w->lastFocus, window) && !w->minimized ? w->lastFocus : window;
  if (foreground) {
    W().foreground = window;
    BringWindowToTop(window);
  }
}

// A call that waits on another thread (activation, showing, a send without a
// time-out) waits until that thread answers again: the clock runs on, up to
// an hour, which for a test is forever.
constexpr std::uint64_t kForeverMs = 3600 * 1000;
// How long a thread must have stopped answering before Windows calls it
// hung (IsHungAppWindow, SMTO_ABORTIFHUNG).
constexpr std::uint64_t kHungAfterMs = 5000;

// Whether the thread is inside a handler that runs a message loop of its
// own: it answers what is sent to it, but takes nothing from its queue.
bool InOwnLoop(std::uint32_t thread) {
  const Thread* t = ThreadAt(thread);
  return t && W().now < t->ownLoopUntil;
}

// Whether the thread has stopped answering.
bool IsHung(std::uint32_t thread) {
  const Thread* t = ThreadAt(thread);
  return t && (t->hung || W().now < t->busyUntil);
}

// The thread takes ms over what it is handling now: it answers nothing else
// until then.
void KeepBusy(std::uint32_t thread, std::uint64_t ms) {
  World& world = W();
  Thread& t = world.threads[thread];
  if (world.now >= t.busyUntil) t.busySince = world.now;
  t.busyUntil = std::max(t.busyUntil, world.now + ms);
  // The clock must stop when it is free again, to deliver what waits for it.
  world.scheduled.push_back({t.busyUntil, ++world.seq, nullptr});
}

// How long the window's thread takes over the message (0: no time at all).
std::uint64_t HandlingTime(Hwnd window, unsigned message) {
  const Window* w = Find(window);
  if (!w) return 0;
  auto it = w->handlingMs.find(message);
  return it == w->handlingMs.end() ? 0 : it->second;
}

// Messages

namespace {

constexpr unsigned kWmSetText = 0x000C;
// What ShowWindowAsync leaves in the window's queue for its thread.
constexpr unsigned kWmShowAsync = 0x0018;

void EditSetSel(Window& w, std::uintptr_t wParam, std::intptr_t lParam) {
  std::size_t length = w.text.size();
  auto clip = [&](std::intptr_t v) {
    return v < 0 || static_cast<std::size_t>(v) > length ? length : static_cast<std::size_t>(v);
  };
  if (static_cast<std::intptr_t>(wParam) == -1 || static_cast<std::int32_t>(wParam) == -1) {
    w.selStart = w.selEnd = std::min(w.selEnd, length);  // no selection, caret stays
    return;
  }
  std::size_t start = clip(static_cast<std::int32_t>(wParam)), end = clip(static_cast<std::int32_t>(lParam));
  w.selStart = std::min(start, end);
  w.selEnd = std::max(start, end);
}

void ReplaceSelection(Window& w, const std::string& text) {
  std::size_t start = std::min(w.selStart, w.text.size()), end = std::min(w.selEnd, w.text.size());
  w.text.replace(start, end - start, text);
  w.selStart = w.selEnd = start + text.size();
}

// Another program's thread is busy with what it handles for as long as that
// takes; the thread and time are taken before, as handling may destroy the
// window.  A handler with a message loop of its own answers sent messages
// meanwhile.
void BusyFor(std::uint32_t thread, std::uint64_t takes, bool ownLoop = false) {
  if (!takes || IsOwnThread(thread)) return;
  if (!ownLoop) return KeepBusy(thread, takes);
  World& world = W();
  Thread& t = world.threads[thread];
  t.ownLoopUntil = std::max(t.ownLoopUntil, world.now + takes);
  world.scheduled.push_back({t.ownLoopUntil, ++world.seq, nullptr});
}

// The program activated another thread's window: that thread handles its
// activation, in its own time.
void ActivatedByUs(Hwnd window) { BusyFor(ThreadOf(window), HandlingTime(window, sim::kWmActivate)); }

}  // namespace

std::intptr_t HandleMessage(Hwnd window, Message& m) {
  World& world = W();
  Window* w = Find(window);
  if (!w) return 0;
  m.time = world.now;
  m.window = window;
  TakeKey(m);
  std::intptr_t result = 0;
  bool edit = w->className == "Edit";
  bool changed = false;
  switch (m.message) {
    case platform::kWmGetTextLength:
      result = w->reportedLength.value_or(static_cast<std::intptr_t>(w->text.size()));
      break;
    case platform::kWmGetText:
      if (m.wParam > 0 && m.lParam != 0) {
        std::size_t n = std::min<std::size_t>(m.wParam - 1, w->text.size());
        char* buffer = reinterpret_cast<char*>(m.lParam);
        std::memcpy(buffer, w->text.data(), n);
        buffer[n] = 0;
        result = static_cast<std::intptr_t>(n);
      }
      break;
    case kWmSetText:
      if (m.lParam) m.text = reinterpret_cast<const char*>(m.lParam);
      w->text = m.text;
      w->selStart = w->selEnd = 0;
      changed = edit;
      result = 1;
      break;
    case platform::kEmSetSel:
      if (edit) EditSetSel(*w, m.wParam, m.lParam);
      break;
    case platform::kEmReplaceSel:
      if (m.lParam) m.text = reinterpret_cast<const char*>(m.lParam);
      if (edit && !w->ignoresReplaceSel) {
        ReplaceSelection(*w, m.text);
        changed = true;
      }
      break;
    case platform::kWmChar:
      if (edit && (!w->keyboardOnly || m.keyDown)) {
        std::string typed;
        if (m.wParam > 0xFF) typed += static_cast<char>((m.wParam >> 8) & 0xFF);
        typed += static_cast<char>(m.wParam & 0xFF);
        ReplaceSelection(*w, typed);
        changed = true;
      }
      break;
    case sim::kWmActivate:
      Activate(window, false);
      break;
    case platform::kWmImeControl:
      result = AnswerImeControl(window, m.wParam);
      break;
    case kWmShowAsync:
      // The window's own thread restores it and activates it within its own
      // input state; bringing it to the foreground is the caller's business.
      w->visible = true;
      sim::SetMinimized(window, false);
      Activate(window, false);
      ActivatedByUs(window);
      break;
    default:
      break;
  }
  w->received.push_back(m);
  auto reactions = w->reactions;  // a reaction may add or remove others
  for (auto& reaction : reactions) reaction(m);
  TranslateKey(m);
  if (changed) TextChanged(window);
  // Last: the handler may make windows, which moves w.
  if (m.message == kWmHotKey && window == world.bar.bar) {
    InOwnHandler in;
    Report("OnHotKey", static_cast<long>(m.wParam)), events::OnHotKey(static_cast<int>(m.wParam));
  }
  return result;
}

// Windows keeps a program from changing one that runs above it: what it
// posts or sends there is dropped, but for messages that only read.
bool BlockedAbove(Hwnd window, unsigned message) {
  return message != platform::kWmNull && message != platform::kWmGetText && message != platform::kWmGetTextLength &&
         IntegrityAboveOwn(window);
}

// The clock

namespace {

bool Deliverable(const Message& m, bool ownLoop) {
  std::uint32_t thread = ThreadOf(m.window);
  if (IsOwnThread(thread)) return ownLoop;
  return W().threads.count(thread) && !IsHung(thread) && (!m.posted || !InOwnLoop(thread));
}

// Delivers the first deliverable message of the queue (sent ones whose
// sender gave up come first), of one thread when given; false when there is
// none.
bool DeliverOne(bool ownLoop, std::uint32_t onlyThread = 0) {
  auto& posted = W().posted;
  for (std::size_t i = 0; i < posted.size(); ++i) {
    if (!Find(posted[i].window)) {
      posted.erase(posted.begin() + i--);
      continue;
    }
    if (!Deliverable(posted[i], ownLoop)) continue;
    if (onlyThread && ThreadOf(posted[i].window) != onlyThread) continue;
    Message m = posted[i];
    posted.erase(posted.begin() + i);
    const std::uint64_t takes = HandlingTime(m.window, m.message);
    const std::uint32_t thread = ThreadOf(m.window);
    const bool runsOwnLoop = W().windows[m.window].ownLoop.count(m.message) > 0;
    HandleMessage(m.window, m);
    BusyFor(thread, takes, runsOwnLoop);
    return true;
  }
  return false;
}

}  // namespace

// A thread that has just answered a sent message takes the next message
// waiting in its queue, as its message loop would.
void TakeNextMessage(std::uint32_t thread) {
  if (!IsOwnThread(thread) && !IsHung(thread)) DeliverOne(false, thread);
}

// Leaves a sent message whose sender gave up in its thread's queue.
void LeaveInQueue(Message m) {
  auto& queue = W().posted;
  queue.insert(std::find_if(queue.begin(), queue.end(), [](const Message& p) { return p.posted; }), m);
}

// False when the wait gave up first: on a helper thread at its deadline.
bool WaitWhileHung(std::uint32_t thread) {
  if (IsOwnThread(thread) || !IsHung(thread)) return true;
  Log("... waits on thread %u", thread);
  World& world = W();
  // A helper thread is waited for only until its deadline; what it waits on
  // goes on without the program.
  const bool helper = world.helper.thread != 0;
  RunUntil(helper ? world.helper.deadline : world.now + kForeverMs, false, [thread] { return !IsHung(thread); });
  if (!IsHung(thread)) return true;
  if (helper) world.helper.timedOut = true, world.helper.stuckOn = thread;
  return false;
}

// Whether a helper thread left at its deadline is still stuck; once what it
// waited on has answered, the rest of its work happens and it ends.
bool HelperStillStuck() {
  World& world = W();
  HelperRun& stuck = world.stuckHelper;
  if (!stuck.thread) return false;
  if (IsHung(stuck.stuckOn)) return true;
  // Its call returns only once the thread has handled what it was left.
  for (const Message& m : world.posted)
    if (!m.posted && ThreadOf(m.window) == stuck.stuckOn) return true;
  HelperRun ending = std::move(stuck);
  stuck = {};
  ending.timedOut = false;
  const auto steps = std::move(ending.afterwards);
  std::swap(world.helper, ending);
  for (const auto& step : steps) step();
  std::swap(world.helper, ending);
  world.threads.erase(ending.thread);
  return false;
}

void SendToOwn(std::function<void()> handle) {
  World& world = W();
  if (world.handlerDepth == 0 || world.lettingSentIn) {
    InOwnHandler in;
    handle();
  } else {
    world.sentToOwn.push_back(std::move(handle));
  }
}

InOwnHandler::InOwnHandler() { ++W().handlerDepth; }

InOwnHandler::~InOwnHandler() {
  World& world = W();
  while (world.handlerDepth == 1 && !world.sentToOwn.empty()) {
    auto next = std::move(world.sentToOwn.front());
    world.sentToOwn.erase(world.sentToOwn.begin());
    next();
  }
  --world.handlerDepth;
}

void RunUntil(std::uint64_t target, bool ownLoop, const std::function<bool()>& done) {
  World& world = W();
  bool timers = ownLoop && world.loopDepth == 0;
  if (ownLoop) ++world.loopDepth;
  for (;;) {
    if (done && done()) break;
    HelperStillStuck();
    if (DeliverOne(ownLoop && timers)) continue;
    // The next scripted action or timer, whichever comes first.
    const auto action = std::min_element(world.scheduled.begin(), world.scheduled.end(), [](auto& a, auto& b) {
      return a.time < b.time || (a.time == b.time && a.seq < b.seq);
    });
    std::uint64_t next = action == world.scheduled.end() ? UINT64_MAX : action->time;
    std::size_t timer = SIZE_MAX;
    if (timers)
      for (std::size_t i = 0; i < world.timers.size(); ++i)
        if (std::max(world.timers[i].due, world.now) < next) next = std::max(world.timers[i].due, world.now), timer = i;
    if (next > target) break;
    world.now = std::max(world.now, next);
    if (timer != SIZE_MAX) {
      // One tick however many periods have passed; the next a full period on.
      Timer& t = world.timers[timer];
      t.due = world.now + t.interval;
      unsigned id = t.id;
      if (t.window != world.bar.bar) continue;
      Report("OnTimer", id);
      // A tick is one of the bar's handlers: what other programs send the
      // bar meanwhile waits for it.
      InOwnHandler in;
      if (auto reaction = world.tickReaction) reaction(id);  // a copy: it may set another
      events::OnTimer(id);
      continue;
    }
    std::function<void()> run = std::move(action->action);
    world.scheduled.erase(action);
    if (run) run();
  }
  if (!(done && done())) world.now = std::max(world.now, target);
  if (ownLoop) --world.loopDepth;
}

}  // namespace sim::detail

// Scene API

namespace sim {

using namespace detail;

void Reset() {
  World& world = W();
  std::vector<Window> windows = std::move(world.windows);
  windows.clear();
  world = World{};
  world.windows = std::move(windows);  // keeps its capacity
  world.windows.resize(2);
  world.windows[1].alive = true;  // the desktop
  world.windows[1].className = "#32769";
  world.windows[1].rect = {0, 0, kScreenWidth, kScreenHeight};
  world.windows[1].visible = true;
  world.queues.push_back({});
  world.threads[kOwnThread] = {kOwnProcess, false, 0};
  world.processes.push_back({0, "", "[System Process]"});
  world.processes.push_back({kOwnProcess, kOwnExePath, "lingbo.exe"});
  ResetFiles();
}

std::uint64_t Now() { return W().now; }

void Advance(std::uint64_t milliseconds) { RunUntil(W().now + milliseconds, true); }

void At(std::uint64_t delay, std::function<void()> action) {
  World& world = W();
  world.scheduled.push_back({world.now + delay, ++world.seq, std::move(action)});
}

Hwnd CreateWindow(const WindowSpec& shape) { return NewWindow(shape); }
void DestroyWindow(Hwnd window) { Destroy(window); }

void SetText(Hwnd window, const std::string& text) { SetIn(Find(window), &Window::text, text); }
void IgnoreReplaceSel(Hwnd edit) { SetIn(Find(edit), &Window::ignoresReplaceSel, true); }

std::string TextOf(Hwnd window) { return Find(window) ? Find(window)->text : std::string(); }
void SetVisible(Hwnd window, bool visible) { SetIn(Find(window), &Window::visible, visible); }
void SetMinimized(Hwnd window, bool minimized) {
  Window* w = Find(window);
  if (!w || w->parent || w->minimized == minimized) return;
  w->minimized = minimized;
  if (minimized && W().foreground == window) W().foreground = 0;
  Moved(window);
}
bool IsMinimized(Hwnd window) { return Find(window) && Find(window)->minimized; }
void BringToTop(Hwnd window) { BringWindowToTop(window); }

void SetFocus(Hwnd window) {
  Window* w = Find(window);
  if (!w) return;
  InputQueue& q = QueueOf(w->thread);
  Hwnd root = RootOf(window);
  if (q.active != root) Activate(root, false);
  q.focus = window;
}
void SetForeground(Hwnd window) { Activate(RootOf(window), true); }
Hwnd Foreground() { return Find(W().foreground) ? W().foreground : 0; }
Hwnd ActiveWindowOf(std::uint32_t thread) { return QueueOf(thread).active; }
int InputAttachments() { return static_cast<int>(W().attachments.size()); }
void RefuseForeground(bool refuse) { W().refuseForeground = refuse; }

void SetHandlingTime(Hwnd window, unsigned message, std::uint64_t ms, bool ownLoop) {
  Window* w = Find(window);
  if (!w) return;
  w->handlingMs[message] = ms;
  if (ownLoop)
    w->ownLoop.insert(message);
  else
    w->ownLoop.erase(message);
}

void PostFromClient(Hwnd window, unsigned message, std::uintptr_t wParam) {
  if (Find(window)) W().posted.push_back({0, window, message, wParam, 0, true, {}, false, false});
}

void SetHung(std::uint32_t thread, bool hung) {
  Thread* t = ThreadAt(thread);
  if (!t) return;
  if (hung && !t->hung) t->hungSince = W().now;
  t->hung = hung;
}
void SetReportedTextLength(Hwnd window, std::intptr_t length) { SetIn(Find(window), &Window::reportedLength, length); }

std::vector<Message> Received(Hwnd window) {
  auto& windows = W().windows;
  if (window <= 0 || static_cast<std::size_t>(window) >= windows.size()) return {};
  return windows[window].received;
}
void OnMessage(Hwnd window, Reaction reaction) {
  if (Window* w = Find(window)) w->reactions.push_back(std::move(reaction));
}

std::vector<Call> Calls() { return W().calls; }
std::vector<Call> Events() { return W().events; }
void OnTick(std::function<void(unsigned)> reaction) { W().tickReaction = std::move(reaction); }
void ClearCalls() { W().calls.clear(); }
void ClearHistory() {
  World& world = W();
  world.calls.clear();
  world.events.clear();
  for (Window& w : world.windows) w.received.clear();
}
int OpenHandles() { return static_cast<int>(W().handles.size()); }

}  // namespace sim

// The seam: windows of other programs, focus and input

namespace platform {

using namespace sim::detail;

std::vector<Hwnd> EnumWindows() { return Logged(W().topLevel, "EnumWindows()"); }

std::int32_t GetWindowLongA(Hwnd window, int index) {
  const Window* w = Logged(Find(window), "GetWindowLongA(%d,%d)", window, index);
  if (!w || index != kGwlStyle) return 0;
  std::uint32_t style = w->parent ? 0x40000000u : (w->owner || w->role == Role::kBar ? 0x80000000u : 0x00CF0000u);
  if (w->visible) style |= kWsVisible;
  if (w->minimized) style |= 0x20000000u;
  if (!w->enabled) style |= 0x08000000u;
  return static_cast<std::int32_t>(style);
}

bool IsWindow(Hwnd window) { return Logged(Find(window) != nullptr, "IsWindow(%d)", window); }

bool SendMessageTimeoutA(Hwnd window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam, unsigned flags,
                         unsigned timeoutMs, std::intptr_t* result) {
  std::string shown = Hex(lParam);
  if ((message == kEmReplaceSel || message == 0x000C) && lParam)
    shown = '"' + std::string(reinterpret_cast<const char*>(lParam)) + '"';
  else if (message == kWmGetText && lParam)
    shown = "buf";
  Log("SendMessageTimeoutA(%d,%s,%llu,%s)", window, Hex(message).c_str(), static_cast<unsigned long long>(wParam),
      shown.c_str());
  World& world = W();
  Window* w = Find(window);
  if (!w || BlockedAbove(window, message)) return false;
  const std::uint32_t thread = w->thread;
  sim::Message m{0, window, message, wParam, lParam, false, {}, false, false};
  if (IsOwnThread(thread)) {
    std::intptr_t r = HandleMessage(window, m);
    if (result) *result = r;
    return true;
  }
  const Thread& t = world.threads[thread];
  // A thread that has not answered for a while counts as hung, and then
  // SMTO_ABORTIFHUNG gives up without sending.
  const std::uint64_t silentSince = t.hung ? t.hungSince : t.busySince;
  if ((flags & kSmtoAbortIfHung) && IsHung(thread) && world.now - silentSince >= kHungAfterMs) return false;
  // While it waits, the caller handles what other programs send it, unless
  // it said SMTO_BLOCK.
  const bool wasLettingIn = world.lettingSentIn;
  world.lettingSentIn = !(flags & kSmtoBlock);
  const std::uint64_t deadline = world.now + timeoutMs;
  bool answered = false;
  RunUntil(deadline, false, [&] { return !IsHung(thread) || !Find(window); });
  if (Find(window) && IsHung(thread)) {
    // Given up, but not taken back: the thread handles it when it can.  Its
    // pointer is the caller's no longer, so the text goes along as a copy.
    if (message == kEmReplaceSel && lParam) m.text = reinterpret_cast<const char*>(lParam);
    m.lParam = 0;
    LeaveInQueue(m);
  } else if (Find(window)) {
    const std::uint64_t takes = HandlingTime(window, message);
    std::intptr_t r = HandleMessage(window, m);
    if (takes) {
      KeepBusy(thread, takes);
      // The reply comes when the thread is done with it.
      RunUntil(deadline, false, [&] { return !IsHung(thread) || !Find(window); });
    }
    answered = !IsHung(thread) || !takes;
    if (answered && result) *result = r;
    // Back in its message loop, the thread takes what waits in its queue
    // next, before anything sent after this reply can reach it.
    if (answered) TakeNextMessage(thread);
  }
  world.lettingSentIn = wasLettingIn;
  return answered;
}

// What fits a buffer of maxCount characters with its terminating NUL.
static std::string Fitted(const std::string& text, int maxCount) {
  return maxCount <= 0 ? "" : text.substr(0, static_cast<std::size_t>(maxCount - 1));
}

std::string GetWindowTextA(Hwnd window, int maxCount) {
  const Window* w = Logged(Find(window), "GetWindowTextA(%d,%d)", window, maxCount);
  return w ? Fitted(w->text, maxCount) : "";
}

std::string GetClassNameA(Hwnd window, int maxCount) {
  const Window* w = Logged(Find(window), "GetClassNameA(%d,%d)", window, maxCount);
  return w ? Fitted(w->className, maxCount) : "";
}

// The first of a window's children (the desktop's are the top-level
// windows), or the one after childAfter.
static Hwnd ChildAfter(Hwnd parent, Hwnd childAfter) {
  const auto& children = parent == 1 ? W().topLevel : W().windows[parent].children;
  if (childAfter == 0) return children.empty() ? 0 : children.front();
  auto it = std::find(children.begin(), children.end(), childAfter);
  return it == children.end() || it + 1 == children.end() ? 0 : *(it + 1);
}

Hwnd FindWindowExA(Hwnd parent, Hwnd childAfter, const std::string& className) {
  Log("FindWindowExA(%d,%d%s%s)", parent, childAfter, className.empty() ? "" : ",", className.c_str());
  if (parent == 0) parent = 1;
  if (!Find(parent)) return 0;
  // Class names compare without regard to ASCII case, as Windows does.
  Hwnd child = ChildAfter(parent, childAfter);
  while (child != 0 && !className.empty() && Lower(W().windows[child].className) != Lower(className))
    child = ChildAfter(parent, child);
  return child;
}

Hwnd GetDesktopWindow() { return Logged<Hwnd>(1, "GetDesktopWindow()"); }

Hwnd GetWindow(Hwnd window, unsigned command) {
  const Window* w = Logged(Find(window), "GetWindow(%d,%u)", window, command);
  if (!w) return 0;
  if (command == kGwChild) return ChildAfter(window, 0);
  if (command == 4) return w->owner;  // GW_OWNER
  // GW_HWNDFIRST, GW_HWNDLAST and GW_HWNDPREV are not simulated: nothing
  // asks for them.
  if (window == 1 || command != kGwHwndNext) return 0;
  return ChildAfter(w->parent ? w->parent : 1, window);
}

Hwnd GetAncestor(Hwnd window, unsigned flags) {
  const Window* w = Logged(Find(window), "GetAncestor(%d,%u)", window, flags);
  if (!w || window == 1) return 0;
  if (flags == kGaParent) return w->parent ? w->parent : 1;
  Hwnd root = RootOf(window);
  if (flags == kGaRootOwner)
    while (Find(root) && W().windows[root].owner) root = W().windows[root].owner;
  return flags == kGaRoot || flags == kGaRootOwner ? root : 0;
}

Hwnd GetParent(Hwnd window) {
  const Window* w = Logged(Find(window), "GetParent(%d)", window);
  if (!w) return 0;
  return w->parent ? w->parent : w->owner;
}

std::uint32_t GetWindowThreadProcessId(Hwnd window, std::uint32_t* processId) {
  const Window* w = Logged(Find(window), "GetWindowThreadProcessId(%d)", window);
  if (!w) return 0;
  if (processId) *processId = w->process;
  return w->thread;
}

bool ShowWindowAsync(Hwnd window, int command) {
  const Window* w = Logged(Find(window), "ShowWindowAsync(%d,%d)", window, command);
  if (!w) return false;
  if (IsOwnThread(w->thread)) return ShowWindow(window, command);
  if (command != kSwRestore || !w->minimized) return true;
  // Left in the window's queue: its thread restores it when it gets there.
  W().posted.push_back({0, window, kWmShowAsync, 0, 0, true, {}, false, false});
  return true;
}

bool SetForegroundWindow(Hwnd window) {
  const Window* w = Logged(Find(window), "SetForegroundWindow(%d)", window);
  if (!w || w->parent || W().refuseForeground) return false;  // only top-level windows
  if (!IsOwnThread(w->thread) && IsHung(w->thread)) {
    // The switch returns at once; the window's thread is to handle its
    // activation, which waits in its queue meanwhile.
    W().foreground = window;
    BringWindowToTop(window);
    return true;
  }
  // A window already in front and active is sent nothing.
  const bool already = W().foreground == window && QueueOf(w->thread).active == window;
  Activate(window, true);
  if (!already) ActivatedByUs(window);
  return true;
}

Hwnd SetActiveWindow(Hwnd window) {
  const Window* w = Logged(Find(window), "SetActiveWindow(%d)", window);
  InputQueue& own = QueueOf(CallingThread());
  // Only a top-level window of a thread that shares the caller's input state.
  if (!w || w->parent || &QueueOf(w->thread) != &own) return 0;
  Hwnd previous = own.active;
  if (previous == window) return previous;
  // A change of the active window is sent to the window's thread, and the
  // caller waits for it to be handled.
  const std::uint32_t thread = w->thread;
  const bool foreground = W().foreground == previous && previous != 0;
  if (!WaitWhileHung(thread)) {
    LeaveInQueue({0, window, sim::kWmActivate, 0, 0, false, {}, false, false});
    return previous;
  }
  if (!Find(window)) return 0;
  Activate(window, foreground);
  ActivatedByUs(window);
  WaitWhileHung(thread);
  return previous;
}

Hwnd GetForegroundWindow() { return Logged(Find(W().foreground) ? W().foreground : 0, "GetForegroundWindow()"); }

bool GetGUIThreadInfo(std::uint32_t thread, GuiThreadInfo* info) {
  Log("GetGUIThreadInfo(%u)", thread);
  World& world = W();
  if (thread == 0) thread = ThreadOf(world.foreground);
  if (!world.threads.count(thread)) return false;
  const InputQueue& q = QueueOf(thread);
  if (info) *info = {Find(q.active) ? q.active : 0, Find(q.focus) ? q.focus : 0};
  return true;
}

bool AttachThreadInput(std::uint32_t attach, std::uint32_t attachTo, bool doAttach) {
  Log("AttachThreadInput(%u,%u,%d)", attach, attachTo, doAttach ? 1 : 0);
  World& world = W();
  if (world.helper.timedOut) {
    // The helper is still inside the call it was left in: this comes later.
    world.helper.afterwards.push_back([=] { AttachThreadInput(attach, attachTo, doAttach); });
    return true;
  }
  if (attach == attachTo || !world.threads.count(attach) || !world.threads.count(attachTo)) return false;
  auto pair = std::make_pair(attach, attachTo);
  auto found = std::find(world.attachments.begin(), world.attachments.end(), pair);
  if (doAttach) {
    if (found == world.attachments.end()) world.attachments.push_back(pair);
  } else {
    if (found == world.attachments.end()) return false;
    world.attachments.erase(found);
  }
  // Attaching and detaching reset both threads' key state: a key the trader
  // holds reads as up to them until it is pressed again.
  world.threadKeys.erase(attach);
  world.threadKeys.erase(attachTo);
  // Threads joined by attachments share one input state.  When a group
  // splits, each part keeps the focus and active window that belong to it.
  std::map<std::uint32_t, std::uint32_t> group;
  for (auto& t : world.threads) group[t.first] = t.first;
  std::function<std::uint32_t(std::uint32_t)> top = [&](std::uint32_t t) {
    return group[t] == t ? t : group[t] = top(group[t]);
  };
  for (auto& a : world.attachments) group[top(a.first)] = top(a.second);
  std::map<std::uint32_t, int> newQueue;
  std::vector<InputQueue> queues;
  for (auto& t : world.threads)
    if (newQueue.emplace(top(t.first), static_cast<int>(queues.size())).second) queues.push_back({});
  // Each group takes the focus and active window that belong to its own
  // threads, the attached-to thread's state first.
  std::vector<std::uint32_t> order{attachTo};
  for (auto& t : world.threads)
    if (t.first != attachTo) order.push_back(t.first);
  for (std::uint32_t id : order) {
    const InputQueue& old = world.queues[world.threads[id].queue];
    InputQueue& now = queues[newQueue[top(id)]];
    auto mine = [&](Hwnd h) { return Find(h) && top(ThreadOf(h)) == top(id); };
    if (!now.focus && mine(old.focus)) now.focus = old.focus;
    if (!now.active && mine(old.active)) now.active = old.active;
  }
  for (auto& t : world.threads) t.second.queue = newQueue[top(t.first)];
  world.queues = std::move(queues);
  return true;
}

bool PostMessageA(Hwnd window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  Log("PostMessageA(%d,%s,%llu,%s)", window, Hex(message).c_str(), static_cast<unsigned long long>(wParam),
      Hex(lParam).c_str());
  if (!Find(window) || BlockedAbove(window, message)) return false;
  W().posted.push_back({0, window, message, wParam, lParam, true, {}, false, false});
  return true;
}

std::uint32_t GetCurrentThreadId() { return Logged(CallingThread(), "GetCurrentThreadId()"); }

bool RunOnHelperThread(std::function<void()> work, unsigned timeoutMs) {
  Log("RunOnHelperThread(%u)", timeoutMs);
  World& world = W();
  if (world.helper.thread || HelperStillStuck()) return false;  // one at a time
  // A thread of the program's own, with an input state of its own, for the
  // length of the work.  The work runs at once up to a wait on another
  // thread that outlasts the deadline; the helper stays stuck there, and the
  // rest of the work happens once that thread has answered.
  const std::uint32_t helper = sim::AddThread(sim::kOwnProcess);
  world.helper = {helper, world.now + timeoutMs};
  work();
  const bool ended = !world.helper.timedOut;
  if (ended)
    world.threads.erase(helper);
  else
    world.stuckHelper = std::move(world.helper);
  world.helper = {};
  return ended;
}

bool HelperThreadBusy() {
  Log("HelperThreadBusy()");
  return HelperStillStuck();
}

void Sleep(unsigned milliseconds) {
  Log("Sleep(%u)", milliseconds);
  RunUntil(W().now + milliseconds, false);
}

std::uint64_t GetTickCount64() { return Logged(W().now, "GetTickCount64()"); }

LocalTime GetLocalTime() {
  Log("GetLocalTime()");
  const std::uint64_t ms = sim::kClockStartsAt + W().now;
  return {static_cast<int>(ms / 3600000 % 24), static_cast<int>(ms / 60000 % 60), static_cast<int>(ms / 1000 % 60),
          static_cast<int>(ms % 1000)};
}

}  // namespace platform
