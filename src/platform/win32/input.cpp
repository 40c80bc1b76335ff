// Focus and input: the calls that bring another program forward and feed it keys.
#include <memory>
#include <vector>

#include "platform/win32/win32.h"

#include <imm.h>

namespace platform {

using win32::FromHwnd;
using win32::ToHwnd;

bool ShowWindowAsync(Hwnd window, int command) { return ::ShowWindowAsync(ToHwnd(window), command) != FALSE; }
bool SetForegroundWindow(Hwnd window) { return ::SetForegroundWindow(ToHwnd(window)) != FALSE; }
Hwnd SetActiveWindow(Hwnd window) { return FromHwnd(::SetActiveWindow(ToHwnd(window))); }
Hwnd GetForegroundWindow() { return FromHwnd(::GetForegroundWindow()); }

bool GetGUIThreadInfo(std::uint32_t thread, GuiThreadInfo* info) {
  GUITHREADINFO gui{};
  gui.cbSize = sizeof gui;
  if (!::GetGUIThreadInfo(thread, &gui)) return false;
  if (info) *info = {FromHwnd(gui.hwndActive), FromHwnd(gui.hwndFocus)};
  return true;
}

bool AttachThreadInput(std::uint32_t attach, std::uint32_t attachTo, bool doAttach) {
  return ::AttachThreadInput(attach, attachTo, doAttach ? TRUE : FALSE) != FALSE;
}

bool PostMessageA(Hwnd window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  return ::PostMessageA(ToHwnd(window), message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam)) != FALSE;
}

unsigned MapVirtualKeyA(unsigned code, unsigned mapType) { return ::MapVirtualKeyA(code, mapType); }

unsigned SendInput(const std::vector<KeyInput>& keys) {
  if (keys.empty()) return 0;
  std::vector<INPUT> inputs(keys.size());
  for (std::size_t i = 0; i < keys.size(); ++i) {
    inputs[i].type = INPUT_KEYBOARD;
    inputs[i].ki.wVk = keys[i].vk;
    inputs[i].ki.wScan = keys[i].scan;
    inputs[i].ki.dwFlags = (keys[i].up ? KEYEVENTF_KEYUP : 0) | (keys[i].extended ? KEYEVENTF_EXTENDEDKEY : 0);
  }
  return ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

std::int16_t GetAsyncKeyState(int vk) { return static_cast<std::int16_t>(::GetAsyncKeyState(vk)); }

std::intptr_t GetKeyboardLayout(std::uint32_t thread) {
  return reinterpret_cast<std::intptr_t>(::GetKeyboardLayout(thread));
}

std::int16_t VkKeyScanExA(char character, std::intptr_t layout) {
  return static_cast<std::int16_t>(::VkKeyScanExA(character, reinterpret_cast<HKL>(layout)));
}
Hwnd ImmGetDefaultIMEWnd(Hwnd window) { return FromHwnd(::ImmGetDefaultIMEWnd(ToHwnd(window))); }

std::uint32_t GetCurrentThreadId() { return ::GetCurrentThreadId(); }

namespace {

DWORD WINAPI RunWork(void* parameter) {
  std::unique_ptr<std::function<void()>> work(static_cast<std::function<void()>*>(parameter));
  // A message queue of its own, which attaching input needs.
  MSG message;
  ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
  (*work)();
  return 0;
}

// The helper thread of the last work, kept until it has ended: one stuck in
// another program stays attached to that program's input, and a second one
// beside it would only pile up.
struct HelperThread {
  HANDLE handle = nullptr;
  ~HelperThread() { Close(); }
  void Close() {
    if (handle) ::CloseHandle(handle);
    handle = nullptr;
  }
  bool Running() const { return handle && ::WaitForSingleObject(handle, 0) == WAIT_TIMEOUT; }
};
HelperThread helper;

}  // namespace

bool HelperThreadBusy() { return helper.Running(); }

bool RunOnHelperThread(std::function<void()> work, unsigned timeoutMs) {
  if (helper.Running()) return false;
  helper.Close();
  // The thread owns its copy of the work: it may outlive this call.
  auto owned = std::make_unique<std::function<void()>>(std::move(work));
  helper.handle = ::CreateThread(nullptr, 0, RunWork, owned.get(), 0, nullptr);
  if (!helper.handle) return false;
  owned.release();
  // Not a message wait: nothing of ours may run until it is over.
  return ::WaitForSingleObject(helper.handle, timeoutMs) == WAIT_OBJECT_0;
}

bool GetCursorPos(Point* point) {
  POINT position{};
  if (!::GetCursorPos(&position)) return false;
  if (point) *point = {position.x, position.y};
  return true;
}

}  // namespace platform
