#include "order/real_keys.h"

#include <algorithm>
#include <vector>

#include "discovery/processes.h"
#include "discovery/windows.h"
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

// Looked at right before the keys go: keyed keys reach whatever is in front,
// so a window of any other program, or another field of the client's, would
// take the code.  *why says what stands in the way.
bool Reaches(platform::Hwnd client, platform::Hwnd field, Keyed* why) {
  const std::uint32_t clientProcess = OwnProcessOfWindow(client);
  const FrontFocus front = GetForegroundFocus();
  if (clientProcess == 0 || OwnProcessOfWindow(front.window) != clientProcess) {
    *why = Keyed::kNotInFront;
    return false;
  }
  if (field > 0 && (OwnProcessOfWindow(field) != clientProcess || front.focus != field)) {
    *why = Keyed::kFocusElsewhere;
    return false;
  }
  return true;
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

// How long the client's input method may take to say what mode it is in.
constexpr unsigned kImeAnswerMs = 200;

// Whether the input method of the field's thread would not let the digits
// through as they are: open in full-width mode, or in its native (Chinese)
// mode, where a composition it holds takes digits as its choices.  Asked of
// its default IME window, which answers for the thread from outside; one
// that does not answer in time counts as in the way.
bool InputMethodInTheWay(platform::Hwnd field, std::uint64_t deadline) {
  const platform::Hwnd ime = platform::ImmGetDefaultIMEWnd(field);
  if (ime <= 0) return false;
  const auto ask = [&](unsigned question, std::intptr_t* answer) {
    const unsigned bound = BoundBefore(deadline, kImeAnswerMs);
    return bound > 0 && platform::SendMessageTimeoutA(ime, platform::kWmImeControl, question, 0,
                                                      platform::kSmtoBlock | platform::kSmtoAbortIfHung, bound, answer);
  };
  std::intptr_t open = 0, mode = 0;
  if (!ask(platform::kImcGetOpenStatus, &open)) return true;
  if (open == 0) return false;
  if (!ask(platform::kImcGetConversionMode, &mode)) return true;
  return (mode & (platform::kImeCmodeFullShape | platform::kImeCmodeNative)) != 0;
}

// The ups of the keys whose downs went in and whose ups did not: a key left
// down would repeat, or hold a modifier for whatever the trader types next.
std::vector<platform::KeyInput> OwedUps(const std::vector<platform::KeyInput>& keys, std::size_t inserted) {
  std::vector<platform::KeyInput> owed;
  for (std::size_t i = 0; i < inserted && i < keys.size(); ++i) {
    const auto same = [&](const platform::KeyInput& k) { return k.vk == keys[i].vk; };
    if (keys[i].up) {
      owed.erase(std::remove_if(owed.begin(), owed.end(), same), owed.end());
    } else if (std::none_of(owed.begin(), owed.end(), same)) {
      owed.push_back(keys[i]);
      owed.back().up = true;
    }
  }
  return owed;
}

// All keys in one call, so that nothing the trader types comes between them.
Keyed Send(platform::Hwnd client, platform::Hwnd field, const std::vector<platform::KeyInput>& keys,
           std::uint64_t deadline) {
  if (!ModifiersLetGo(deadline)) return Keyed::kModifierHeld;
  Keyed why = Keyed::kKeyed;
  if (!Reaches(client, field, &why)) return why;
  const unsigned inserted = platform::SendInput(keys);
  if (inserted == keys.size()) return Keyed::kKeyed;
  const std::vector<platform::KeyInput> owed = OwedUps(keys, inserted);
  if (!owed.empty()) platform::SendInput(owed);
  return Keyed::kInputCut;
}

}  // namespace

bool ModifiersLetGo(std::uint64_t deadline) {
  for (;;) {
    if (!ModifierHeld()) return true;
    if (platform::GetTickCount64() >= deadline) return false;
    platform::Sleep(kModifierPollMs);
  }
}

Keyed KeyPress(platform::Hwnd client, std::int32_t key, std::uint64_t deadline) {
  // Virtual keys run from 1 to 254; a key code beyond is no key to press.
  if (key < 1 || key > 254) return Keyed::kNoPlainKey;
  std::vector<platform::KeyInput> keys;
  AddPress(&keys, key);
  return Send(client, 0, keys, deadline);
}

Keyed KeyDigits(platform::Hwnd client, platform::Hwnd field, const std::string& code, std::uint64_t deadline) {
  // The client's thread turns the keys into characters on its own layout.
  std::uint32_t processId = 0;
  const std::intptr_t layout = platform::GetKeyboardLayout(platform::GetWindowThreadProcessId(field, &processId));
  std::vector<platform::KeyInput> keys;
  for (char c : code) {
    if (c < '0' || c > '9') return Keyed::kNoPlainKey;
    const std::int16_t scan = platform::VkKeyScanExA(c, layout);
    // A modifier of ours would mix with the trader's keys: none is pressed.
    if (scan == -1 || (scan & 0xFF00) != 0) return Keyed::kNoPlainKey;
    AddPress(&keys, scan & 0xFF);
  }
  if (keys.empty()) return Keyed::kNoPlainKey;
  if (InputMethodInTheWay(field, deadline)) return Keyed::kInputMethod;
  return Send(client, field, keys, deadline);
}
