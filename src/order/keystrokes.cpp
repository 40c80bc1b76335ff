#include "order/keystrokes.h"

namespace {

constexpr std::int32_t kVkMenu = 0x12;

}  // namespace

bool IsExtendedKey(std::int32_t keyCode) {
  if (keyCode >= 0x21 && keyCode <= 0x2F) return true;
  switch (keyCode) {
    case 0x5B:
    case 0x5C:
    case 0x5D:
    case 0x6F:
    case 0x90:
      return true;
    default:
      return false;
  }
}

std::uint32_t MakeKeyLParam(std::int32_t keyCode, bool keyDown) {
  // Byte 3: bit 29 says Alt is held (only while VK_MENU itself goes down),
  // bits 30 and 31 mark a release, bit 24 an extended key.
  std::uint32_t flags = keyDown ? (keyCode == kVkMenu ? 0x20u : 0x00u) : 0xC0u;
  if (IsExtendedKey(keyCode)) flags += 1;
  const std::uint32_t scanCode =
      platform::MapVirtualKeyA(static_cast<std::uint32_t>(keyCode), platform::kMapvkVkToVsc) & 0xFFu;
  return flags << 24 | scanCode << 16 | 1u;
}

void PostKeyPress(platform::Hwnd window, std::int32_t keyCode) {
  // The key code goes out exactly as configured, all 32 bits, unchecked:
  // whatever the trading client binds to it is its own business.
  const auto wParam = static_cast<std::uintptr_t>(static_cast<std::uint32_t>(keyCode));
  platform::PostMessageA(window, platform::kWmKeyDown, wParam,
                         static_cast<std::intptr_t>(MakeKeyLParam(keyCode, true)));
  platform::PostMessageA(window, platform::kWmKeyUp, wParam, static_cast<std::intptr_t>(MakeKeyLParam(keyCode, false)));
}
