#include "order/activation.h"

namespace {

// SetActiveWindow only acts on the calling thread's own input state, so for
// the length of that call we share the other window's.  The attachment
// must never outlive that call: detaching in a destructor keeps it so however
// the scope is left.  The current thread id is asked for again on the way out
// rather than trusted from the way in.
class InputAttachment {
 public:
  explicit InputAttachment(std::uint32_t targetThread) : target_(targetThread) {
    platform::AttachThreadInput(platform::GetCurrentThreadId(), target_, true);
  }
  ~InputAttachment() { platform::AttachThreadInput(platform::GetCurrentThreadId(), target_, false); }
  InputAttachment(const InputAttachment&) = delete;
  InputAttachment& operator=(const InputAttachment&) = delete;

 private:
  std::uint32_t target_;
};

std::uint32_t ThreadOf(platform::Hwnd window) {
  std::uint32_t processId = 0;
  return platform::GetWindowThreadProcessId(window, &processId);
}

}  // namespace

Activation ForceActivate(platform::Hwnd window, unsigned boundMs) {
  // Already in front: its thread makes it active itself, and asking that
  // thread again would only wait on it.
  if (platform::GetForegroundWindow() == window) return Activation::kInFront;
  // SetActiveWindow waits, without a bound, until the window's thread has
  // handled its activation, and clients that refresh their accounts when
  // brought forward stall right there.  So the attach and the activation run
  // on a helper thread that the bar waits for only this long.
  const bool ended = platform::RunOnHelperThread(
      [window] {
        InputAttachment attached(ThreadOf(window));
        platform::SetActiveWindow(window);
      },
      boundMs);
  // Still attached to a client that has not taken its activation: what it
  // does once it does is its own, and nothing more is asked of it now.
  if (!ended) return Activation::kStalled;
  // Only once detached: the foreground switch must not happen while our
  // input state is still tied to the other program's.
  return platform::SetForegroundWindow(window) ? Activation::kInFront : Activation::kRefused;
}

FrontFocus GetForegroundFocus() {
  // Read from outside: attaching to the client's input would reset its key
  // state, and that of whatever the trader types in.
  FrontFocus front;
  front.window = platform::GetForegroundWindow();
  platform::GuiThreadInfo info;
  if (front.window > 0 && platform::GetGUIThreadInfo(ThreadOf(front.window), &info)) front.focus = info.focus;
  return front;
}
