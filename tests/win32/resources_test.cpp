// The executable's resources and the file, profile and tray details of the
// real platform layer.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "lingbo_version.h"
#include "platform/platform.h"
#include "platform/win32/win32.h"

namespace {

std::vector<std::uint8_t> OwnVersionBlock() {
  const std::string self = platform::GetModuleFileNameA();
  const std::uint32_t size = platform::GetFileVersionInfoSizeA(self);
  std::vector<std::uint8_t> block;
  EXPECT_GT(size, 0u);
  EXPECT_TRUE(platform::GetFileVersionInfoA(self, size, &block));
  return block;
}

TEST(Resources, VersionInformationIsChineseAndNamesTheProgram) {
  const auto block = OwnVersionBlock();
  std::string translation;
  ASSERT_TRUE(platform::VerQueryValueA(block, "\\VarFileInfo\\Translation", &translation));
  EXPECT_EQ(translation, std::string("\x04\x08\xb0\x04", 4));
  struct Case {
    const char* name;
    std::string value;
  } const cases[] = {
      {"FileDescription", "凌波助手"},
      {"ProductName", "凌波助手"},
      {"FileVersion", LINGBO_VERSION_TEXT},
      {"ProductVersion", LINGBO_VERSION_TEXT},
  };
  for (const Case& c : cases) {
    std::string value;
    ASSERT_TRUE(platform::VerQueryValueA(block, std::string("\\StringFileInfo\\080404b0\\") + c.name, &value))
        << c.name;
    EXPECT_EQ(value, c.value) << c.name;  // GBK bytes, without the NUL
  }
  std::string description;
  platform::VerQueryValueA(block, "\\StringFileInfo\\080404b0\\FileDescription", &description);
  for (const char* marker : {"网上交易", "网上股票交易", "V6主框架模块", "机构版主程序"}) {
    EXPECT_EQ(description.find(marker), std::string::npos) << "the program must never pass for the trading client";
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
  struct Case {
    std::string tip;
    std::size_t kept;
  } const cases[] = {
      {"凌波助手", 8},
      {std::string(62, 'a'), 62},
      {std::string(80, 'a'), 62},
      {std::string(61, 'a') + "凌", 61},  // the lead byte alone would fit: dropped with its trail
      {std::string(60, 'a') + "凌波", 62},
      {std::string("a\xB0"), 1},  // a lead byte without its trail byte
      {"", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(win32::TrayTipLength(c.tip), c.kept) << c.tip;
}

class Files : public ::testing::Test {
 protected:
  void SetUp() override {
    char directory[MAX_PATH];
    ::GetTempPathA(sizeof directory, directory);
    path = std::string(directory) + "lingbo_win32_test.ini";
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(path.c_str());
  }
  void TearDown() override {
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(path.c_str());
  }
  std::string path;
};

TEST_F(Files, ProfileRoundTripsGbkNamesAndHonoursTheBufferSize) {
  EXPECT_EQ(platform::GetPrivateProfileStringA("软件设置", "左边", "100", 32, path), "100");
  ASSERT_TRUE(platform::WritePrivateProfileStringA("软件设置", "左边", "-500", path));
  ASSERT_TRUE(platform::WritePrivateProfileStringA("代码表", "浦发银行", "600000", path));
  ASSERT_TRUE(platform::WritePrivateProfileStringA("软件设置", "买入键", "", path));
  struct Case {
    const char* section;
    const char* key;
    std::uint32_t size;
    std::string expected;
  } const cases[] = {
      {"软件设置", "左边", 32, "-500"}, {"代码表", "浦发银行", 32, "600000"}, {"代码表", "浦发银行", 4, "600"},
      {"软件设置", "买入键", 32, ""},   {"软件设置", "左边", 0, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::GetPrivateProfileStringA(c.section, c.key, "x", c.size, path), c.expected) << c.key;
  }
  FILE* file = std::fopen(path.c_str(), "rb");
  ASSERT_NE(file, nullptr);
  char bytes[256] = {};
  std::fread(bytes, 1, sizeof bytes - 1, file);
  std::fclose(file);
  EXPECT_NE(std::string(bytes).find("[软件设置]"), std::string::npos) << "written as GBK bytes";
}

TEST_F(Files, ReadOnlyFileIsStillReadable) {
  FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fputs("STKINFO", file);
  std::fclose(file);
  ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
  const platform::Handle handle = platform::OpenExistingFileShared(path);
  ASSERT_NE(handle, platform::kInvalidHandle);
  char buffer[16] = {};
  std::uint32_t read = 0;
  EXPECT_TRUE(platform::ReadFile(handle, buffer, sizeof buffer, &read));
  EXPECT_EQ(std::string(buffer, read), "STKINFO");
  EXPECT_TRUE(platform::CloseHandle(handle));
  EXPECT_EQ(platform::OpenExistingFileShared(path + ".missing"), platform::kInvalidHandle);
}

TEST(OwnProcess, SnapshotsNameTheRunningExecutable) {
  const std::string self = platform::GetModuleFileNameA();
  const std::string exeName = self.substr(self.find_last_of('\\') + 1);
  const platform::Handle processes = platform::CreateToolhelp32Snapshot(platform::kTh32csSnapAll, 0);
  ASSERT_NE(processes, platform::kInvalidHandle);
  bool found = false;
  platform::ProcessEntry entry;
  for (bool more = platform::Process32First(processes, &entry); more;
       more = platform::Process32Next(processes, &entry)) {
    found = found || (entry.processId == ::GetCurrentProcessId() && entry.exeFile == exeName);
  }
  platform::CloseHandle(processes);
  EXPECT_TRUE(found) << exeName;

  const platform::Handle modules = platform::CreateToolhelp32Snapshot(platform::kTh32csSnapModule, 0);
  ASSERT_NE(modules, platform::kInvalidHandle);
  platform::ModuleEntry module;
  EXPECT_TRUE(platform::Module32First(modules, &module));
  EXPECT_EQ(::lstrcmpiA(module.exePath.c_str(), self.c_str()), 0) << module.exePath;
  platform::CloseHandle(modules);
}

}  // namespace
