#include <algorithm>
#include <cstdint>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "discovery/processes.h"
#include "discovery/trading_client.h"
#include "discovery/windows.h"
#include "support/calls.h"
#include "support/test_fixture.h"

// 圓 is the GBK pair 88 41: its trail byte is 'A'.  Lowered as if it were
// ASCII it would become 88 61, which is 坅.
static_assert(sizeof("圓") == 3 && "圓"[1] == 'A' && "坅"[1] == 'a', "sources must be compiled to GBK");

namespace {

using platform::Hwnd;

constexpr const char* kClientExe = "C:\\broker\\xiadan.exe";

class DiscoveryTest : public SimTest {
 protected:
  static Hwnd Window(const std::string& title, std::uint32_t process, bool visible = true, Hwnd owner = 0) {
    return sim::CreateWindow({"SimWindow", title, process, 0, 0, owner, visible});
  }
  // A process whose executable carries the given FileDescription.
  static std::uint32_t Program(const std::string& exePath, const std::string& description) {
    const std::uint32_t process = sim::AddProcess(exePath);
    if (!description.empty()) sim::SetFileDescription(exePath, description);
    return process;
  }
  static Hwnd Found() { return FindTradingClient(); }
};

TEST_F(DiscoveryTest, ListProcessesInSnapshotOrderAndFindIdsFoldingOnlyAsciiCapitals) {
  const std::uint32_t a = sim::AddProcess("C:\\x\\a.exe");
  const std::uint32_t b = sim::AddProcess("D:\\y\\网上交易.exe");
  using Listed = std::vector<std::pair<std::uint32_t, std::string>>;
  const auto listed = [] {
    Listed records;
    for (const ProcessRecord& p : ListProcesses()) records.emplace_back(p.processId, p.exeName);
    return records;
  };
  EXPECT_EQ(listed(), (Listed{{sim::kOwnProcess, "lingbo.exe"}, {a, "a.exe"}, {b, "网上交易.exe"}}));
  sim::EndProcess(a);
  EXPECT_EQ(listed(), (Listed{{sim::kOwnProcess, "lingbo.exe"}, {b, "网上交易.exe"}}));

  // A file name finds its process with only ASCII capitals folded.
  const std::uint32_t client = sim::AddProcess("C:\\broker\\XiaDan.exe");
  const std::uint32_t round = sim::AddProcess("C:\\a\\圓.exe");
  const std::uint32_t other = sim::AddProcess("C:\\b\\坅.exe");
  // Each process, and the names that find it.
  const std::pair<std::uint32_t, std::vector<std::string>> cases[] = {
      {client, {"XiaDan.exe", "xiadan.exe", "XIADAN.EXE"}},
      {round, {"圓.exe", "圓.EXE"}},  // the capital trail byte stays as it is
      {other, {"坅.exe", "坅.EXE"}},
      {sim::kOwnProcess, {"LINGBO.EXE"}},
      {0, {"xiadan", "xiadan.exe ", "C:\\broker\\XiaDan.exe", ""}},  // the whole name must match
  };
  for (const auto& [process, names] : cases)
    for (const std::string& name : names) EXPECT_EQ(FindProcessIdByFileName(name), process) << name;
  // Of two namesakes, the first listed answers, whichever spelling is asked.
  sim::AddProcess("C:\\two\\XIADAN.exe");
  for (const char* name : {"xiadan.exe", "XIADAN.exe"}) EXPECT_EQ(FindProcessIdByFileName(name), client) << name;
}

TEST_F(DiscoveryTest, ProcessFileNameOfWindowClimbsToTheTopOfTheChain) {
  const std::uint32_t client = sim::AddProcess(kClientExe);
  const std::uint32_t helper = sim::AddProcess("C:\\broker\\helper.exe");
  const Hwnd main = Window("main", client);
  const Hwnd panel = sim::CreateWindow({"#32770", "", client, 0, main});
  const Hwnd edit = sim::CreateWindow({"Edit", "", client, 0, panel});
  // An owned pop-up answers for its owner's process, even when another
  // process made it.
  const Hwnd popup = Window("popup", helper, true, main);
  const Hwnd helperMain = Window("helper", helper);

  // Each name, and the windows it is given for.
  const std::pair<const char*, std::vector<Hwnd>> cases[] = {
      {"xiadan.exe", {main, panel, edit, popup}}, {"helper.exe", {helperMain}}, {"", {0, -5}}};
  for (const auto& [name, windows] : cases)
    for (const Hwnd window : windows) EXPECT_EQ(ProcessFileNameOfWindow(window), name) << window;

  sim::DestroyWindow(main);
  EXPECT_EQ(ProcessFileNameOfWindow(main), "");
  EXPECT_EQ(ProcessFileNameOfWindow(helperMain), "helper.exe");
}

TEST_F(DiscoveryTest, MainModulePath) {
  const std::uint32_t client = sim::AddProcess(kClientExe);
  const std::uint32_t narrow = sim::AddProcess("C:\\dzh\\dzh2.exe");
  sim::Make32Bit(narrow);
  const std::uint32_t guarded = sim::AddProcess("C:\\av\\guard.exe");
  sim::DenyModules(guarded);
  const std::uint32_t sealed = sim::AddProcess("C:\\sys\\sealed.exe");
  sim::DenyOpenProcess(sealed);
  const std::uint32_t closed = sim::AddProcess("C:\\sys\\closed.exe");
  sim::DenyOpenProcess(closed);
  sim::DenyModules(closed);
  const std::uint32_t ended = sim::AddProcess("C:\\x\\gone.exe");
  sim::EndProcess(ended);

  const std::tuple<const char*, std::uint32_t, std::string> cases[] = {
      {"64-bit", client, kClientExe},
      {"32-bit: no module list, the image name still answers", narrow, "C:\\dzh\\dzh2.exe"},
      {"modules refused, the image name answers", guarded, "C:\\av\\guard.exe"},
      {"not to be opened, the module list answers", sealed, "C:\\sys\\sealed.exe"},
      {"neither", closed, ""},
      {"0 is this program itself", 0, sim::kOwnExePath},
      {"own id", sim::kOwnProcess, sim::kOwnExePath},
      {"ended", ended, ""},
      {"never was", 999999, ""},
  };
  for (const auto& [what, process, path] : cases) {
    EXPECT_EQ(MainModulePath(process), path) << what;
    EXPECT_EQ(sim::OpenHandles(), 0) << what;
  }
}

// The module paths' own cases count the handles as well.
TEST_F(DiscoveryTest, EveryQueryClosesItsSnapshotOnEveryPath) {
  const std::uint32_t client = sim::AddProcess(kClientExe);
  const Hwnd main = Window("main", client);
  const std::pair<const char*, void (*)(std::uint32_t process, Hwnd window)> cases[] = {
      {"list", [](std::uint32_t, Hwnd) { ListProcesses(); }},
      {"name of window", [](std::uint32_t, Hwnd w) { ProcessFileNameOfWindow(w); }},
      {"name of no window", [](std::uint32_t, Hwnd) { ProcessFileNameOfWindow(0); }},
      {"id found", [](std::uint32_t, Hwnd) { FindProcessIdByFileName("xiadan.exe"); }},
      {"id not found", [](std::uint32_t, Hwnd) { FindProcessIdByFileName("nobody.exe"); }},
      {"module", [](std::uint32_t p, Hwnd) { MainModulePath(p); }},
      {"module refused", [](std::uint32_t, Hwnd) { MainModulePath(sim::kOwnProcess + 1000); }},
      {"search", [](std::uint32_t, Hwnd) { FindTradingClient(); }},
  };
  for (const auto& [path, query] : cases) {
    query(client, main);
    EXPECT_EQ(sim::OpenHandles(), 0) << path;
  }

  // No snapshot at all: empty answers.
  sim::FailSnapshots();
  EXPECT_TRUE(ListProcesses().empty());
  EXPECT_EQ(ProcessFileNameOfWindow(main), "");
  EXPECT_EQ(FindProcessIdByFileName("xiadan.exe"), 0u);
  EXPECT_EQ(MainModulePath(client), kClientExe) << "the image name needs no snapshot";
  EXPECT_EQ(sim::OpenHandles(), 0);
}

TEST_F(DiscoveryTest, ListVisibleTopLevelWindowsKeepsZOrderSkipsHiddenAndHasNoFixedCapacity) {
  const std::uint32_t p = sim::AddProcess("C:\\x\\p.exe");
  const Hwnd bottom = Window("bottom", p);
  const Hwnd hidden = Window("hidden", p, false);
  const Hwnd middle = Window("middle", p);
  sim::CreateWindow({"Button", "", p, 0, middle});
  const Hwnd minimised = sim::CreateWindow({"SimWindow", "", p, 0, 0, 0, true, /*minimized=*/true});
  const Hwnd top = Window("top", p);

  EXPECT_EQ(ListVisibleTopLevelWindows(), (std::vector<Hwnd>{top, minimised, middle, bottom}));

  sim::SetVisible(hidden, true);
  sim::SetVisible(top, false);
  sim::BringToTop(bottom);
  std::vector<Hwnd> expected{bottom, minimised, middle, hidden};
  EXPECT_EQ(ListVisibleTopLevelWindows(), expected);

  for (int i = 0; i < 600; ++i) {
    const Hwnd w = Window("w" + std::to_string(i), p, i % 3 != 0);
    if (i % 3 != 0) expected.insert(expected.begin(), w);
  }
  EXPECT_EQ(ListVisibleTopLevelWindows(), expected);
}

// Whatever length the window reports, the text read is bounded by it and by
// the buffer, and a nonsense length reads nothing; nor does a hung window.
TEST_F(DiscoveryTest, ReadWindowTextDistrustsTheReportedLengthAndIsBounded) {
  const std::uint32_t p = sim::AddProcess("C:\\x\\p.exe");
  constexpr std::intptr_t kTrue = -2;  // the window's own, right length
  const std::string longTitle = std::string(5000, 'x') + "尾";
  std::vector<std::tuple<std::intptr_t, std::string, std::string>> cases = {
      {kTrue, "Chart 600000", "Chart 600000"},
      {kTrue, "网上股票交易系统5.0", "网上股票交易系统5.0"},
      {kTrue, longTitle, longTitle},
      {kTrue, "", ""},
      {100, "title", "title"},  // the text shrank after its length was asked
      {3, "title", "tit"},      // or grew: the buffer bounds it
  };
  const std::intptr_t nonsense[] = {-1, INTPTR_MIN, 0, 65536, std::intptr_t{1} << 40, INTPTR_MAX};
  for (const std::intptr_t length : nonsense) cases.emplace_back(length, "title", "");
  for (const auto& [reported, text, expected] : cases) {
    const Hwnd w = Window(text, p);
    if (reported != kTrue) sim::SetReportedTextLength(w, reported);
    EXPECT_EQ(ReadWindowText(w), expected) << reported << " " << text.substr(0, 20);
  }
  const Hwnd gone = Window("gone", p);
  sim::DestroyWindow(gone);
  EXPECT_EQ(ReadWindowText(gone), "");
  EXPECT_EQ(ReadWindowText(0), "");

  // A hung window holds the reader no longer than its bound.
  const Hwnd w = Window("网上股票交易系统", p);
  sim::SetHung(sim::MainThreadOf(p));
  const std::uint64_t start = sim::Now();
  EXPECT_EQ(ReadWindowText(w), "");
  EXPECT_LE(sim::Now() - start, 2u * 500u);
  // Once the system counts it as hung, it is not waited for at all.
  sim::Advance(5000);
  const std::uint64_t counted = sim::Now();
  EXPECT_EQ(ReadWindowText(w), "");
  EXPECT_EQ(sim::Now(), counted);

  sim::SetHung(sim::MainThreadOf(p), false);
  EXPECT_EQ(ReadWindowText(w), "网上股票交易系统");

  // It stops answering between the length and the text.
  bool hung = false;
  sim::OnMessage(w, [&](const sim::Message& m) {
    if (m.message == platform::kWmGetTextLength && !hung) {
      hung = true;
      sim::SetHung(sim::MainThreadOf(p));
    }
  });
  const std::uint64_t between = sim::Now();
  EXPECT_EQ(ReadWindowText(w), "");
  EXPECT_TRUE(hung);
  EXPECT_LE(sim::Now() - between, 2u * 500u);
}

TEST_F(DiscoveryTest, ReadFileDescriptionUsesTheFirstTranslation) {
  struct Case {
    const char* what;
    std::vector<std::pair<std::uint16_t, std::uint16_t>> translations;
    std::vector<std::pair<std::string, std::string>> strings;
    const char* expected;
    // Windows finds a string table whatever the case of the key asked for
    // (the contract suite shows it), so the case shows only in the query.
    const char* query = nullptr;
  } const cases[] = {
      {"chinese", {{0x0804, 0x04b0}}, {{"080404b0\\FileDescription", "机构版主程序"}}, "机构版主程序"},
      {"key in lower-case hex",
       {{0x0C04, 0x03A8}},
       {{"0c0403a8\\FileDescription", "网上交易"}},
       "网上交易",
       "VerQueryValueA(\\StringFileInfo\\0c0403a8\\FileDescription)"},
      {"zero-padded", {{0x0009, 0x0000}}, {{"00090000\\FileDescription", "pad"}}, "pad"},
      {"first of two",
       {{0x0409, 0x04b0}, {0x0804, 0x04b0}},
       {{"080404b0\\FileDescription", "second"}, {"040904b0\\FileDescription", "first"}},
       "first"},
      {"no translation table", {}, {{"040904E4\\FileDescription", "fallback"}}, "fallback"},
      {"nothing under the key", {{0x0804, 0x04b0}}, {{"040904b0\\FileDescription", "elsewhere"}}, ""},
      {"no description", {{0x0804, 0x04b0}}, {{"080404b0\\ProductName", "网上交易"}}, ""},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string path = "C:\\v\\file" + std::to_string(n++) + ".exe";
    sim::SetVersionInfo(path, {c.translations, c.strings});
    sim::ClearCalls();
    EXPECT_EQ(ReadFileDescription(path), c.expected) << c.what;
    const auto calls = sim::Calls();
    EXPECT_TRUE(!c.query || std::any_of(calls.begin(), calls.end(), [&](auto& call) { return call.text == c.query; }))
        << c.what;
  }
  EXPECT_EQ(ReadFileDescription("C:\\v\\missing.exe"), "");
  EXPECT_EQ(ReadFileDescription(""), "");
}

// A window qualifies by a marker in its title or in its executable's
// FileDescription, and the first in Z order wins whichever test it passes.
// Most trading clients are 32-bit programs, whose modules this 64-bit program
// may not list.
TEST_F(DiscoveryTest, TitleAndDescriptionMarkersAndTheFirstInZOrderWins) {
  const std::tuple<const char*, const char*, bool> cases[] = {
      {"网上交易", "", true},
      {"XX证券网上交易系统", "", true},
      {"网上股票交易系统5.0", "", true},  // holds only the second marker
      {"中国网上股票交易", "", true},
      {"网上 交易", "", false},
      {"网上证券交易", "", false},
      {"交易", "", false},
      {"", "", false},
      // The marker's bytes start on the trail byte of 佂 (81 CD): no match.
      {"\x81\xCD\xF8\xC9\xCF\xBD\xBB\xD2\xD7x", "", false},
      // The same bytes behind an ASCII character are the marker itself.
      {"x\xCD\xF8\xC9\xCF\xBD\xBB\xD2\xD7", "", true},
      {"下单", "网上交易", true},
      {"下单", "XX网上股票交易系统", true},
      {"下单", "V6主框架模块", true},
      {"下单", "机构版主程序", true},
      {"下单", "v6主框架模块", false},
      {"下单", "机构版", false},
      {"下单", "股票交易", false},
      {"下单", "", false},
  };
  int n = 0;
  for (bool is32Bit : {false, true}) {
    for (const auto& [title, description, found] : cases) {
      const std::uint32_t p = Program("C:\\c\\client" + std::to_string(n++) + ".exe", description);
      if (is32Bit) sim::Make32Bit(p);
      const Hwnd w = Window(title, p);
      EXPECT_EQ(Found(), found ? w : 0) << title << " / " << description << (is32Bit ? " (32-bit)" : "");
      sim::EndProcess(p);
    }
  }
  const Hwnd titled = Window("网上交易", sim::AddProcess("C:\\a\\a.exe"));
  const Hwnd described = Window("下单", Program("C:\\b\\b.exe", "V6主框架模块"));
  EXPECT_EQ(Found(), described);
  sim::BringToTop(titled);
  EXPECT_EQ(Found(), titled);
}

// A window is judged by the file its process's name leads to: of namesakes,
// the first, either way round; without a file name, process 0, this program.
TEST_F(DiscoveryTest, NamesakesAreJudgedByTheFirstOfThem) {
  const std::uint32_t first = Program("C:\\one\\xiadan.exe", "");
  const std::uint32_t second = Program("C:\\two\\xiadan.exe", "网上交易");
  const Hwnd w = Window("下单", second);
  EXPECT_EQ(Found(), 0);
  sim::EndProcess(first);
  EXPECT_EQ(Found(), w);

  // And the other way round: a plain namesake borrows the first's marker.
  const std::uint32_t plain = Program("C:\\three\\XIADAN.EXE", "");
  const Hwnd other = Window("另一个", plain);
  EXPECT_EQ(Found(), other);

  const Hwnd nameless = Window("无名", sim::AddProcess("C:\\odd\\"));
  EXPECT_EQ(Found(), other);
  sim::SetFileDescription(sim::kOwnExePath, "机构版主程序");
  EXPECT_EQ(Found(), nameless);
}

TEST_F(DiscoveryTest, AProgramWithManyWindowsIsJudgedOnceBySearch) {
  const std::uint32_t charting = Program("C:\\chart\\chart.exe", "行情");
  const std::uint32_t client = Program(kClientExe, "机构版主程序");
  const Hwnd w = Window("下单", client);
  // Above the client: a thousand windows of one program, with a pop-up of
  // the client among them.
  for (int i = 0; i < 1000; ++i) Window("图表 " + std::to_string(i), charting);
  const Hwnd popUp = Window("登录", client, true, w);
  for (int i = 0; i < 10; ++i) Window("图表", charting);
  sim::ClearCalls();
  EXPECT_EQ(Found(), popUp);
  // One list of processes for the search, and an image name each for the
  // charting program and the client: not a snapshot or two a window.  The
  // list asks for processes alone (TH32CS_SNAPPROCESS): threads, heaps and
  // modules as well made each snapshot many times slower under Wine.
  EXPECT_EQ(ArgumentsOf("CreateToolhelp32Snapshot"), std::vector<std::string>{"2,0"});
  EXPECT_EQ(CountCalls("OpenProcess"), 2);
  EXPECT_EQ(sim::OpenHandles(), 0);
}

// The client's main window wherever it stands: not found while hidden (nor a
// window of the client destroyed during the search), found
// minimised and left so; a pop-up of the client above it qualifies through its
// executable, and closing it leaves the main window; another program in front
// stays in front; a hung window above holds the search no longer than its
// bound, and a hung client still qualifies by its executable.  The search
// never touches what it finds.
TEST_F(DiscoveryTest, TheClientIsFoundWhereverItStands) {
  const std::uint32_t client = Program(kClientExe, "网上股票交易");
  const Hwnd main = Window("网上股票交易系统", client, false);
  const Hwnd vanishing = Window("下单", client);
  sim::OnMessage(vanishing, [vanishing](const sim::Message& m) {
    if (m.message == platform::kWmGetTextLength) sim::DestroyWindow(vanishing);
  });
  EXPECT_EQ(Found(), 0);
  sim::SetVisible(main, true);
  sim::SetMinimized(main, true);
  EXPECT_EQ(Found(), main);
  EXPECT_TRUE(sim::IsMinimized(main)) << "the search must not restore what it finds";

  const Hwnd login = Window("用户登录", client, true, main);
  EXPECT_EQ(Found(), login);
  sim::DestroyWindow(login);
  EXPECT_EQ(Found(), main);

  const Hwnd other = Window("其他", sim::AddProcess("C:\\x\\o.exe"));
  sim::SetForeground(other);
  EXPECT_EQ(Found(), main);
  EXPECT_EQ(sim::Foreground(), other);

  const std::uint32_t stuck = sim::AddProcess("C:\\x\\stuck.exe");
  Window("卡住", stuck);
  sim::SetHung(sim::MainThreadOf(stuck));
  const std::uint64_t start = sim::Now();
  EXPECT_EQ(Found(), main);
  EXPECT_LE(sim::Now() - start, 2u * 500u);
  sim::SetHung(sim::MainThreadOf(client));
  EXPECT_EQ(Found(), main);

  // Only questions: is it there, how long is its text, what is it.
  for (const sim::Message& m : sim::Received(main))
    EXPECT_TRUE(m.message == platform::kWmNull || m.message == platform::kWmGetTextLength ||
                m.message == platform::kWmGetText)
        << m.message;
}

}  // namespace
