#include "support/test_fixture.h"

#include "app/app_state.h"
#include "app/key_settings_window.h"
#include "app/main_bar.h"
#include "app/status_window.h"
#include "settings/code_cache.h"

void SimTest::SetUp() {
  sim::Reset();
  ResetAppState();
  ResetMainBar();
  ResetKeySettings();
  ResetStatusWindow();
  ResetCodeCache();
}

void SimTest::TearDown() { EXPECT_EQ(sim::OpenHandles(), 0) << "a handle the program opened was left open"; }

std::string SimTest::IniPath() {
  const std::string exe = sim::kOwnExePath;
  return exe.substr(0, exe.rfind('\\')) + "\\new.ini";
}

SimTest::IniEntries SimTest::IniSection(const std::string& section) {
  const std::string content = sim::FileContent(IniPath());
  IniEntries entries;
  bool inSection = false;
  std::size_t start = 0;
  while (start < content.size()) {
    std::size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    std::string line = content.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line.front() == '[') {
      inSection = line == "[" + section + "]";
    } else if (inSection && line.find('=') != std::string::npos) {
      const std::size_t equals = line.find('=');
      entries.emplace_back(line.substr(0, equals), line.substr(equals + 1));
    }
  }
  return entries;
}

void SimTest::StartProgram() {
  if (!StartMainBar()) ADD_FAILURE() << "the bar could not be created";
}

void SimTest::ChooseFromMenu(platform::TrayMenuItem item) {
  sim::ChooseFromTrayMenu(item);
  sim::TrayMouse(platform::kWmContextMenu);
}

platform::Rect SimTest::BarRect() {
  platform::Rect rect;
  platform::GetWindowRect(MainBar().bar, &rect);
  return rect;
}
