// new.ini: where it lives, how names are cleaned, and the start-up load with
// its repairs.
#include <string>

#include "settings/settings.h"
#include "support/test_fixture.h"

namespace {

// 誠 is the GBK pair D5 5C: its trail byte is a backslash.
static_assert(sizeof("誠") == 3 && "誠"[1] == '\\', "sources must be compiled to GBK");

class SettingsTest : public SimTest {
 protected:
  void TearDown() override {
    ResetSettingsPath();
    SimTest::TearDown();
  }
};

TEST_F(SettingsTest, FileLivesBesideTheExecutable) {
  struct Case {
    const char* exe;
    const char* ini;
  } const cases[] = {
      {sim::kOwnExePath, "C:\\lingbo\\new.ini"},
      // Split at the last backslash that is a character of its own.
      {"D:\\工具\\凌波誠.exe", "D:\\工具\\new.ini"},
  };
  for (const Case& c : cases) {
    sim::MoveOwnExecutable(c.exe);
    ResetSettingsPath();
    EXPECT_EQ(SettingsPath(), c.ini) << c.exe;
  }
}

TEST_F(SettingsTest, NamesLoseLeadingBlanksAndEmptyNamesReadNothing) {
  sim::WriteFile(IniPath(), "[软件设置]\r\n买入键=120\r\n");
  struct Case {
    const char* section;
    const char* key;
    const char* defaultValue;
    const char* expected;
  } cases[] = {
      {"软件设置", "买入键", "d", "120"},
      {" \t软件设置", "\x01\x1f 买入键", "d", "120"},
      {"软件设置", "卖出键", " 7", " 7"},  // the default keeps its blanks
      {"软件设置", " \r\n", "d", ""},      // no key: "", not the default
      {"", "买入键", "d", ""},
      {"   ", "买入键", "d", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadSetting(c.section, c.key, c.defaultValue), c.expected) << "[" << c.section << "] " << c.key;
  }
  // Writes without a name are dropped.
  sim::RemoveFile(IniPath());
  WriteSetting(kSettingsSection, "", "1");
  WriteSetting(" ", "买入键", "1");
  EXPECT_FALSE(sim::FileExists(IniPath()));
}

TEST_F(SettingsTest, PositionIsTheLeadingNumberOfAValueCutToTheBuffer) {
  sim::WriteFile(IniPath(), "[软件设置]\r\n左边=-250" + std::string(19996, 'x') + "\r\n顶边=abc\r\n");
  const std::string value = ReadSetting(kSettingsSection, "左边", "100");
  EXPECT_EQ(value.size(), 10239u);
  EXPECT_EQ(value.substr(0, 5), "-250x");
  const Settings loaded = LoadSettings();
  EXPECT_EQ(loaded.left, -250);
  EXPECT_EQ(loaded.top, 0);
}

TEST_F(SettingsTest, FirstLoadRepairsEveryKeyAndWritesNoSource) {
  const Settings loaded = LoadSettings();
  EXPECT_EQ(loaded.left, 100);
  EXPECT_EQ(loaded.top, 100);
  EXPECT_EQ(loaded.source, QuoteSource::kDzh);
  EXPECT_EQ(loaded.buyKey, 112);
  EXPECT_EQ(loaded.sellKey, 113);
  EXPECT_EQ(loaded.functionKey, 114);
  const IniEntries expected = {
      {"键码表", "F1[112],F2[113],F3[114],F4[115],依此类推"}, {"买入键", "112"}, {"卖出键", "113"}, {"功能键", "114"}};
  EXPECT_EQ(IniSection(kSettingsSection), expected);
}

// Keys and source are read or repaired.  "输入方式" 1 types the code, 2 types
// it on the keyboard; anything else, or nothing, replaces, and the program
// only reads it.
TEST_F(SettingsTest, StoredValuesAreReadOrRepaired) {
  struct Case {
    const char* stored;  // the lines of "软件设置"
    std::int32_t buy, sell, function;
    QuoteSource source;
    bool fileChanged;
    CodeEntry entry = CodeEntry::kReplace;
    bool readOnly = false;  // repaired values stay in force all the same
  } cases[] = {
      {"买入键=0x71\r\n卖出键=113\r\n功能键=114\r\n", 112, 113, 114, QuoteSource::kDzh, true},
      {"买入键=112\r\n卖出键=-5\r\n功能键=114\r\n", 112, 113, 114, QuoteSource::kDzh, true},
      {"买入键=112abc\r\n卖出键=0\r\n功能键=114\r\n", 112, 113, 114, QuoteSource::kDzh, true},
      {"买入键=300\r\n卖出键=113\r\n功能键=１１６\r\n", 300, 113, 116, QuoteSource::kDzh, false},
      {"数据源=1\r\n买入键=112\r\n卖出键=113\r\n功能键=114\r\n", 112, 113, 114, QuoteSource::kTrader, false},
      {"数据源=１\r\n买入键=112\r\n卖出键=113\r\n功能键=114\r\n", 112, 113, 114, QuoteSource::kTrader, false},
      {"数据源=2\r\n买入键=112\r\n卖出键=113\r\n功能键=114\r\n", 112, 113, 114, QuoteSource::kTdx, false},
      {"数据源=3\r\n买入键=112\r\n卖出键=113\r\n功能键=114\r\n", 112, 113, 114, QuoteSource::kDzh, false},
      {"数据源=交易师\r\n买入键=112\r\n卖出键=113\r\n功能键=114\r\n", 112, 113, 114, QuoteSource::kDzh, false},
      {"买入键=0\r\n", 112, 113, 114, QuoteSource::kDzh, false, CodeEntry::kReplace, true},
      {"输入方式=0\r\n买入键=112\r\n卖出键=113\r\n功能键=114\r\n", 112, 113, 114, QuoteSource::kDzh, false},
      {"输入方式=1\r\n买入键=112\r\n卖出键=113\r\n功能键=114\r\n", 112, 113, 114, QuoteSource::kDzh, false,
       CodeEntry::kType},
      {"输入方式=１\r\n买入键=112\r\n卖出键=113\r\n功能键=114\r\n", 112, 113, 114, QuoteSource::kDzh, false,
       CodeEntry::kType},
      {"输入方式=2\r\n买入键=112\r\n卖出键=113\r\n功能键=114\r\n", 112, 113, 114, QuoteSource::kDzh, false,
       CodeEntry::kRealKeys},
      {"输入方式=3\r\n买入键=112\r\n卖出键=113\r\n功能键=114\r\n", 112, 113, 114, QuoteSource::kDzh, false},
      {"输入方式=打字\r\n买入键=112\r\n卖出键=113\r\n功能键=114\r\n", 112, 113, 114, QuoteSource::kDzh, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    sim::Reset();
    const std::string before = "[软件设置]\r\n" + std::string(c.stored);
    sim::WriteFile(IniPath(), before);
    sim::SetReadOnly(IniPath(), c.readOnly);
    const Settings loaded = LoadSettings();
    EXPECT_EQ(loaded.buyKey, c.buy);
    EXPECT_EQ(loaded.sellKey, c.sell);
    EXPECT_EQ(loaded.functionKey, c.function);
    EXPECT_EQ(loaded.source, c.source);
    EXPECT_EQ(loaded.codeEntry, c.entry);
    EXPECT_EQ(sim::FileContent(IniPath()) != before, c.fileChanged);
  }
}

}  // namespace
