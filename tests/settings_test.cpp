// new.ini: where it lives, how names are cleaned, and the start-up load with
// its repairs.
#include <string>
#include <tuple>
#include <utility>

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
  const std::pair<const char*, const char*> cases[] = {
      {sim::kOwnExePath, "C:\\lingbo\\new.ini"},
      // Split at the last backslash that is a character of its own.
      {"D:\\工具\\凌波誠.exe", "D:\\工具\\new.ini"},
  };
  for (const auto& [exe, ini] : cases) {
    sim::MoveOwnExecutable(exe);
    ResetSettingsPath();
    EXPECT_EQ(SettingsPath(), ini) << exe;
  }
}

TEST_F(SettingsTest, NamesLoseLeadingBlanksAndEmptyNamesReadNothing) {
  sim::WriteFile(IniPath(), "[软件设置]\r\n买入键=120\r\n");
  const std::tuple<const char*, const char*, const char*, const char*> cases[] = {
      {"软件设置", "买入键", "d", "120"},
      {" \t软件设置", "\x01\x1f 买入键", "d", "120"},
      {"软件设置", "卖出键", " 7", " 7"},  // the default keeps its blanks
      {"软件设置", " \r\n", "d", ""},      // no key: "", not the default
      {"", "买入键", "d", ""},
      {"   ", "买入键", "d", ""},
  };
  for (const auto& [section, key, defaultValue, expected] : cases) {
    EXPECT_EQ(ReadSetting(section, key, defaultValue), expected) << "[" << section << "] " << key;
  }
  // Writes without a name are dropped.
  sim::RemoveFile(IniPath());
  WriteSetting(kSettingsSection, "", "1");
  WriteSetting(" ", "买入键", "1");
  EXPECT_FALSE(sim::FileExists(IniPath()));
}

// A position is the leading number of a value cut to the buffer.
TEST_F(SettingsTest, FirstLoadRepairsEveryKeyWritesNoSourceAndReadsPositionsAsLeadingNumbers) {
  const Settings first = LoadSettings();
  EXPECT_EQ(std::tie(first.left, first.top, first.source, first.buyKey, first.sellKey, first.functionKey),
            std::make_tuple(100, 100, QuoteSource::kDzh, 112, 113, 114));
  const IniEntries expected = {
      {"键码表", "F1[112],F2[113],F3[114],F4[115],依此类推"}, {"买入键", "112"}, {"卖出键", "113"}, {"功能键", "114"}};
  EXPECT_EQ(IniSection(kSettingsSection), expected);

  sim::WriteFile(IniPath(), "[软件设置]\r\n左边=-250" + std::string(19996, 'x') + "\r\n顶边=abc\r\n");
  const std::string value = ReadSetting(kSettingsSection, "左边", "100");
  EXPECT_EQ(value.size(), 10239u);
  EXPECT_EQ(value.substr(0, 5), "-250x");
  const Settings loaded = LoadSettings();
  EXPECT_EQ(std::tie(loaded.left, loaded.top), std::make_tuple(-250, 0));
}

// Keys and source are read or repaired.  "输入方式" 1 types the code, 2 types
// it on the keyboard; anything else, or nothing, replaces, and the program
// only reads it.
TEST_F(SettingsTest, StoredValuesAreReadOrRepaired) {
  const std::string keys = "买入键=112\r\n卖出键=113\r\n功能键=114\r\n";
  struct Case {
    std::string stored;  // the lines of "软件设置"
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
      {"数据源=1\r\n" + keys, 112, 113, 114, QuoteSource::kTrader, false},
      {"数据源=１\r\n" + keys, 112, 113, 114, QuoteSource::kTrader, false},
      {"数据源=2\r\n" + keys, 112, 113, 114, QuoteSource::kTdx, false},
      {"数据源=3\r\n" + keys, 112, 113, 114, QuoteSource::kDzh, false},
      {"数据源=交易师\r\n" + keys, 112, 113, 114, QuoteSource::kDzh, false},
      {"买入键=0\r\n", 112, 113, 114, QuoteSource::kDzh, false, CodeEntry::kReplace, true},
      {"输入方式=0\r\n" + keys, 112, 113, 114, QuoteSource::kDzh, false},
      {"输入方式=1\r\n" + keys, 112, 113, 114, QuoteSource::kDzh, false, CodeEntry::kPosted},
      {"输入方式=１\r\n" + keys, 112, 113, 114, QuoteSource::kDzh, false, CodeEntry::kPosted},
      {"输入方式=2\r\n" + keys, 112, 113, 114, QuoteSource::kDzh, false, CodeEntry::kKeyed},
      {"输入方式=3\r\n" + keys, 112, 113, 114, QuoteSource::kDzh, false},
      {"输入方式=打字\r\n" + keys, 112, 113, 114, QuoteSource::kDzh, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    sim::Reset();
    const std::string before = "[软件设置]\r\n" + c.stored;
    sim::WriteFile(IniPath(), before);
    sim::SetReadOnly(IniPath(), c.readOnly);
    const Settings loaded = LoadSettings();
    EXPECT_EQ(std::tie(loaded.buyKey, loaded.sellKey, loaded.functionKey, loaded.source, loaded.codeEntry),
              std::tie(c.buy, c.sell, c.function, c.source, c.entry));
    EXPECT_EQ(sim::FileContent(IniPath()) != before, c.fileChanged);
  }
}

// "买入热键" and "卖出热键": a combination, or none; read as written, never
// written back, and a value that is no combination is kept for the 状态 window.
TEST_F(SettingsTest, HotKeysAreCombinationsOfModifiersAndOneKey) {
  constexpr unsigned kCtrl = platform::kModControl, kAlt = platform::kModAlt;
  const std::tuple<const char*, unsigned, unsigned, const char*> combinations[] = {
      {"Ctrl+Alt+B", kCtrl | kAlt, 'B', "Ctrl+Alt+B"},
      {"alt+f9", kAlt, 0x78, "Alt+F9"},
      {"Win+Shift+1", platform::kModShift | platform::kModWin, '1', "Shift+Win+1"},
      {"F24", 0, 0x87, "F24"},  // a function key alone takes no typing away
      {" Ctrl + Alt + B ", kCtrl | kAlt, 'B', "Ctrl+Alt+B"},
      {"Ｃｔｒｌ＋Ａｌｔ＋Ｂ", kCtrl | kAlt, 'B', "Ctrl+Alt+B"},
      {"  ", 0, 0, ""},  // none
  };
  for (const auto& [text, modifiers, vk, name] : combinations) {
    HotKey key{99, 99};
    EXPECT_TRUE(ParseHotKey(text, &key)) << text;
    EXPECT_EQ(std::tie(key.modifiers, key.vk), std::tie(modifiers, vk)) << text;
    EXPECT_EQ(HotKeyName(key), name) << text;
  }
  for (const char* text : {"B", "7", "Ctrl+", "Ctrl+Alt", "Ctrl+Alt+Enter", "Ctrl+Al t+B", "Ctrl++B", "B+Ctrl",
                           "Ctrl+B+C", "Ctrl+F25", "Ctrl+F0", "Ctrl+F01", "Control+B", "Ctrl+买"}) {
    HotKey key{99, 99};
    EXPECT_FALSE(ParseHotKey(text, &key)) << text;
    EXPECT_EQ(key.vk, 0u) << text;
  }

  const std::string stored = "[软件设置]\r\n买入热键= ctrl+alt+b \r\n卖出热键=Ctrl+Alt+Enter\r\n";
  sim::WriteFile(IniPath(), stored + "买入键=112\r\n卖出键=113\r\n功能键=114\r\n");
  const Settings loaded = LoadSettings();
  EXPECT_EQ(std::tie(loaded.buyHotKey.text, loaded.buyHotKey.valid, loaded.buyHotKey.key.vk),
            std::make_tuple("ctrl+alt+b", true, unsigned{'B'}));
  EXPECT_EQ(std::tie(loaded.sellHotKey.text, loaded.sellHotKey.valid, loaded.sellHotKey.key.vk),
            std::make_tuple("Ctrl+Alt+Enter", false, 0u));
  EXPECT_EQ(sim::FileContent(IniPath()).substr(0, stored.size()), stored);
}

}  // namespace
