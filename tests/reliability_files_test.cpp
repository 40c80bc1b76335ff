// Bad files: new.ini missing, read-only, garbage, huge values, keys in another
// encoding, a code cache of 10,000 titles; code tables empty, without records,
// unopenable or of 64 MB.  The program runs on with sane values, and new.ini
// stays a profile file whose "软件设置" holds exactly what the program and the
// user wrote.
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "app/app_state.h"
#include "app/key_settings_window.h"
#include "app/main_bar.h"
#include "platform/sim/sim.h"
#include "quote/dzh_reader.h"
#include "settings/code_cache.h"
#include "settings/settings.h"
#include "support/code_table.h"
#include "support/dzh_scene.h"
#include "support/test_fixture.h"
#include "text/text.h"

namespace {

using Entries = std::map<std::string, std::string>;

class BadFiles : public SimTest {};

// Start-up over what a user's disk may hold under the name new.ini.
TEST_F(BadFiles, StartUpOverAnyNewIni) {
  std::mt19937 random(20240607);
  std::string garbage(4096, '\0');
  for (char& c : garbage) c = static_cast<char>(random());
  const std::string megabyte(1 << 20, '7');
  // "软件设置" and its keys as UTF-8 bytes: another encoding, other names.
  const std::string utf8 =
      "[\xE8\xBD\xAF\xE4\xBB\xB6\xE8\xAE\xBE\xE7\xBD\xAE]\r\n"
      "\xE4\xB9\xB0\xE5\x85\xA5\xE9\x94\xAE=120\r\n\xE5\xB7\xA6\xE8\xBE\xB9=300\r\n";
  // Name, whether the file exists, its content, the buy key the program runs
  // on, and whether what was there is still there, byte for byte.
  const int left = 100, top = 100;  // whatever the file says: where a first start puts the bar
  const std::tuple<const char*, bool, std::string, std::int32_t, bool> cases[] = {
      {"missing", false, "", 112, false},
      {"empty", true, "", 112, true},
      {"binary garbage", true, garbage, 112, true},
      {"no line ends", true, "[软件设置]买入键=120左边=5", 112, true},
      // The leading number decides; a position that far lies on no monitor,
      // and the bar comes back where a first start puts it.
      {"1 MB position", true, "[软件设置]\r\n左边=-20 " + megabyte + "\r\n顶边=" + megabyte + "\r\n", 112, false},
      {"position beyond 32 bits", true, "[软件设置]\r\n左边=99999999999\r\n顶边=-99999999999\r\n", 112, false},
      {"1 MB key code", true, "[软件设置]\r\n买入键=" + megabyte + "\r\n", 2147483647, true},
      {"UTF-8 names", true, utf8, 112, true},
      {"lone CRs and NULs", true, std::string("[软件设置]\r买入键=120\r\0\r\n卖出键=7\n", 34), 112, true},
  };
  for (const auto& [name, exists, content, buyKey, keepsOriginal] : cases) {
    SCOPED_TRACE(name);
    SetUp();
    if (exists) sim::WriteFile(IniPath(), content);
    StartProgram();

    EXPECT_EQ(AppState.buyKey, buyKey);
    EXPECT_GE(AppState.sellKey, 1);
    EXPECT_GE(AppState.functionKey, 1);
    EXPECT_EQ(std::make_pair(BarRect().left, BarRect().top), std::make_pair(left, top));
    EXPECT_TRUE(!keepsOriginal || sim::FileContent(IniPath()).compare(0, content.size(), content) == 0)
        << "the user's bytes changed";
    // Whatever was there, what the program wrote reads back as written.
    EXPECT_EQ(TextToInt(ReadSetting(kSettingsSection, "买入键", "")), AppState.buyKey);
    EXPECT_EQ(TextToInt(ReadSetting(kSettingsSection, "左边", "")), left);
    EXPECT_EQ(TextToInt(ReadSetting(kSettingsSection, "顶边", "")), top);
    EXPECT_EQ(ReadSetting(kSettingsSection, "功能键", ""), std::to_string(AppState.functionKey));
    TearDown();
  }
}

TEST_F(BadFiles, ReadOnlyNewIniLeavesTheProgramRunningOnWhatItHolds) {
  const std::string original = "[软件设置]\r\n买入键=0\r\n左边=40\r\n顶边=50\r\n";
  sim::WriteFile(IniPath(), original);
  sim::SetReadOnly(IniPath());
  StartDzh("D:\\dzh\\dzh.exe", "大智慧", 1, {"招商银行"});

  StartProgram();
  EXPECT_EQ(AppState.buyKey, 112) << "repaired in memory though the file cannot be";
  EXPECT_EQ(BarRect().left, 40);
  OpenKeySettings();
  sim::TypeInto(sim::KeySettings().sellBox, "120");
  EXPECT_EQ(AppState.sellKey, 120);
  sim::PressEscape(sim::KeySettings().window);
  platform::MoveWindow(MainBar().bar, 300, 200, 120, 24, true);
  ChooseFromMenu(platform::TrayMenuItem::kTrader);
  EXPECT_EQ(GetQuoteSource(), QuoteSource::kTrader);
  ChooseFromMenu(platform::TrayMenuItem::kDzh);

  // Nothing can be cached, so each tick resolves the title again: the code
  // is still right every time.
  sim::Advance(5000);
  EXPECT_EQ(AppState.currentCode, "600036");
  EXPECT_EQ(sim::FileContent(IniPath()), original);
}

TEST_F(BadFiles, TenThousandCachedTitles) {
  std::string file = "[软件设置]\r\n买入键=112\r\n卖出键=113\r\n功能键=114\r\n左边=100\r\n顶边=100\r\n[代码表]\r\n";
  for (int i = 0; i < 10000; ++i) file += "证券" + std::to_string(i) + "=" + std::to_string(600000 + i) + "\r\n";
  sim::WriteFile(IniPath(), file);
  StartProgram();
  EXPECT_EQ(sim::FileContent(IniPath()), file) << "start-up had nothing to repair";

  for (int i : {0, 1, 4999, 9999}) EXPECT_EQ(LookupCachedCode("证券" + std::to_string(i)), std::to_string(600000 + i));
  DzhAttachment dzh{0, 0, "D:\\dzh\\dzh.exe", "", "", ""};
  EXPECT_EQ(ResolveDzhCode("新证券", dzh), "新证券");
  EXPECT_EQ(sim::FileContent(IniPath()), file + "新证券=新证券\r\n") << "one entry added at the end, none changed";
}

// The 大智慧 code tables in every bad shape; the code falls back to the title
// and every file opened is closed again (the fixture checks the handles).  A
// huge table is scanned without being held, and a Shanghai table that cannot
// be opened leaves Shenzhen's unread.
TEST_F(BadFiles, CodeTablesOfEveryBadShape) {
  const std::string sh = "D:\\dzh\\data\\sh\\STKINFO60.DAT", sz = "D:\\dzh\\data\\sz\\STKINFO60.DAT";
  const std::string shenzhen = code_table::Table(code_table::ShenzhenSecurities());
  // 64 MB of records with the one wanted at the very end.
  std::string huge = code_table::LargeTable(true, 64u << 20, 3);
  huge += code_table::Record({"605999", "尾部证券"});
  huge += std::string(code_table::kRecordSize, '\0');
  const std::string shanghai = code_table::Table(code_table::ShanghaiSecurities());
  struct Case {
    const char* name;
    std::string shanghai;
    std::uint64_t sparseSize;  // > 0: a Shanghai table of that many fill bytes instead
    std::string unopenable;
    std::string title, code;
    char fill = '\0';
    std::string shenzhenTable = "";  // empty: the real Shenzhen securities
  } cases[] = {
      {"size 0", "", 0, "", "平安银行", "000001"},
      {"header only", code_table::Table({}), 0, "", "平安银行", "000001"},
      {"no record of the title", shanghai, 0, "", "无此证券", "无此证券"},
      {"title as the last bytes", "600000\0\0\0\0浦发银行", 0, "", "浦发银行", "浦发银行"},
      {"title as the last bytes of both",
       code_table::Table(code_table::Generated(true, 10, 3)) + code_table::Field("600123") + "末尾股票", 0, "",
       "末尾股票", "末尾股票", '\0',
       code_table::Table(code_table::Generated(false, 10, 4)) + code_table::Field("000123") + "末尾股票"},
      {"64 MB of NULs", "", 64u << 20, "", "平安银行", "000001"},
      {"128 MB of one byte", "", 128ull << 20, "", "平安银行", "000001", 'x'},
      {"64 MB, title at its end", huge, 0, "", "尾部证券", "605999"},
      {"Shanghai unopenable (Shenzhen is not tried)", shenzhen, 0, sh, "平安银行", "平安银行"},
      {"Shenzhen unopenable", shanghai, 0, sz, "万科Ａ", "万科Ａ"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    DzhAttachment dzh{0, 0, "D:\\dzh\\dzh.exe", "", "", ""};
    c.sparseSize > 0 ? sim::WriteSparseFile(sh, c.sparseSize, c.fill) : sim::WriteFile(sh, c.shanghai);
    sim::WriteFile(sz, c.shenzhenTable.empty() ? shenzhen : c.shenzhenTable);
    if (!c.unopenable.empty()) sim::FailOpen(c.unopenable);
    EXPECT_EQ(ResolveDzhCode(c.title, dzh), c.code);
    EXPECT_EQ(LookupCachedCode(c.title), c.code);
    TearDown();
  }
}

// A whole session of a user who keeps a commented new.ini with a section of
// his own: every change lands in "软件设置" as written, the cache only in
// "代码表", and nothing else of the file moves.
TEST_F(BadFiles, NewIniHoldsExactlyWhatWasWritten) {
  const std::string mine = "; my notes\r\n[我的设置]\r\n买入键=999\r\n左边=1\r\n\r\n";
  sim::WriteFile(IniPath(), mine + "[软件设置]\r\n数据源=1\r\n买入键=116\r\n左边=200\r\n顶边=20\r\n");
  sim::WriteFile("D:\\dzh\\data\\sh\\STKINFO60.DAT", code_table::Table(code_table::ShanghaiSecurities()));
  sim::WriteFile("D:\\dzh\\data\\sz\\STKINFO60.DAT", code_table::Table(code_table::ShenzhenSecurities()));
  sim::SetMonitors({{{0, 0, sim::kScreenWidth, sim::kScreenHeight}, 96}, {{-1920, 0, 0, 1080}, 96}});
  StartProgram();
  EXPECT_EQ(GetQuoteSource(), QuoteSource::kTrader);

  OpenKeySettings();
  sim::TypeInto(sim::KeySettings().buyBox, "１２０");
  sim::TypeInto(sim::KeySettings().sellBox, "-7");
  sim::TypeInto(sim::KeySettings().functionBox, "");
  sim::PressEscape(sim::KeySettings().window);
  platform::MoveWindow(MainBar().bar, -500, 30, 120, 24, true);
  ChooseFromMenu(platform::TrayMenuItem::kDzh);

  // Titles that look like settings, sections or entries go nowhere near
  // "软件设置".
  DzhAttachment dzh{0, 0, "D:\\dzh\\dzh.exe", "", "", ""};
  const std::vector<std::string> titles = {"招商银行", "买入键",          "软件设置", "[软件设置]",
                                           "左边=5",   "a\r\n[软件设置]", "万科Ａ",   " 数据源"};
  for (const std::string& title : titles) ResolveDzhCode(title, dzh);
  sim::SetReadOnly(IniPath());
  platform::MoveWindow(MainBar().bar, 10, 10, 120, 24, true);  // lost: the file is read-only
  sim::SetReadOnly(IniPath(), false);

  EXPECT_EQ(sim::FileContent(IniPath()).compare(0, mine.size(), mine), 0) << "the user's own lines moved";
  std::map<std::string, Entries> sections;
  for (const auto& [name, entries] : IniSections()) sections[name] = Entries(entries.begin(), entries.end());
  EXPECT_EQ(sections.size(), 3u);
  EXPECT_EQ(sections["我的设置"], (Entries{{"买入键", "999"}, {"左边", "1"}}));
  EXPECT_EQ(sections["软件设置"], (Entries{{"键码表", "F1[112],F2[113],F3[114],F4[115],依此类推"},
                                           {"数据源", "0"},
                                           {"买入键", "１２０"},
                                           {"卖出键", "-7"},
                                           {"功能键", ""},
                                           {"左边", "-500"},
                                           {"顶边", "30"}}));
  EXPECT_EQ(sections["代码表"],
            (Entries{{"招商银行", "600036"}, {"买入键", "买入键"}, {"软件设置", "软件设置"}, {"万科Ａ", "000002"}}));

  // The next start reads back what the user typed, and changes nothing.
  ResetAppState();
  ResetMainBar();
  ResetKeySettings();
  StartProgram();
  EXPECT_EQ(std::tie(AppState.buyKey, AppState.sellKey, AppState.functionKey), std::make_tuple(120, 113, 114))
      << "-7 is repaired at the next start";
  EXPECT_EQ(BarRect().left, -500);
}

}  // namespace
