// One simulated hour of the program at work: 36,000 ticks with 大智慧's front
// document switching every second, 大智慧 closed and started again, stays in
// 交易师 mode and a buy click every minute.  Whatever path a tick takes, it
// releases every snapshot, file, listing and input attachment, keeps the code
// right, and the program's memory and new.ini stop growing once every title
// has been seen.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "app/app_state.h"
#include "app/main_bar.h"
#include "platform/sim/sim.h"
#include "settings/settings.h"
#include "support/client_scene.h"
#include "support/code_table.h"
#include "support/dzh_scene.h"
#include "support/test_fixture.h"
#include "text/text.h"

#if defined(__SANITIZE_ADDRESS__)
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

using code_table::Security;

// Bytes the process has allocated and not freed, where the allocator tells.
std::optional<std::size_t> HeapInUse() {
#if defined(__SANITIZE_ADDRESS__)
  return __sanitizer_get_current_allocated_bytes();
#elif defined(__GLIBC__) && (__GLIBC__ > 2 || __GLIBC_MINOR__ >= 33)
  return mallinfo2().uordblks;
#else
  return std::nullopt;
#endif
}

class Soak : public SimTest {};

TEST_F(Soak, OneSimulatedHourLeaksNothingAndKeepsTheCodeRight) {
  sim::CreateWindow({"JysMain", "交易师 - 600036 - 招商银行", sim::AddProcess("C:\\jys\\jys.exe")});
  // A trading client whose hot key focuses its code field; every later
  // click finds the focus still there, in the field the code last landed in.
  const ClientScene client = AddTradingClient();
  OpenFormOnKey(client, 112, 10);
  StartProgram();
  // Titles of every kind the reader meets, each with the code the program must
  // show for it: codes of both exchanges, one that no table holds (shown as
  // itself), one new.ini cannot hold as a key (kept in memory), and an empty one
  // (changes nothing).
  std::vector<Security> documents = code_table::ShanghaiSecurities();
  const std::vector<Security>& shenzhen = code_table::ShenzhenSecurities();
  documents.insert(documents.end(), shenzhen.begin(), shenzhen.end());
  documents.insert(documents.end(), {{"自选股一", "自选股一"}, {"[板块]指数", "[板块]指数"}, {"", ""}});
  std::vector<std::string> titles;
  for (const Security& d : documents) titles.push_back(d.name);
  const auto startDzh = [&] { return StartDzh("D:\\dzh\\dzh.exe", "大智慧 - 行情", 1, titles); };
  DzhScene dzh = startDzh();

  std::size_t ticks = 0;
  std::optional<std::size_t> heapAtStart;
  std::string iniAtStart;
  int wrongCodes = 0, leakyTicks = 0, buys = 0, wrongBuys = 0;

  for (int second = 0; second < 3600; ++second) {
    const int minute = second / 60;
    const std::size_t front = static_cast<std::size_t>(second) % documents.size();
    if (second % 60 == 0) {
      // The paths other than the steady one, once in a while.
      if (minute == 3) sim::EndProcess(dzh.process);
      if (minute == 4) dzh = startDzh();
      if (minute % 10 == 7) ChooseFromMenu(platform::TrayMenuItem::kTrader);
      if (minute % 10 == 8) ChooseFromMenu(platform::TrayMenuItem::kDzh);
      if (minute >= 1 && TextToInt(AppState.currentCode) > 0) {
        sim::Click(MainBar().buyButton);
        ++buys;
        wrongBuys += sim::TextOf(client.codeField) != AppState.currentCode;
      }
    }
    if (minute != 3) sim::BringToTop(dzh.documents[front]);
    sim::Advance(1000);

    for (const sim::Call& event : sim::Events()) ticks += event.text == "OnTimer(1)";
    sim::ClearHistory();
    leakyTicks += sim::OpenHandles() != 0 || sim::InputAttachments() != 0;

    // 大智慧 mode, attached, with a document that has a title: its code.
    const bool dzhShown = minute >= 5 && minute % 10 != 7 && minute % 10 != 8;
    if (dzhShown && !documents[front].name.empty()) wrongCodes += AppState.currentCode != documents[front].code;
    if (minute % 10 == 7) wrongCodes += AppState.currentCode != "600036";

    // Every title has been seen by minute 10: from then on nothing may grow.
    if (second == 10 * 60 + 1) {
      heapAtStart = HeapInUse();
      iniAtStart = sim::FileContent(IniPath());
    }
  }

  EXPECT_EQ(leakyTicks, 0) << "seconds that ended with a handle or an input attachment still held";
  EXPECT_EQ(wrongCodes, 0) << "seconds that ended with a wrong code";
  // 100 ms ticks, fewer while 大智慧 is gone and searched for every 10 s.
  EXPECT_GE(ticks, 35000u);
  EXPECT_LE(ticks, 36000u);
  EXPECT_GE(buys, 40);
  EXPECT_EQ(wrongBuys, 0) << "buy clicks that left another code in the trading client";

  EXPECT_EQ(sim::FileContent(IniPath()), iniAtStart) << "new.ini changed after every title had been cached";
  EXPECT_EQ(IniSection("代码表").size(), documents.size() - 2) << "one entry per title new.ini can hold";
  EXPECT_EQ(IniSection("软件设置").size(), 7u) << "键码表, three keys, 左边, 顶边, 数据源";
  EXPECT_EQ(ReadSetting(kSettingsSection, "数据源", ""), "0");

  const std::optional<std::size_t> heapAtEnd = HeapInUse();
  if (heapAtStart && heapAtEnd) {
    // A leak of one small string per tick would be half a megabyte here.
    EXPECT_LE(*heapAtEnd, *heapAtStart + 4096)
        << "heap in use grew from " << *heapAtStart << " to " << *heapAtEnd << " bytes";
  }
}

}  // namespace
