// The executable's resources and the tray details of the real platform
// layer; the file and profile calls are stated in the contract suite.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "lingbo_version.h"
#include "platform/platform.h"
#include "platform/win32/win32.h"

namespace {

TEST(Resources, VersionInformationIsChineseAndNamesTheProgram) {
  const std::string self = platform::GetModuleFileNameA();
  const std::uint32_t size = platform::GetFileVersionInfoSizeA(self);
  ASSERT_GT(size, 0u);
  std::vector<std::uint8_t> block;
  ASSERT_TRUE(platform::GetFileVersionInfoA(self, size, &block));
  std::string translation;
  ASSERT_TRUE(platform::VerQueryValueA(block, "\\VarFileInfo\\Translation", &translation));
  EXPECT_EQ(translation, std::string("\x04\x08\xb0\x04", 4));
  const std::pair<const char*, std::string> cases[] = {
      {"FileDescription", "凌波助手"},
      {"ProductName", "凌波助手"},
      {"FileVersion", LINGBO_VERSION_TEXT},
      {"ProductVersion", LINGBO_VERSION_TEXT},
  };
  for (const auto& [name, expected] : cases) {
    std::string value;
    ASSERT_TRUE(platform::VerQueryValueA(block, std::string("\\StringFileInfo\\080404b0\\") + name, &value)) << name;
    EXPECT_EQ(value, expected) << name;  // GBK bytes, without the NUL
    for (const char* marker : {"网上交易", "网上股票交易", "V6主框架模块", "机构版主程序"}) {
      EXPECT_EQ(value.find(marker), std::string::npos)
          << name << ": the program must never pass for the trading client";
    }
  }
  std::string absent;
  EXPECT_FALSE(platform::VerQueryValueA(block, "\\StringFileInfo\\040904E4\\FileDescription", &absent));
  EXPECT_EQ(platform::GetFileVersionInfoSizeA("Z:\\no\\such\\file.exe"), 0u);
}

TEST(Resources, IconHasEverySizeTheShellAsksFor) {
  for (int size : {16, 32, 48, 64}) {
    HICON icon = win32::ProgramIcon(size);
    ASSERT_NE(icon, nullptr) << size;
    ICONINFO info{};
    ASSERT_TRUE(::GetIconInfo(icon, &info));
    BITMAP bitmap{};
    ::GetObjectA(info.hbmColor, sizeof bitmap, &bitmap);
    EXPECT_EQ(bitmap.bmWidth, size);
    EXPECT_EQ(bitmap.bmBitsPixel, 32);
    ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
  }
}

TEST(Tray, TipIsCutToSixtyTwoBytesAtACharacterBoundary) {
  const std::pair<std::string, std::size_t> cases[] = {
      {"凌波助手", 8},
      {std::string(62, 'a'), 62},
      {std::string(80, 'a'), 62},
      {std::string(61, 'a') + "凌", 61},  // the lead byte alone would fit: dropped with its trail
      {std::string(60, 'a') + "凌波", 62},
      {std::string("a\xB0"), 1},  // a lead byte without its trail byte
      {"", 0},
  };
  for (const auto& [tip, kept] : cases) EXPECT_EQ(win32::TrayTipLength(tip), kept) << tip;
}

}  // namespace
