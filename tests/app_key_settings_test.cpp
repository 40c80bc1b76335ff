// The key settings window: filling, editing, closing, and the file button.
#include <string>
#include <tuple>
#include <vector>

#include "app/app_state.h"
#include "app/key_settings_window.h"
#include "app/main_bar.h"
#include "platform/events.h"
#include "settings/settings.h"
#include "support/calls.h"
#include "support/test_fixture.h"

namespace {

class KeySettingsTest : public SimTest {
 protected:
  void SetUp() override { Restart(); }
};

TEST_F(KeySettingsTest, OpeningFillsTheBoxesAndEveryChangeIsInForceAndSavedAsTyped) {
  WriteSetting(kSettingsSection, "买入键", "0112");
  sim::RightButtonDown(MainBar().codeLabel);
  const platform::KeySettingsWindows keys = sim::KeySettings();
  ASSERT_GT(keys.window, 0);
  EXPECT_TRUE(platform::IsWindowVisible(keys.window));
  EXPECT_EQ(std::make_tuple(sim::TextOf(keys.buyBox), sim::TextOf(keys.sellBox), sim::TextOf(keys.functionBox)),
            std::make_tuple("112", "113", "114"));
  EXPECT_EQ(ReadSetting(kSettingsSection, "买入键", ""), "112");
  EXPECT_FALSE(platform::IsWindowEnabled(MainBar().bar));
  // Its file button opens new.ini.
  events::OnSettingsFileClicked();
  EXPECT_EQ(ArgumentsOf("ShellExecuteOpen"), std::vector<std::string>{IniPath()});

  // Every change is in force and saved as typed.  Each step: the box typed
  // into, its key in new.ini, its code in force, what is typed, the code.
  const std::tuple<platform::Hwnd, const char*, const std::int32_t*, const char*, std::int32_t> steps[] = {
      {keys.buyBox, "买入键", &AppState.buyKey, "", 0},
      {keys.buyBox, "买入键", &AppState.buyKey, "1", 1},
      {keys.buyBox, "买入键", &AppState.buyKey, "11", 11},
      {keys.buyBox, "买入键", &AppState.buyKey, "113", 113},
      {keys.sellBox, "卖出键", &AppState.sellKey, "-7", -7},
      {keys.sellBox, "卖出键", &AppState.sellKey, "F5", 0},
      {keys.functionBox, "功能键", &AppState.functionKey, "１１５", 115},
      {keys.functionBox, "功能键", &AppState.functionKey, "", 0},
  };
  for (const auto& [box, key, code, typed, expected] : steps) {
    SCOPED_TRACE(std::string(key) + " <- " + typed);
    sim::TypeInto(box, typed);
    EXPECT_EQ(*code, expected);
    EXPECT_EQ(ReadSetting(kSettingsSection, key, "absent"), typed);
  }
  // A non-number is repaired at the next start.
  ResetMainBar();
  ResetKeySettings();
  StartProgram();
  EXPECT_EQ(AppState.sellKey, 113);
  EXPECT_EQ(ReadSetting(kSettingsSection, "卖出键", ""), "113");
}

TEST_F(KeySettingsTest, EscapeGivesTheBarBackItsFormerState) {
  for (bool enabledBefore : {true, false}) {
    SCOPED_TRACE(enabledBefore);
    platform::EnableWindow(MainBar().bar, enabledBefore);
    OpenKeySettings();
    const platform::Hwnd window = sim::KeySettings().window;
    ASSERT_GT(window, 0);
    OpenKeySettings();  // asked for again while it is open: still the one window
    EXPECT_EQ(sim::KeySettings().window, window);
    const std::string before = sim::FileContent(IniPath());
    sim::PressEscape(window);
    events::OnBuyKeyChanged();  // a change reported after the window has gone
    EXPECT_FALSE(platform::IsWindow(window));
    EXPECT_EQ(platform::IsWindowEnabled(MainBar().bar), enabledBefore);
    EXPECT_EQ(sim::FileContent(IniPath()), before);
    EXPECT_EQ(AppState.buyKey, 112);
  }
}

}  // namespace
