#include "support/test_fixture.h"

#include <set>

#include "app/app_state.h"
#include "app/key_settings_window.h"
#include "app/main_bar.h"
#include "app/status_window.h"
#include "settings/code_cache.h"
#include "text/text.h"

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

std::vector<std::pair<std::string, SimTest::IniEntries>> SimTest::IniSections() {
  const std::string file = sim::FileContent(IniPath());
  std::vector<std::pair<std::string, IniEntries>> sections;
  std::set<std::string> sectionNames, keys;
  for (std::size_t start = 0; start < file.size();) {
    const std::size_t end = file.find("\r\n", start);
    if (end == std::string::npos) {
      ADD_FAILURE() << "a line without CR LF at byte " << start;
      break;
    }
    const std::string line = file.substr(start, end - start);
    start = end + 2;
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      EXPECT_EQ(line.back(), ']') << line;
      sections.push_back({line.substr(1, line.size() - 2), {}});
      EXPECT_TRUE(sectionNames.insert(LowerAscii(sections.back().first)).second) << "section twice: " << line;
      keys.clear();
      continue;
    }
    const std::size_t equals = line.find('=');
    EXPECT_TRUE(!sections.empty() && equals != std::string::npos && equals > 0) << "not an entry: " << line;
    if (sections.empty() || equals == std::string::npos) continue;
    EXPECT_TRUE(keys.insert(LowerAscii(line.substr(0, equals))).second) << "key twice: " << line;
    sections.back().second.emplace_back(line.substr(0, equals), line.substr(equals + 1));
  }
  return sections;
}

SimTest::IniEntries SimTest::IniSection(const std::string& section) {
  for (const auto& [name, entries] : IniSections())
    if (name == section) return entries;
  return {};
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

platform::Hwnd SimTest::CreateHidden(sim::WindowSpec shape) {
  shape.visible = false;
  return sim::CreateWindow(shape);
}
