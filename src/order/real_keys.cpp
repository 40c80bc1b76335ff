#include "order/real_keys.h"

#include <vector>

#include "discovery/processes.h"
#include "order/activation.h"
#include "order/keystrokes.h"

namespace {

// Shift, Ctrl, Alt and the two Windows keys: held by the trader, any of them
// turns a digit into a shortcut of the client's.
constexpr int kModifierKeys[] = {0x10, 0x11, 0x12, 0x5B, 0x5C};
// How often a held modifier is looked at again: a trader lets go within a
// few of these.
constexpr unsigned kModifierPollMs = 10;

bool ModifierHeld() {
  for (int vk : kModifierKeys)
    if (platform::GetAsyncKeyState(vk) < 0) return true;
  return false;
}

// Looked at right before the keys go: typed keys reach whatever is in front,
// so a window of any other program, or another field of the client's, would
// take the code.
RealKeys Reaches(platform::Hwnd client, platform::Hwnd field) {
  const std::uint32_t clientProcess = OwnProcessOfWindow(client);
  const platform::Hwnd front = platform::GetForegroundWindow();
  if (clientProcess == 0 || OwnProcessOfWindow(front) != clientProcess) return RealKeys::kNotInFront;
  if (field > 0 && (OwnProcessOfWindow(field) != clientProcess || GetForegroundFocus().focus != field)) {
    return RealKeys::kFocusElsewhere;
  }
  return RealKeys::kTyped;
}

void AddPress(std::vector<platform::KeyInput>* keys, std::int32_t vk) {
  platform::KeyInput key;
  key.vk = static_cast<std::uint16_t>(vk);
  key.scan = static_cast<std::uint16_t>(platform::MapVirtualKeyA(static_cast<unsigned>(vk), platform::kMapvkVkToVsc));
  key.extended = IsExtendedKey(vk);
  keys->push_back(key);
  key.up = true;
  keys->push_back(key);
}

// All keys in one call, so that nothing the trader types comes between them.
RealKeys Send(platform::Hwnd client, platform::Hwnd field, const std::vector<platform::KeyInput>& keys,
              std::uint64_t deadline) {
  if (!ModifiersLetGo(deadline)) return RealKeys::kModifierHeld;
  const RealKeys reach = Reaches(client, field);
  if (reach != RealKeys::kTyped) return reach;
  return platform::SendInput(keys) == keys.size() ? RealKeys::kTyped : RealKeys::kInputCut;
}

}  // namespace

bool ModifiersLetGo(std::uint64_t deadline) {
  for (;;) {
    if (!ModifierHeld()) return true;
    if (platform::GetTickCount64() >= deadline) return false;
    platform::Sleep(kModifierPollMs);
  }
}

RealKeys PressRealKey(platform::Hwnd client, std::int32_t key, std::uint64_t deadline) {
  // Virtual keys run from 1 to 254; a key code beyond is no key to press.
  if (key < 1 || key > 254) return RealKeys::kNoPlainKey;
  std::vector<platform::KeyInput> keys;
  AddPress(&keys, key);
  return Send(client, 0, keys, deadline);
}

RealKeys TypeRealKeys(platform::Hwnd client, platform::Hwnd field, const std::string& code, std::uint64_t deadline) {
  // The client's thread turns the keys into characters on its own layout.
  std::uint32_t processId = 0;
  const std::intptr_t layout = platform::GetKeyboardLayout(platform::GetWindowThreadProcessId(field, &processId));
  std::vector<platform::KeyInput> keys;
  for (char c : code) {
    if (c < '0' || c > '9') return RealKeys::kNoPlainKey;
    const std::int16_t scan = platform::VkKeyScanExA(c, layout);
    // A modifier of ours would mix with the trader's keys: none is pressed.
    if (scan == -1 || (scan & 0xFF00) != 0) return RealKeys::kNoPlainKey;
    AddPress(&keys, scan & 0xFF);
  }
  if (keys.empty()) return RealKeys::kNoPlainKey;
  return Send(client, field, keys, deadline);
}
