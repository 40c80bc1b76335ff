#include "order/activation.h"

namespace {

// How long the bar waits for another program to take its activation; one
// that answers at all takes a few milliseconds.
constexpr unsigned kActivateBoundMs = 250;

// SetActiveWindow and GetFocus only see the calling thread's own input state,
// so for the length of one call we share the other window's.  The attachment
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

bool ForceActivate(platform::Hwnd window) {
  // Already in front: its thread makes it active itself, and asking that
  // thread again would only wait on it.
  if (platform::GetForegroundWindow() == window) return true;
  // SetActiveWindow waits, without a bound, until the window's thread has
  // handled its activation, and clients that refresh their accounts when
  // brought forward stall right there.  So the attach and the activation run
  // on a helper thread that the bar waits for only this long.
  platform::RunOnHelperThread(
      [window] {
        InputAttachment attached(ThreadOf(window));
        platform::SetActiveWindow(window);
      },
      kActivateBoundMs);
  // Only once detached: the foreground switch must not happen while our
  // input state is still tied to the other program's.
  return platform::SetForegroundWindow(window);
}

platform::Hwnd GetForegroundFocus() {
  InputAttachment attached(ThreadOf(platform::GetForegroundWindow()));
  return platform::GetFocus();
}
