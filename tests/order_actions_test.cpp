#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <variant>
#include <vector>

#include "order/order_actions.h"
#include "support/calls.h"
#include "support/client_scene.h"
#include "support/test_fixture.h"
#include "text/text.h"

namespace {

using platform::Hwnd;
using platform::kEmReplaceSel;
using platform::kEmSetSel;
using platform::kWmKeyDown;
using platform::kWmKeyUp;

constexpr std::int32_t kF1 = 112, kF2 = 113, kF3 = 114, kF4 = 115;
// Pauses alone: 10 + 10 + 10 + 200, then 100 after each failed look.
constexpr std::uint64_t kFoundAtFirstLook = 230;
constexpr std::uint64_t kNeverFound = 2230;

using Steps = std::vector<std::string>;

// What the client and the trader can tell of an action, in order: every call
// that reaches the client or waits, the pauses with their length, the
// messages with their number.  Bookkeeping calls are left out.
Steps VisibleSteps() {
  static const Steps kVisible = {"ShowWindowAsync", "SetForegroundWindow", "AttachThreadInput",
                                 "SetActiveWindow", "PostMessageA",        "GetGUIThreadInfo"};
  Steps steps;
  for (const auto& call : sim::Calls()) {
    const std::string name = call.text.substr(0, call.text.find('('));
    if (name == "Sleep") {
      steps.push_back(call.text);
    } else if (name == "SendMessageTimeoutA" || name == "PostMessageA") {
      const std::size_t comma = call.text.find(',');
      steps.push_back(name + ":" + call.text.substr(comma + 1, call.text.find(',', comma + 1) - comma - 1));
    } else if (std::find(kVisible.begin(), kVisible.end(), name) != kVisible.end()) {
      steps.push_back(name);
    }
  }
  return steps;
}
const Steps kRestore = {"ShowWindowAsync"};
const Steps kKeyPress = {"PostMessageA:0x100", "PostMessageA:0x101"};
// A look at the focus, from outside: attaching would reset the client's key state.
const Steps kFocusLook = {"GetGUIThreadInfo"};
// Two round trips: the client's thread is done with what it was given.
const Steps kSettled = {"SendMessageTimeoutA:0x0", "SendMessageTimeoutA:0x0"};

// The key presses and releases a window took: message, key, lParam.
std::vector<std::tuple<unsigned, std::uintptr_t, std::uint32_t>> KeysAt(Hwnd window) {
  std::vector<std::tuple<unsigned, std::uintptr_t, std::uint32_t>> keys;
  for (const sim::Message& m : sim::Received(window))
    if (m.message == kWmKeyDown || m.message == kWmKeyUp)
      keys.emplace_back(m.message, m.wParam, static_cast<std::uint32_t>(m.lParam));
  return keys;
}
using Keys = decltype(KeysAt(0));

// Whenever the clock moves (every pause), nothing may be attached: counts the
// attachments seen at each of those moments for the next 2.6 s.
std::shared_ptr<int> AttachedDuringPauses() {
  auto held = std::make_shared<int>(0);
  for (std::uint64_t t = 1; t < 2600; t += 7) sim::At(t, [held] { *held += sim::InputAttachments(); });
  return held;
}

// How many of one message a window took.
std::size_t Taken(Hwnd window, unsigned message) {
  const std::vector<sim::Message> got = sim::Received(window);
  return std::count_if(got.begin(), got.end(), [message](const sim::Message& m) { return m.message == message; });
}

// An outcome's last word: why the action stopped, or how the write went.
using Result = std::variant<Stopped, CodeWritten>;
Result ResultOf(const OrderOutcome& o) { return o.stopped != Stopped::kNot ? Result(o.stopped) : Result(o.written); }

class OrderActionsTest : public SimTest {
 protected:
  // What the program would hand the actions: the code it shows and the
  // trading client it remembers, which each action's outcome updates.
  std::string shownCode;
  Hwnd remembered = 0, lastField = 0;
  void Buy(std::int32_t hotKey) {
    last = OpenOrderForm(shownCode, remembered, hotKey, CodeEntry::kReplace, lastField);
    remembered = last.client;
    if (last.codeField > 0) lastField = last.codeField;
  }
  OrderOutcome last;
  // A buy with no client remembered, timed; its outcome in last.
  std::uint64_t TimedBuy(CodeEntry entry = CodeEntry::kReplace, std::int32_t hotKey = kF1) {
    return Timed([&] { last = OpenOrderForm(shownCode, 0, hotKey, entry); });
  }
  void Function() { remembered = SendFunctionKey(remembered, kF3).client; }

  // A desktop of its own for one case of a table: the code shown and a client
  // whose code field is of the given class.
  ClientScene Fresh(const std::string& shown, const std::string& fieldClass = "Edit", bool minimized = false) {
    sim::Reset();
    shownCode = shown;
    remembered = lastField = 0;
    return AddTradingClient(fieldClass, minimized);
  }

  // Runs one action and tells how long it held the GUI thread.
  static std::uint64_t Timed(const std::function<void()>& action) {
    sim::ClearCalls();
    const std::uint64_t start = sim::Now();
    action();
    return sim::Now() - start;
  }
};

// The code field appears at various moments after the hot key: the looks come
// 200 ms after it, once the client is done with the key, and then every
// 100 ms, twenty in all.  A focused field counts only once the focus has
// moved to it after the key: until then the focus is where the last order
// left it, in a 数量 field that must not get the code, whether the client
// ignored the key, is still busy with it (or with what it took before it),
// or moves the focus later by a timer or a message it posts itself, or
// answers from a message loop of its own in its key handler.  The one field
// that may keep the focus through the key is the one the code last landed
// in (a second click); a field the trader clicked into by hand does not.
// Only a control of class "Edit", spelt exactly so, is taken for the code
// field; anything else is looked at twenty times and left alone.  The looks
// read the focus from outside, never attaching to the client.
TEST_F(OrderActionsTest, WaitsForTheCodeFieldTheKeyFocusedAtMostTwentyLooks) {
  struct Case {
    std::uint64_t focusAfterKey;  // 0: never
    std::uint64_t elapsed;
    Stopped stopped;  // kNot: written
    std::string fieldClass = "Edit";
    std::uint64_t keyTakes = 0, busyBefore = 0;  // over the key; over what it took before it
    enum { kButton, kLastOrdersQuantity, kCodeField, kCodeFieldLastWritten } focusedBefore = kButton;
    enum { kScripted, kClientTimer, kPostedBehindKeyUpFromOwnLoop } moves = kScripted;
  };
  std::vector<Case> cases = {
      {50, kFoundAtFirstLook, Stopped::kNot},
      {199, kFoundAtFirstLook, Stopped::kNot},
      {250, kFoundAtFirstLook + 100, Stopped::kNot},
      {750, kFoundAtFirstLook + 600, Stopped::kNot},
      {2090, kFoundAtFirstLook + 1900, Stopped::kNot},
      {2150, kNeverFound, Stopped::kNoField},
      {0, kNeverFound, Stopped::kNoField},
      {400, 30 + 400, Stopped::kNot, "Edit", 400, 0, Case::kLastOrdersQuantity},
      {150, 30 + 300 + 150, Stopped::kNot, "Edit", 150, 300, Case::kLastOrdersQuantity},
      {3000, 2500, Stopped::kKeyNotTaken, "Edit", 3000, 0, Case::kLastOrdersQuantity},
      {0, kNeverFound, Stopped::kFocusNotMoved, "Edit", 0, 0, Case::kLastOrdersQuantity},
      {300, 30 + 300, Stopped::kNot, "Edit", 0, 0, Case::kLastOrdersQuantity, Case::kClientTimer},
      {0, 30 + 300, Stopped::kNot, "Edit", 300, 0, Case::kLastOrdersQuantity, Case::kPostedBehindKeyUpFromOwnLoop},
      {0, kFoundAtFirstLook, Stopped::kNot, "Edit", 0, 0, Case::kCodeFieldLastWritten},
      {0, kNeverFound, Stopped::kFocusNotMoved, "Edit", 0, 0, Case::kCodeField}};
  for (const char* fieldClass : {"edit", "EDIT", "RichEdit20A", "RICHEDIT50W", "Edit2", "TEdit", "ComboBox"})
    cases.push_back({10, kNeverFound, Stopped::kNoField, fieldClass});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fieldClass + " " + std::to_string(c.focusAfterKey) + " " + std::to_string(c.keyTakes) + " " +
                 std::to_string(c.focusedBefore) + " " + std::to_string(c.moves));
    const ClientScene client = Fresh("600036", c.fieldClass);
    if (c.focusAfterKey && c.moves == Case::kScripted) OpenFormOnKey(client, kF1, c.focusAfterKey);
    const Hwnd quantity = sim::CreateWindow({"Edit", "100", client.process, 0, client.window});
    sim::SetForeground(client.window);
    if (c.focusedBefore == Case::kLastOrdersQuantity) sim::SetFocus(quantity);
    if (c.focusedBefore == Case::kCodeField || c.focusedBefore == Case::kCodeFieldLastWritten)
      sim::SetFocus(client.codeField);
    if (c.focusedBefore == Case::kCodeFieldLastWritten) lastField = client.codeField;
    sim::SetHandlingTime(client.window, kWmKeyDown, c.keyTakes, c.moves == Case::kPostedBehindKeyUpFromOwnLoop);
    // Something it queued for itself as it answered the last question before
    // the key, and takes right after.
    sim::SetHandlingTime(client.window, platform::kWmApp, c.busyBefore);
    int asked = 0;
    constexpr unsigned kWmTimer = 0x0113;
    sim::OnMessage(client.window, [&](const sim::Message& m) {
      if (c.busyBefore && !m.posted && m.message == platform::kWmNull && ++asked == 3)
        platform::PostMessageA(client.window, platform::kWmApp, 0, 0);
      if (c.moves == Case::kClientTimer && m.message == kWmKeyDown)
        sim::At(c.focusAfterKey, [&] { sim::PostFromClient(client.window, kWmTimer); });
      if (c.moves == Case::kPostedBehindKeyUpFromOwnLoop && m.message == kWmKeyUp)
        sim::PostFromClient(client.window, platform::kWmApp + 1);
      if (m.message == kWmTimer || m.message == platform::kWmApp + 1) sim::SetFocus(client.codeField);
    });

    EXPECT_EQ(Timed([this] { Buy(kF1); }), c.elapsed);
    const bool written = c.stopped == Stopped::kNot;
    EXPECT_EQ(last.stopped, c.stopped);
    EXPECT_EQ(sim::TextOf(client.codeField), written ? "600036" : "999999");
    EXPECT_EQ(sim::TextOf(quantity), "100");
    if (!c.keyTakes) {
      EXPECT_EQ(CountCalls("GetGUIThreadInfo"), 1 + (written ? static_cast<int>((c.elapsed - 230) / 100 + 1) : 20))
          << "once before the key, then each look";
    }
    EXPECT_EQ(CountCalls("AttachThreadInput"), 0) << "never attached to a client already in front";
    EXPECT_EQ(Taken(client.codeField, kEmSetSel), written ? 1u : 0u);
    EXPECT_EQ(Taken(client.codeField, kEmReplaceSel), written ? 1u : 0u);
  }
}

// The looks read the focus without attaching to the client, which would
// reset its key state: a Shift the trader presses in it after the hot key
// still holds once the code is in, and the digit typed next makes no
// character.
TEST_F(OrderActionsTest, TheLooksLeaveTheClientsKeyStateAlone) {
  constexpr int kVkShift = 0x10;
  const ClientScene client = Fresh("600036");
  OpenFormOnKey(client, kF1, 750);
  sim::SetForeground(client.window);
  // Pressed once the hot key has gone: held from the click, it would keep the
  // key from going at all.
  sim::OnMessage(client.window, [](const sim::Message& m) {
    if (m.message == platform::kWmKeyDown && m.wParam == kF1) sim::PressKey(kVkShift, true);
  });
  Buy(kF1);
  ASSERT_EQ(sim::TextOf(client.codeField), "600036");
  sim::PressKey('1', true);
  sim::PressKey('1', false);
  sim::Advance(10);
  EXPECT_EQ(sim::TextOf(client.codeField), "600036");
}

// The whole action in order: the check, restore, bring forward, activate,
// see the client settle, press, wait, see it done with the key, look, write,
// read back.  A minimised client is restored before its hot key is pressed;
// a window already in front after the foreground switch is not activated
// again.  The function key needs no code, makes no separate foreground call
// before the activation, waits for nothing and writes nothing.  Every
// attachment is undone at once, never held across a pause.
TEST_F(OrderActionsTest, EachActionRunsItsStepsInOrder) {
  const Steps forward = {"Sleep(10)", "SetForegroundWindow", "Sleep(10)", "Sleep(10)"};
  const Steps write = {"SendMessageTimeoutA:0xb1", "SendMessageTimeoutA:0xc2", "SendMessageTimeoutA:0xd"};
  const Steps buy = Joined({forward, kSettled, kFocusLook, kKeyPress, {"Sleep(200)"}, kSettled, kFocusLook, write});
  const Steps activate = {"Sleep(10)",         "AttachThreadInput",   "SetActiveWindow",
                          "AttachThreadInput", "SetForegroundWindow", "Sleep(10)"};
  const Steps function = Joined({activate, kSettled, kKeyPress});
  const struct {
    std::string code;
    bool minimized, functionKey;
    std::uint64_t elapsed;
    Keys keys;
  } cases[] = {
      {"600036", false, false, kFoundAtFirstLook, {{kWmKeyDown, kF1, 0x003B0001}, {kWmKeyUp, kF1, 0xC03B0001}}},
      {"600036", true, false, kFoundAtFirstLook, {{kWmKeyDown, kF1, 0x003B0001}, {kWmKeyUp, kF1, 0xC03B0001}}},
      {"", true, true, 20, {{kWmKeyDown, kF3, 0x003D0001}, {kWmKeyUp, kF3, 0xC03D0001}}},
      {"600036", true, true, 20, {{kWmKeyDown, kF3, 0x003D0001}, {kWmKeyUp, kF3, 0xC03D0001}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code + (c.minimized ? " minimised" : "") + (c.functionKey ? " function key" : ""));
    const ClientScene client = Fresh(c.code, "Edit", c.minimized);
    remembered = client.window;
    if (c.functionKey)
      sim::SetFocus(client.codeField);
    else
      OpenFormOnKey(client, kF1, 50);
    const auto attached = AttachedDuringPauses();

    EXPECT_EQ(Timed([&] { c.functionKey ? Function() : Buy(kF1); }), c.elapsed);
    sim::Advance(1);

    const Steps restored = c.minimized ? kRestore : Steps{};
    EXPECT_EQ(VisibleSteps(), Joined({{"SendMessageTimeoutA:0x0"}, restored, c.functionKey ? function : buy}));
    EXPECT_FALSE(sim::IsMinimized(client.window));
    EXPECT_EQ(KeysAt(client.window), c.keys);
    EXPECT_EQ(sim::TextOf(client.codeField), c.functionKey ? "999999" : "600036");
    if (c.functionKey) {
      EXPECT_EQ(CountCalls("GetGUIThreadInfo"), 0);
      EXPECT_TRUE(sim::Received(client.codeField).empty());
    }
    EXPECT_EQ(*attached, 0);
    EXPECT_EQ(sim::InputAttachments(), 0);
  }
}

// The client sees a real press and release of the hot key on its main window
// (buy and sell differ only in the key).  The field is selected whole, then
// replaced undoably with the code exactly as the charting program showed it,
// whatever the field held.  A client that runs above this program gets
// nothing at all, at once, from either action (Windows would drop it, and
// say nothing); one whose rights cannot be read is driven as ever.
TEST_F(OrderActionsTest, PressesTheHotKeyAndWritesTheCodeAsText) {
  const struct {
    std::string code, old;
    std::int32_t key;
    std::uint32_t down, up;  // the key messages' lParam
    std::uint32_t integrity;
    bool tokenDenied, above;
  } cases[] = {{"000001", "", kF1, 0x003B0001, 0xC03B0001, 0x2000, false, false},
               {"600036", "9", kF2, 0x003C0001, 0xC03C0001, 0x3000, false, true},
               {"00700", "999999", kF4, 0x003E0001, 0xC03E0001, 0x4000, false, true},
               {"300750", "601318 中国平安", kF1, 0x003B0001, 0xC03B0001, 0x2000, true, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    const ClientScene client = Fresh(c.code);
    sim::SetText(client.codeField, c.old);
    OpenFormOnKey(client, c.key, 10);
    sim::SetIntegrity(client.process, c.integrity);
    sim::DenyToken(client.process, c.tokenDenied);

    const std::uint64_t elapsed = TimedBuy(CodeEntry::kReplace, c.key);
    const OrderOutcome function = SendFunctionKey(client.window, kF3);
    sim::Advance(100);

    EXPECT_EQ(last.higherPrivilege, c.above);
    EXPECT_EQ(last.key, c.key);
    if (c.above) {
      EXPECT_EQ(elapsed, 0u);
      EXPECT_EQ(last.stopped, Stopped::kHigherPrivilege);
      EXPECT_EQ(function.stopped, Stopped::kHigherPrivilege);
      EXPECT_EQ(VisibleSteps(), (Steps{"SendMessageTimeoutA:0xe", "SendMessageTimeoutA:0xd"}))
          << "only the search's read of its title; nothing else sent, nothing posted or keyed";
      EXPECT_TRUE(KeysAt(client.window).empty());
      EXPECT_TRUE(sim::Received(client.codeField).empty());
      EXPECT_EQ(sim::TextOf(client.codeField), c.old);
      continue;
    }
    const auto key = static_cast<std::uintptr_t>(c.key);
    EXPECT_EQ(KeysAt(client.window), (Keys{{kWmKeyDown, key, c.down},
                                           {kWmKeyUp, key, c.up},
                                           {kWmKeyDown, kF3, 0x003D0001},
                                           {kWmKeyUp, kF3, 0xC03D0001}}));
    EXPECT_EQ(sim::TextOf(client.codeField), c.code);
    const std::vector<sim::Message> got = sim::Received(client.codeField);
    std::vector<unsigned> order;
    for (const sim::Message& m : got) order.push_back(m.message);
    ASSERT_EQ(order, (std::vector<unsigned>{kEmSetSel, kEmReplaceSel, platform::kWmGetText}))
        << "selected first, then replaced, then read back";
    EXPECT_EQ(got[0].wParam, 0u);
    EXPECT_EQ(got[0].lParam, -1);
    EXPECT_EQ(got[1].wParam, 1u);
    EXPECT_EQ(got[1].text, c.code);
    EXPECT_EQ(function.pressed, KeyPressed::kPosted);
  }
}

// Anything but a code (five or six ASCII digits, not all 0), or a key but
// F1 to F24, stops the action before anything else, even the search for the
// client: a chart's title shown on the label may read as a number, and
// Enter, Space or Tab would press a button of an order form.  The function
// key alike, whichever way keys go.
TEST_F(OrderActionsTest, NoCodeOrNoFKeyDoesNothingAtAll) {
  std::vector<std::pair<std::string, std::int32_t>> rows;
  for (const std::string code : {"", "000000", "0", "abc", "-600036", " ", "０００", "１２３４５６", "300750 ",
                                 "2024年报", "6000361", "1234", "60003A", "+60003"})
    rows.emplace_back(code, kF1);
  for (const std::int32_t key : {13, 32, 9, 0x31, 0x41, 0, -112, 111, 136, 112 + 256}) rows.emplace_back("600036", key);
  for (const auto& [code, key] : rows) {
    SCOPED_TRACE(code + " " + std::to_string(key));
    const ClientScene client = Fresh(code);
    OpenFormOnKey(client, key, 10);
    sim::SetForeground(client.window);
    const CodeEntry entry = key % 2 ? CodeEntry::kKeyed : CodeEntry::kReplace;

    EXPECT_EQ(TimedBuy(entry, key), 0u);
    if (key != kF1) {
      EXPECT_EQ(SendFunctionKey(client.window, key).stopped, Stopped::kKeyNotAllowed);
    }
    EXPECT_TRUE(sim::Calls().empty()) << sim::Calls().front().text;
    sim::Advance(100);
    const Stopped stopped = key != kF1            ? Stopped::kKeyNotAllowed
                            : TextToInt(code) > 0 ? Stopped::kNotACode
                                                  : Stopped::kNoCode;
    EXPECT_EQ(last.stopped, stopped);
    EXPECT_TRUE(sim::Received(client.window).empty());
    EXPECT_TRUE(sim::Received(client.button).empty());
    EXPECT_EQ(last.client, 0);
    EXPECT_EQ(sim::TextOf(client.codeField), "999999");
  }
}

// No client: the search runs, nothing else happens, for either action.  The
// next click searches again and finds a client started in between.  A
// remembered handle that is still a window is trusted as it is: no search,
// even when its title no longer says what it is.  Once its program has ended,
// a new search finds the client running now.
TEST_F(OrderActionsTest, TheClientIsSearchedForUntilOneIsRememberedWhileItIsAWindow) {
  shownCode = "600036";
  for (const auto& action : std::vector<std::function<void()>>{[this] { Buy(kF1); }, [this] { Function(); }}) {
    EXPECT_EQ(Timed(action), 0u);
    EXPECT_GE(CountCalls("EnumWindows"), 1);
    EXPECT_TRUE(VisibleSteps().empty());
    EXPECT_EQ(remembered, 0);
  }

  ClientScene client = AddTradingClient();
  OpenFormOnKey(client, kF1, 10);
  for (const std::string step : {"started", "retitled", "ended"}) {
    if (step == "retitled") sim::SetText(client.window, "委托");
    if (step == "ended") {
      sim::EndProcess(client.process);
      client = AddTradingClient();
      OpenFormOnKey(client, kF1, 10);
    }
    sim::SetText(client.codeField, "999999");
    sim::SetFocus(client.button);
    Timed([this] { Buy(kF1); });

    EXPECT_EQ(CountCalls("EnumWindows") > 0, step != "retitled") << step;
    EXPECT_EQ(remembered, client.window) << step;
    EXPECT_EQ(sim::TextOf(client.codeField), "600036") << step;
  }
}

// Only an "Edit" of the client's own process takes the code.  Another
// program the trader clicks into while the form opens gets nothing, whatever
// its field, and the outcome names it; when the client is in front again
// with its code field in time, that field gets the code.
TEST_F(OrderActionsTest, OnlyTheClientsOwnFieldTakesTheCode) {
  const struct {
    const char* what;
    std::uint64_t clientBackAfter;  // 0: the other program stays in front
    bool ownEditInFront;            // the other window belongs to the client's process
    Result written;
    std::uint64_t elapsed;
    bool sharesInput = false;  // the other program's thread attached to the client's: its field has the focus
  } cases[] = {
      {"another program stays in front", 0, false, Stopped::kOtherInFront, kNeverFound},
      {"the trader comes back to the client", 600, false, CodeWritten::kReplaced, kFoundAtFirstLook + 400},
      {"the client's own second window", 0, true, CodeWritten::kReplaced, kFoundAtFirstLook},
      {"another program's field on the client's input", 0, false, Stopped::kNoField, kNeverFound, true},
  };
  for (const auto& c : cases) {
    const ClientScene client = Fresh("600036");
    const Notepad notes = AddNotepad(c.ownEditInFront ? client.process : 0);
    if (c.sharesInput)
      platform::AttachThreadInput(platform::GetWindowThreadProcessId(notes.window, nullptr), client.thread, true);
    sim::OnMessage(client.window, [&](const sim::Message& m) {
      if (!m.posted || m.message != kWmKeyDown) return;
      sim::At(100, [&] {
        if (!c.sharesInput) sim::SetForeground(notes.window);
        sim::SetFocus(notes.edit);
      });
      if (c.clientBackAfter)
        sim::At(c.clientBackAfter, [&] {
          sim::SetForeground(client.window);
          sim::SetFocus(client.codeField);
        });
    });

    EXPECT_EQ(TimedBuy(), c.elapsed) << c.what;
    EXPECT_EQ(ResultOf(last), c.written) << c.what;
    EXPECT_EQ(sim::TextOf(notes.edit), c.ownEditInFront ? "600036" : "memo") << c.what;
    EXPECT_EQ(sim::TextOf(client.codeField), c.clientBackAfter ? "600036" : "999999") << c.what;
    EXPECT_EQ(last.otherInFront, c.written == Result(Stopped::kOtherInFront) ? "记事本" : "") << c.what;
  }
}

// The client is asked, with a bound, whether it still answers before it is
// restored and activated: both wait on its thread without one, and a client
// that has stopped answering would hold the bar for good.  Whether it is
// still behind another window or minimised, each case ends in bounded time,
// and the client gets nothing until it answers; the function key alike.
TEST_F(OrderActionsTest, AnUnansweringClientIsLeftBeforeItCanHoldTheBar) {
  const struct {
    const char* what;
    std::uint64_t hungBefore;         // how long before the click it stopped answering
    std::uint64_t answersAgainAfter;  // after the click; 0: not within the action
    bool minimized;
    std::uint64_t elapsed;
    bool reached;  // the client got its key (and the code, for a buy)
    bool functionKey = false;
  } cases[] = {
      {"just stopped", 0, 0, false, 500, false},
      {"just stopped, minimised", 0, 0, true, 500, false},
      {"stopped long ago: no wait at all", 6000, 0, false, 0, false},
      {"answers too late", 0, 700, false, 500, false},
      {"only slow", 0, 300, false, 300 + kFoundAtFirstLook, true},
      {"only slow, minimised", 0, 300, true, 300 + kFoundAtFirstLook, true},
      {"function key, just stopped, minimised", 0, 0, true, 500, false, true},
      {"function key, only slow, minimised", 0, 300, true, 300 + 20, true, true},
  };
  for (const auto& c : cases) {
    const ClientScene client = Fresh(c.functionKey ? "" : "600036", "Edit", c.minimized);
    OpenFormOnKey(client, kF1, 10);
    // The client is not the active window.
    sim::SetForeground(sim::CreateWindow({"Chart", "", sim::AddProcess("C:\\x\\chart.exe")}));
    remembered = client.window;  // found before it stopped answering
    sim::SetHung(client.thread);
    sim::Advance(c.hungBefore);
    if (c.answersAgainAfter) sim::At(c.answersAgainAfter, [&client] { sim::SetHung(client.thread, false); });

    EXPECT_EQ(Timed([&] { c.functionKey ? Function() : Buy(kF1); }), c.elapsed) << c.what;
    sim::Advance(1);

    EXPECT_EQ(sim::TextOf(client.codeField), c.reached && !c.functionKey ? "600036" : "999999") << c.what;
    EXPECT_EQ(Taken(client.window, kWmKeyDown), c.reached ? 1u : 0u) << c.what;
    EXPECT_EQ(sim::IsMinimized(client.window), c.minimized && !c.reached) << c.what;
    if (!c.reached) {
      EXPECT_EQ(VisibleSteps(), Steps{"SendMessageTimeoutA:0x0"}) << c.what << ": only the check";
    }
  }
}

// A client that answers the check and stalls right after it, while it is
// restored or activated (as clients that refresh their accounts when brought
// forward do), holds the bar no longer than the action's own bounds and gets
// no key while it has not taken its activation: a key handled after the bar
// gave up would open a form long after the click.  An activation stuck in the
// client keeps the helper thread, attached to it, and a second click then
// does nothing to the client at all.  One whose stall is short still gets its
// code, and once the stall is over the client is driven as ever.
TEST_F(OrderActionsTest, AClientThatStallsWhenBroughtForwardHoldsTheBarNoLonger) {
  const struct {
    const char* what;
    bool minimized, functionKey, foregroundRefused;
    std::uint64_t stall, elapsed;
    bool keyed;
    Result second;  // a click a second later
  } cases[] = {
      {"minimised, stalls 8 s while restored", true, false, false, 8000, 30 + 500, false, Stopped::kClientSilent},
      {"minimised, stalls 300 ms while restored", true, false, false, 300, 300 + 200, true, CodeWritten::kReplaced},
      {"behind its pop-up, foreground refused, stalls 8 s", false, false, true, 8000, 10 + 10 + 250 + 10, false,
       Stopped::kEarlierStillStuck},
      {"behind its pop-up, stalls 8 s when activated for its function key", false, true, false, 8000, 10 + 250 + 10,
       false, Stopped::kEarlierStillStuck},
      {"minimised, stalls 8 s, function key", true, true, false, 8000, 20 + 500, false, Stopped::kClientSilent},
  };
  for (const auto& c : cases) {
    const ClientScene client = Fresh("600036", "Edit", c.minimized);
    OpenFormOnKey(client, c.functionKey ? kF3 : kF1, 10);
    if (!c.minimized) sim::SetFocus(sim::CreateWindow({"Popup", "", client.process}));
    sim::SetHandlingTime(client.window, sim::kWmActivate, c.stall);
    sim::RefuseForeground(c.foregroundRefused);
    // A second click finds the focus still in the field the first filled.
    const auto act = [&] {
      if (c.functionKey) return SendFunctionKey(client.window, kF3);
      const OrderOutcome outcome = OpenOrderForm(shownCode, client.window, kF1, CodeEntry::kReplace, lastField);
      if (outcome.codeField > 0) lastField = outcome.codeField;
      return outcome;
    };

    OrderOutcome outcome;
    EXPECT_EQ(Timed([&] { outcome = act(); }), c.elapsed) << c.what;
    EXPECT_EQ(ResultOf(outcome), c.keyed ? Result(CodeWritten::kReplaced) : Result(Stopped::kStalledOnActivation))
        << c.what;
    EXPECT_EQ(sim::TextOf(client.codeField), c.keyed ? "600036" : "999999") << c.what;
    sim::Advance(1000);
    sim::ClearCalls();
    EXPECT_EQ(ResultOf(act()), c.second) << c.what;
    if (c.second == Result(Stopped::kEarlierStillStuck)) {
      EXPECT_TRUE(VisibleSteps().empty()) << c.what;
    }
    sim::Advance(c.stall);
    EXPECT_EQ(Taken(client.window, kWmKeyDown), c.keyed ? 2u : 0u) << c.what;
    EXPECT_FALSE(sim::IsMinimized(client.window)) << c.what;
    EXPECT_EQ(sim::InputAttachments(), 0) << c.what;

    sim::SetHandlingTime(client.window, sim::kWmActivate, 0);
    sim::RefuseForeground(false);
    EXPECT_EQ(act().pressed, KeyPressed::kPosted) << c.what;
  }
}

// Every wait from the click on takes what is left of one clock of 2.5 s: the
// search for the client, the check, the client's handling of its key, the
// looks and each message to the code field.  A click on a desktop slow at
// every step ends with the clock, and a field it did not reach is left as it
// was; a client that is only slow still gets the code.
TEST_F(OrderActionsTest, EveryStepSlowAtItsBoundEndsWithTheClock) {
  enum class Slow { kSearch, kCheck, kSelection, kReplace, kReadBack, kHangsAtKey, kFieldThreadHungLong };
  const struct {
    const char* what;
    Slow slow;
    std::uint64_t focusAfterKey;  // for a client that hangs at its key: when it answers again (0: not in time)
    Result written;
    std::uint64_t elapsed = 2500;
  } cases[] = {
      {"eight windows above it each slow to give its title", Slow::kSearch, 10, Stopped::kClientSilent},
      {"answers the check after 480 ms, its field never in time", Slow::kCheck, 2090, Stopped::kNoField},
      {"field at the last look, the selection unanswered", Slow::kSelection, 2090, CodeWritten::kSelectFailed},
      {"the replace unanswered", Slow::kReplace, 1500, CodeWritten::kFieldSilent},
      {"the read-back unanswered", Slow::kReadBack, 2090, CodeWritten::kFieldSilent},
      {"stops answering at its key, its field focused", Slow::kHangsAtKey, 0, Stopped::kKeyNotTaken},
      {"answers again 700 ms after its key", Slow::kHangsAtKey, 700, CodeWritten::kReplaced, 30 + 700},
      {"answers again 2100 ms after its key", Slow::kHangsAtKey, 2100, CodeWritten::kReplaced, 30 + 2100},
      {"its code field's own thread hung for long: given up on at once", Slow::kFieldThreadHungLong, 10,
       CodeWritten::kSelectFailed, kFoundAtFirstLook},
  };
  for (const auto& c : cases) {
    const ClientScene client = Fresh("600036");
    Hwnd field = client.codeField;
    if (c.slow == Slow::kFieldThreadHungLong) {
      // A form on a thread of its own shares the main window's input state.
      const std::uint32_t formThread = sim::AddThread(client.process);
      platform::AttachThreadInput(formThread, client.thread, true);
      field = sim::CreateWindow({"Edit", "999999", client.process, formThread, client.window});
      sim::OnMessage(client.window, [field](const sim::Message& m) {
        if (m.message == kWmKeyDown) sim::At(10, [field] { sim::SetFocus(field); });
      });
      sim::SetHung(formThread);
      sim::Advance(6000);
    } else if (c.slow == Slow::kHangsAtKey) {
      sim::OnMessage(client.window, [&client, c](const sim::Message& m) {
        if (!m.posted || m.message != kWmKeyDown) return;
        sim::SetHung(client.thread);
        if (c.focusAfterKey)
          sim::At(c.focusAfterKey, [&client] {
            sim::SetHung(client.thread, false);
            sim::SetFocus(client.codeField);
          });
      });
    } else {
      OpenFormOnKey(client, kF1, c.focusAfterKey);
      const unsigned message = c.slow == Slow::kSelection ? kEmSetSel
                               : c.slow == Slow::kReplace ? kEmReplaceSel
                                                          : platform::kWmGetText;
      sim::SetHandlingTime(client.codeField, message, 3000);
    }
    for (int i = 0; c.slow == Slow::kSearch && i < 8; ++i) {
      const std::uint32_t slow = sim::AddProcess("C:\\x\\slow" + std::to_string(i) + ".exe");
      sim::SetHandlingTime(sim::CreateWindow({"Slow", "", slow}), platform::kWmGetTextLength, 600);
    }
    if (c.slow == Slow::kCheck) {
      sim::SetHung(client.thread);
      sim::At(480, [&client] { sim::SetHung(client.thread, false); });
    }

    EXPECT_EQ(TimedBuy(), c.elapsed) << c.what;
    EXPECT_EQ(ResultOf(last), c.written) << c.what;
    EXPECT_EQ(last.client, client.window) << c.what;
    sim::SetHung(client.thread, false);
    sim::Advance(5000);
    const bool reached =
        c.written == Result(CodeWritten::kReplaced) || c.slow == Slow::kReplace || c.slow == Slow::kReadBack;
    EXPECT_EQ(sim::TextOf(field), reached ? "600036" : "999999") << c.what;
  }
}

// The field is read back after the replace, and the code counts as landed
// when the field holds it as a whole number.  A client that ignored the
// replace gets the code typed, once, all its characters posted in a run and
// the field read back again; one that reacts only to typed keys gets it typed
// from the start ("输入方式" 1).  Nothing follows a message the field did not
// answer in time, which it may still handle later: the field ends with the
// whole code or as it was, never with a part of it.
TEST_F(OrderActionsTest, TheCodeIsReadBackAndTypedWhereTheReplaceDidNotLand) {
  enum class Field {
    kPlain,
    kIgnoresReplace,
    kAddsName,
    kAddsMarket,
    kAddsDigit,
    kSlowKeys,
    kKeysMangled,
    kSlowSelection,
    kHangsAfterSelection,
    kHangsAfterReadBack,
    kHangsWhenTyped,
    kMovesCaretAfterSelection,
  };
  const struct {
    const char* what;
    Field field;
    Result written;
    std::size_t replaces, typed;  // EM_REPLACESEL and WM_CHAR messages taken
    std::string text;             // the field's text in the end
    std::uint64_t elapsed;
    CodeEntry entry = CodeEntry::kReplace;
  } cases[] = {
      {"replaced and read back", Field::kPlain, CodeWritten::kReplaced, 1, 0, "600036", 230},
      {"name after the code", Field::kAddsName, CodeWritten::kReplaced, 1, 0, "600036 招商银行", 230},
      {"market before the code", Field::kAddsMarket, CodeWritten::kReplaced, 1, 0, "SH600036", 230},
      {"a digit after the code is another code", Field::kAddsDigit, CodeWritten::kKeyedAfterIgnoredReplace, 1, 6,
       "600036", 240},
      {"replace ignored", Field::kIgnoresReplace, CodeWritten::kKeyedAfterIgnoredReplace, 1, 6, "600036", 240},
      {"typed by setting", Field::kIgnoresReplace, CodeWritten::kPostedBySetting, 0, 6, "600036", 240,
       CodeEntry::kPosted},
      {"700 ms over each key", Field::kSlowKeys, CodeWritten::kNotReadBack, 1, 6, "600036", 230 + 10 + 500},
      {"typed, but the field shows another code", Field::kKeysMangled, CodeWritten::kNotLanded, 1, 6, "6000361", 2500},
      {"does not answer the selection in time", Field::kSlowSelection, CodeWritten::kSelectFailed, 0, 0, "999999",
       230 + 2000},
      {"stops answering after the selection", Field::kHangsAfterSelection, CodeWritten::kFieldSilent, 1, 0, "600036",
       230 + 2000},
      {"select refused before typing", Field::kHangsAfterReadBack, CodeWritten::kSelectFailed, 1, 0, "999999",
       230 + 2000},
      {"typed by setting, its caret moved right after the selection", Field::kMovesCaretAfterSelection,
       CodeWritten::kPostedBySetting, 0, 6, "600036", 240, CodeEntry::kPosted},
      {"moves its caret to the end right after the selection", Field::kMovesCaretAfterSelection,
       CodeWritten::kKeyedAfterIgnoredReplace, 1, 6, "600036", 240},
      {"stops answering when typed", Field::kHangsWhenTyped, CodeWritten::kNotReadBack, 1, 6, "600036", 230 + 500},
  };
  for (const auto& c : cases) {
    const ClientScene client = Fresh("600036");
    OpenFormOnKey(client, kF1, 10);
    const bool ignoresReplace = c.field != Field::kPlain && c.field != Field::kAddsName &&
                                c.field != Field::kAddsMarket && c.field != Field::kAddsDigit &&
                                c.field != Field::kHangsAfterSelection;
    if (ignoresReplace) sim::IgnoreReplaceSel(client.codeField);
    if (c.field == Field::kSlowKeys) sim::SetHandlingTime(client.codeField, platform::kWmChar, 700);
    if (c.field == Field::kSlowSelection) sim::SetHandlingTime(client.codeField, kEmSetSel, 3000);
    sim::OnMessage(client.codeField, [&client, c](const sim::Message& m) {
      if (c.field == Field::kAddsName && m.message == kEmReplaceSel)
        sim::SetText(client.codeField, m.text + " 招商银行");
      if (c.field == Field::kAddsMarket && m.message == kEmReplaceSel) sim::SetText(client.codeField, "SH" + m.text);
      if (c.field == Field::kAddsDigit && m.message == kEmReplaceSel) sim::SetText(client.codeField, m.text + "1");
      if (c.field == Field::kKeysMangled && m.message == platform::kWmChar && sim::TextOf(client.codeField) == "600036")
        sim::SetText(client.codeField, "6000361");
      if (c.field == Field::kHangsAfterSelection && m.message == kEmSetSel) sim::SetHung(client.thread);
      if (c.field == Field::kHangsAfterReadBack && m.message == platform::kWmGetText) sim::SetHung(client.thread);
      if (c.field == Field::kMovesCaretAfterSelection && m.message == kEmSetSel && !m.posted)
        platform::PostMessageA(client.codeField, kEmSetSel, 6, 6);
      if (c.field == Field::kHangsWhenTyped && m.message == kEmSetSel && !m.posted &&
          Taken(client.codeField, platform::kWmGetText) > 0)
        sim::SetHung(client.thread);
    });
    EXPECT_EQ(TimedBuy(c.entry), c.elapsed) << c.what;
    EXPECT_EQ(ResultOf(last), c.written) << c.what;
    // Whatever the field was left to handle, it handles in its own time.
    sim::SetHung(client.thread, false);
    sim::Advance(6000);
    EXPECT_EQ(Taken(client.codeField, kEmReplaceSel), c.replaces) << c.what;
    EXPECT_EQ(Taken(client.codeField, platform::kWmChar), c.typed) << c.what;
    EXPECT_EQ(sim::TextOf(client.codeField), c.text) << c.what;
    EXPECT_EQ(last.reached, ClientReached::kSearched) << c.what;
    EXPECT_TRUE(last.answered && last.inFront) << c.what;
    EXPECT_EQ(last.pressed, KeyPressed::kPosted) << c.what;
    EXPECT_EQ(last.fieldAfterMs, 200) << c.what;
    EXPECT_EQ(last.focusedClass, "Edit") << c.what;
  }
}

// A code field that takes only keyboard input (it ignores the replace and any
// character whose key is not down) gets the code typed on the keyboard: in
// the default way after the ignored replace, with "输入方式" 2 from the
// start, the hot key too, for a client that opens its form only on a key
// that is down.  The keys go in one SendInput, once no modifier of the
// trader's is held, while the client is in front with its code field
// focused, and only as digits the layout makes without a modifier; anything
// else types nothing and says why.  No other program's field ever changes.
TEST_F(OrderActionsTest, KeysAreTypedOnTheKeyboardOnlyWhereTheyLandWhole) {
  constexpr int kVkShift = 0x10, kVkControl = 0x11;
  using Scene = std::function<void(const ClientScene&, Hwnd notes)>;
  const Scene holdCtrl = [](const ClientScene&, Hwnd) { sim::PressKey(kVkControl, true); };
  // What happens to the client or the trader once the replace has come.
  const auto onReplace = [](Scene then) -> Scene {
    return [then](const ClientScene& client, Hwnd notes) {
      sim::OnMessage(client.codeField, [then, client, notes](const sim::Message& m) {
        if (m.message == kEmReplaceSel) then(client, notes);
      });
    };
  };
  // What, the way keys go, the scene, the result, the keyboard's part, the field's text, how long, SendInput calls.
  const std::tuple<const char*, CodeEntry, Scene, Result, Keyed, std::string, std::uint64_t, int> cases[] = {
      {"default way", CodeEntry::kReplace, nullptr, CodeWritten::kKeyedAfterIgnoredReplace, Keyed::kKeyed, "600036",
       240, 1},
      {"输入方式 2", CodeEntry::kKeyed, {}, CodeWritten::kKeyedBySetting, Keyed::kKeyed, "600036", 240, 2},
      {"Ctrl held through the clock, 输入方式 2", CodeEntry::kKeyed, holdCtrl, Stopped::kHotKeyNotKeyed,
       Keyed::kModifierHeld, "999999", 2500, 0},
      {"Ctrl held from the replace through the clock, default way", CodeEntry::kReplace, onReplace(holdCtrl),
       CodeWritten::kNotKeyed, Keyed::kModifierHeld, "999999", 2500, 0},
      {"Shift let go 400 ms after the click", CodeEntry::kKeyed,
       [](const ClientScene&, Hwnd) {
         sim::PressKey(kVkShift, true);
         sim::At(400, [] { sim::PressKey(kVkShift, false); });
       },
       CodeWritten::kKeyedBySetting, Keyed::kKeyed, "600036", 400 + 210, 2},
      {"another program in front at the moment of typing", CodeEntry::kReplace,
       onReplace([](const ClientScene&, Hwnd notes) { sim::SetForeground(notes); }), CodeWritten::kNotKeyed,
       Keyed::kNotInFront, "999999", 230, 0},
      {"another control of the client focused then", CodeEntry::kReplace,
       onReplace([](const ClientScene& client, Hwnd) { sim::SetFocus(client.button); }), CodeWritten::kNotKeyed,
       Keyed::kFocusElsewhere, "999999", 230, 0},
      {"a locked desktop takes no key", CodeEntry::kKeyed, [](const ClientScene&, Hwnd) { sim::LimitInput(0); },
       Stopped::kHotKeyNotKeyed, Keyed::kInputCut, "999999", 30, 1},
      {"5 of 12 keys taken, the last a key's down", CodeEntry::kReplace,
       [](const ClientScene&, Hwnd) { sim::LimitInput(5); }, CodeWritten::kNotKeyed, Keyed::kInputCut, "600", 230, 2},
      {"the hot key's down taken, not its up", CodeEntry::kKeyed, [](const ClientScene&, Hwnd) { sim::LimitInput(1); },
       Stopped::kHotKeyNotKeyed, Keyed::kInputCut, "999999", 30, 2},
      {"a client above this program", CodeEntry::kKeyed,
       [](const ClientScene& client, Hwnd) { sim::SetIntegrity(client.process, 0x3000); }, Stopped::kHigherPrivilege,
       Keyed::kNotTried, "999999", 0, 0},
      {"an input method open in full-width mode", CodeEntry::kReplace,
       [](const ClientScene& client, Hwnd) { sim::SetInputMethod(client.thread, true, platform::kImeCmodeFullShape); },
       CodeWritten::kNotKeyed, Keyed::kInputMethod, "999999", 230, 0},
      {"输入方式 2, an input method open in Chinese mode", CodeEntry::kKeyed,
       [](const ClientScene& client, Hwnd) { sim::SetInputMethod(client.thread, true, platform::kImeCmodeNative); },
       CodeWritten::kNotKeyed, Keyed::kInputMethod, "999999", 230, 1},
      {"an input method closed", CodeEntry::kReplace,
       [](const ClientScene& client, Hwnd) {
         sim::SetInputMethod(client.thread, false, platform::kImeCmodeFullShape | platform::kImeCmodeNative);
       },
       CodeWritten::kKeyedAfterIgnoredReplace, Keyed::kKeyed, "600036", 240, 1},
      {"digits need Shift on the layout", CodeEntry::kReplace,
       [](const ClientScene& client, Hwnd) { sim::SetKeyboardLayout(client.thread, 0x040C040C); },
       CodeWritten::kNotKeyed, Keyed::kNoPlainKey, "999999", 230, 0},
  };
  for (const auto& [what, entry, scene, written, keys, text, elapsed, sendInputs] : cases) {
    const ClientScene client = Fresh("600036");
    sim::TakeOnlyKeyboardInput(client.codeField);
    OpenFormOnKey(client, kF1, 10, entry == CodeEntry::kKeyed);
    const Notepad notes = AddNotepad();
    sim::SetFocus(notes.edit);
    if (scene) scene(client, notes.window);

    EXPECT_EQ(TimedBuy(entry), elapsed) << what;
    sim::Advance(100);

    EXPECT_EQ(ResultOf(last), written) << what;
    EXPECT_EQ(last.keyed, keys) << what;
    EXPECT_EQ(last.pressed == KeyPressed::kKeyed,
              entry == CodeEntry::kKeyed && std::holds_alternative<CodeWritten>(written))
        << what;
    EXPECT_EQ(CountCalls("SendInput"), sendInputs) << what;
    EXPECT_EQ(sim::TextOf(client.codeField), text) << what;
    EXPECT_EQ(sim::TextOf(notes.edit), "memo") << what;
    const bool replaced = entry == CodeEntry::kReplace && written != Result(Stopped::kHigherPrivilege);
    EXPECT_EQ(Taken(client.codeField, kEmReplaceSel), replaced ? 1u : 0u) << what;
    for (const int vk : std::vector<int>{kF1, 0x30, 0x33, 0x36})
      EXPECT_GE(platform::GetAsyncKeyState(vk), 0) << what << ": left down";
  }
}

// Landed means the field holds the code as a whole number.
TEST_F(OrderActionsTest, HoldsCodeWantsTheWholeNumber) {
  for (const char* field : {"600036", "SH600036", "600036 招商银行", "[600036]", "中600036", "6000361 600036"})
    EXPECT_TRUE(HoldsCode(field, "600036")) << field;
  for (const char* field : {"6000361", "1600036", "6", "", "60003", "１600036", "600036１", "600036９"})
    EXPECT_FALSE(HoldsCode(field, "600036")) << field;
}

}  // namespace
