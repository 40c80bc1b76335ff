// The simulated keyboard: keys typed into the foreground thread's queue, the
// key state each thread learns from them, and the layout.
#include <algorithm>

#include "platform/sim/world.h"

namespace sim::detail {

namespace {

constexpr int kVkShift = 0x10, kVkControl = 0x11, kVkMenu = 0x12;

// The key a character comes from on the default layout, for the digits, all
// the program types; 0 for anything else.
int KeyOf(std::uintptr_t character) { return character >= '0' && character <= '9' ? static_cast<int>(character) : 0; }

constexpr std::intptr_t kDefaultLayout = 0x08040804;

std::set<int>* KeysOf(std::uint32_t thread) { return W().threads.count(thread) ? &W().threadKeys[thread] : nullptr; }

}  // namespace

bool IntegrityAboveOwn(Hwnd window) {
  const Window* w = Find(window);
  const Process* other = w ? ProcessOf(w->process) : nullptr;
  return other && other->integrity > ProcessOf(kOwnProcess)->integrity;
}

// A key typed, by the trader or SendInput.
static void TypeKey(int vk, unsigned scan, bool up) {
  World& world = W();
  if (up)
    world.keyboard.erase(vk);
  else
    world.keyboard.insert(vk);
  const Hwnd front = Find(world.foreground) ? world.foreground : 0;
  if (!front) return;
  const Hwnd focus = QueueOf(ThreadOf(front)).focus;
  const Hwnd to = Find(focus) ? focus : front;
  const unsigned message = up ? platform::kWmKeyUp : platform::kWmKeyDown;
  const auto lParam = static_cast<std::intptr_t>((up ? 0xC0000000u : 0u) | (scan & 0xFFu) << 16 | 1u);
  world.posted.push_back({0, to, message, static_cast<std::uintptr_t>(vk), lParam, true, {}, true, false});
}

std::intptr_t AnswerImeControl(Hwnd window, std::uintptr_t question) {
  for (const auto& [thread, ime] : W().inputMethods) {
    if (ime.window != window) continue;
    if (question == platform::kImcGetOpenStatus) return ime.open ? 1 : 0;
    if (question == platform::kImcGetConversionMode) return static_cast<std::intptr_t>(ime.conversion);
  }
  return 0;
}

void TakeKey(Message& m) {
  if (m.message != platform::kWmKeyDown && m.message != platform::kWmKeyUp && m.message != platform::kWmChar) return;
  std::set<int>* keys = KeysOf(ThreadOf(m.window));
  if (!keys) return;
  const int vk = m.message == platform::kWmChar ? KeyOf(m.wParam) : static_cast<int>(m.wParam);
  if (m.input && m.message == platform::kWmKeyDown) keys->insert(vk);
  if (m.input && m.message == platform::kWmKeyUp) keys->erase(vk);
  m.keyDown = keys->count(vk) > 0;
}

// TranslateMessage: the character of a typed key goes into the queue at
// once, ahead of the keys typed after it.
void TranslateKey(const Message& m) {
  if (!m.input || m.message != platform::kWmKeyDown) return;
  const std::uint32_t thread = ThreadOf(m.window);
  const std::set<int>* keys = KeysOf(thread);
  if (!keys || keys->count(kVkShift) || keys->count(kVkControl) || keys->count(kVkMenu)) return;
  if (!KeyOf(m.wParam)) return;
  Message c = m;
  c.message = platform::kWmChar;
  c.keyDown = false;
  // An open input method in full-width mode makes the digit's GBK full-width
  // form.
  auto ime = W().inputMethods.find(thread);
  if (ime != W().inputMethods.end() && ime->second.open && (ime->second.conversion & platform::kImeCmodeFullShape))
    c.wParam = 0xA3B0 + (m.wParam - '0');
  auto& queue = W().posted;
  queue.insert(std::find_if(queue.begin(), queue.end(),
                            [thread](const Message& p) { return p.input && ThreadOf(p.window) == thread; }),
               c);
}

}  // namespace sim::detail

namespace sim {

using namespace detail;

void PressKey(int vk, bool down) { TypeKey(vk, 0, !down); }

void TakeOnlyKeyboardInput(Hwnd edit) {
  if (Window* w = Find(edit)) w->keyboardOnly = w->ignoresReplaceSel = true;
}

void LimitInput(int events) { W().inputLimit = events; }

void SetKeyboardLayout(std::uint32_t thread, std::intptr_t layout) { W().layouts[thread] = layout; }

void SetInputMethod(std::uint32_t thread, bool open, std::uint32_t conversion) {
  World::InputMethod& ime = W().inputMethods[thread];
  if (!Find(ime.window)) ime.window = NewWindow({"IME", "Default IME", 0, thread, 0, 0, false});
  ime.open = open;
  ime.conversion = conversion;
}

void HoldHotKey(unsigned modifiers, unsigned vk) { W().hotKeysElsewhere.insert({modifiers, vk}); }

void PressHotKey(unsigned modifiers, unsigned vk, std::uint64_t holdMs) {
  World& world = W();
  std::vector<int> held;
  for (const auto& [flag, key] : {std::pair{platform::kModControl, kVkControl}, std::pair{platform::kModAlt, kVkMenu},
                                  std::pair{platform::kModShift, kVkShift}, std::pair{platform::kModWin, 0x5B}}) {
    if (!(modifiers & flag)) continue;
    TypeKey(key, 0, false);
    held.push_back(key);
  }
  for (const HotKeyRecord& h : world.hotKeys)
    if (h.modifiers == modifiers && h.vk == vk)
      world.posted.push_back({0, h.window, kWmHotKey, static_cast<std::uintptr_t>(h.id), 0, true, {}, false, false});
  At(holdMs, [held] {
    for (const int key : held) TypeKey(key, 0, true);
  });
}

}  // namespace sim

namespace platform {

using namespace sim::detail;

unsigned SendInput(const std::vector<KeyInput>& keys) {
  std::string shown;
  for (const KeyInput& k : keys) shown += (shown.empty() ? "" : ",") + Hex(k.vk) + (k.up ? "u" : "d");
  Log("SendInput(%s)", shown.c_str());
  World& world = W();
  // A locked desktop takes none at all; Windows drops input meant for a
  // program above us, and says it took it.
  std::size_t inserted = keys.size();
  if (world.inputLimit >= 0) inserted = std::min(inserted, static_cast<std::size_t>(world.inputLimit));
  if (IntegrityAboveOwn(world.foreground)) return static_cast<unsigned>(inserted);
  for (std::size_t i = 0; i < inserted; ++i) TypeKey(keys[i].vk, keys[i].scan, keys[i].up);
  return static_cast<unsigned>(inserted);
}

std::int16_t GetAsyncKeyState(int vk) {
  return Logged<std::int16_t>(W().keyboard.count(vk) ? 0x8000 : 0, "GetAsyncKeyState(%d)", vk);
}

Hwnd ImmGetDefaultIMEWnd(Hwnd window) {
  Log("ImmGetDefaultIMEWnd(%d)", window);
  auto it = W().inputMethods.find(ThreadOf(window));
  return it != W().inputMethods.end() && Find(it->second.window) ? it->second.window : 0;
}

std::intptr_t GetKeyboardLayout(std::uint32_t thread) {
  Log("GetKeyboardLayout(%u)", thread);
  if (thread == 0) thread = CallingThread();
  if (!W().threads.count(thread)) return 0;
  auto it = W().layouts.find(thread);
  return it == W().layouts.end() ? kDefaultLayout : it->second;
}

std::int16_t VkKeyScanExA(char character, std::intptr_t layout) {
  Log("VkKeyScanExA(%d,0x%llx)", character, static_cast<unsigned long long>(layout));
  // Only the digits: on a French layout they need Shift.
  const int key = KeyOf(static_cast<unsigned char>(character));
  if (!key) return -1;
  return static_cast<std::int16_t>((layout & 0xFFFF) == 0x040C ? 0x100 | key : key);
}

}  // namespace platform
