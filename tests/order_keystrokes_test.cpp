#include <cstdint>
#include <tuple>
#include <vector>

#include "order/keystrokes.h"
#include "support/client_scene.h"
#include "support/test_fixture.h"

namespace {

using platform::kWmKeyDown;
using platform::kWmKeyUp;

class KeystrokesTest : public SimTest {};

// What a physical key stroke carries, with the usual PC keyboard layout, and
// what the client gets of a press: the pair, posted, down first, the key code
// unchanged in wParam, and nothing else (no WM_CHAR, no WM_SYSKEYDOWN even for
// Alt or F10); nothing at all once the window is gone.
//
// Whatever the key: repeat count 1, no reserved bits, the previous-state and
// transition bits on the release only, the Alt bit on VK_MENU's press only,
// and bit 24 on exactly the extended keys, the navigation block 0x21..0x2F and
// 0x5B, 0x5C, 0x5D, 0x6F, 0x90 (none of their neighbours, nor right Ctrl/Alt
// or the function keys).
TEST_F(KeystrokesTest, EachKeyIsPostedAsOnePressAndReleaseWithItsLParam) {
  const std::tuple<const char*, std::int32_t, std::uint32_t, std::uint32_t> cases[] = {
      {"F1", 112, 0x003B0001, 0xC03B0001},
      {"F2", 113, 0x003C0001, 0xC03C0001},
      {"F3", 114, 0x003D0001, 0xC03D0001},
      {"F4", 115, 0x003E0001, 0xC03E0001},
      {"F10", 0x79, 0x00440001, 0xC0440001},
      {"Delete (extended)", 0x2E, 0x01530001, 0xC1530001},
      {"VK_MENU (Alt bit on the press only)", 0x12, 0x20380001, 0xC0380001},
      {"0 (no scan code)", 0, 0x00000001, 0xC0000001},
      {"above 255 (no scan code)", 0x170, 0x00000001, 0xC0000001},
      {"far above 255", 0x12345, 0x00000001, 0xC0000001},
      {"negative (no scan code)", -1, 0x00000001, 0xC0000001},
  };
  for (const auto& [name, keyCode, down, up] : cases) {
    EXPECT_EQ(MakeKeyLParam(keyCode, true), down) << name;
    EXPECT_EQ(MakeKeyLParam(keyCode, false), up) << name;
    const platform::Hwnd client = AddTradingClient().window;
    PostKeyPress(client, keyCode);
    sim::Advance(1);
    std::vector<std::tuple<bool, unsigned, std::uintptr_t, std::uint32_t>> got;
    for (const sim::Message& m : sim::Received(client))
      got.emplace_back(m.posted, m.message, m.wParam, static_cast<std::uint32_t>(m.lParam));
    const std::uintptr_t wParam = static_cast<std::uint32_t>(keyCode);  // -1 arrives as 0xFFFFFFFF
    EXPECT_EQ(got, (decltype(got){{true, kWmKeyDown, wParam, down}, {true, kWmKeyUp, wParam, up}})) << name;
  }
  // A handle that is no longer a window: posting fails quietly.
  const platform::Hwnd client = AddTradingClient().window;
  sim::DestroyWindow(client);
  const std::size_t before = sim::Received(client).size();
  PostKeyPress(client, 112);
  sim::Advance(1);
  EXPECT_EQ(sim::Received(client).size(), before);

  // The flags of every key, beyond the table's.
  for (std::int32_t key = -2; key < 0x200; ++key) {
    const bool extended =
        (key >= 0x21 && key <= 0x2F) || key == 0x5B || key == 0x5C || key == 0x5D || key == 0x6F || key == 0x90;
    for (bool down : {true, false}) {
      const std::uint32_t lParam = MakeKeyLParam(key, down);
      EXPECT_EQ(lParam & 0xFFFF, 1u) << key;
      EXPECT_EQ(lParam >> 24, (down ? 0x00u : 0xC0u) | (extended ? 0x01u : 0u) | (down && key == 0x12 ? 0x20u : 0u))
          << std::hex << key << " " << down;
    }
  }
}

}  // namespace
