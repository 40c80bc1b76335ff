// How the window queries behave on windows of another program.
#include <algorithm>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "contract/fixture.h"

namespace contract {
namespace {

using namespace platform;

std::ptrdiff_t IndexOf(const std::vector<Hwnd>& list, Hwnd window) {
  auto it = std::find(list.begin(), list.end(), window);
  return it == list.end() ? -1 : it - list.begin();
}

// Hidden and minimised windows are enumerated too, children never; the
// style carries visibility, which a minimised window keeps.
TEST_F(ContractTest, EnumWindowsAndTheDesktopWalkListTopLevelWindowsNewestFirst) {
  Peer peer =
      Start({TopLevel("a", "A"), TopLevel("b", "B"), With(TopLevel("hidden"), [](auto& w) { w.visible = false; }),
             With(TopLevel("minimised"), [](auto& w) { w.minimized = true; }), Child("child", "a")});
  std::vector<Hwnd> all = EnumWindows();
  ASSERT_GE(IndexOf(all, peer["a"]), 0);
  ASSERT_GE(IndexOf(all, peer["b"]), 0);
  EXPECT_LT(IndexOf(all, peer["b"]), IndexOf(all, peer["a"]));
  EXPECT_GE(IndexOf(all, peer["hidden"]), 0) << "hidden windows are enumerated too";
  EXPECT_EQ(IndexOf(all, peer["child"]), -1);
  std::vector<Hwnd> walked;
  for (Hwnd h = GetWindow(GetDesktopWindow(), kGwChild); h != 0 && walked.size() < 100000;
       h = GetWindow(h, kGwHwndNext))
    walked.push_back(h);
  EXPECT_EQ(walked, EnumWindows());
  EXPECT_GE(IndexOf(walked, peer["hidden"]), 0);

  const std::pair<const char*, bool> visibility[] = {{"a", true}, {"hidden", false}, {"minimised", true}};
  for (auto [name, visible] : visibility) {
    std::uint32_t style = static_cast<std::uint32_t>(GetWindowLongA(peer[name], kGwlStyle));
    EXPECT_EQ((style & kWsVisible) != 0, visible) << name;
  }
  EXPECT_TRUE(IsIconic(peer["minimised"]));
  EXPECT_FALSE(IsIconic(peer["a"]));
  EXPECT_EQ(GetWindowLongA(0, kGwlStyle), 0);
}

// GetWindowTextA cuts titles to the buffer; WM_GETTEXTLENGTH and WM_GETTEXT
// answer the length and copy into the buffer, long titles their whole length
// (around the size at which a title stops fitting a first, short read of
// 256 UTF-16 units, in one-byte and in two-byte characters).
TEST_F(ContractTest, TitlesAndTextMessagesAnswerTextCutToTheBuffer) {
  const std::string trader = "交易师 - 600036 - 招商银行", client = "网上股票交易系统5.0";
  const auto repeated = [](const std::string& unit, std::size_t times) {
    std::string text;
    while (times--) text += unit;
    return text;
  };
  const std::string longTitles[] = {repeated("a", 254),   repeated("a", 255),    repeated("a", 256),
                                    repeated("a", 257),   repeated("股", 255),   repeated("股", 256),
                                    repeated("股a", 300), repeated("交易", 1000)};
  PeerSpec shape;
  shape.windows = {TopLevel("ascii", "Hello world"), TopLevel("trader", trader), TopLevel("client", client),
                   TopLevel("empty", "")};
  for (std::size_t i = 0; i < std::size(longTitles); ++i)
    shape.windows.push_back(TopLevel("w" + std::to_string(i), longTitles[i]));
  Peer peer = Start(shape);
  const std::tuple<const char*, int, std::string> titles[] = {
      {"ascii", 256, "Hello world"}, {"ascii", 6, "Hello"}, {"ascii", 1, ""}, {"ascii", 0, ""},
      {"trader", 256, trader},       {"empty", 256, ""},
  };
  for (auto& [window, maxCount, expected] : titles)
    EXPECT_EQ(GetWindowTextA(peer[window], maxCount), expected) << window << " " << maxCount;
  // No window, no text (Wine 8 alone would answer with a text of its own).
  EXPECT_EQ(GetWindowTextA(0, 256), "");

  // The length under each way of waiting, and the text copied into a buffer
  // of the size given (the count it answers is the text's length).
  struct Copy {
    std::string window;
    unsigned flags;
    std::size_t size;
    std::string text, title;
  };
  std::vector<Copy> copies = {
      {"ascii", kSmtoAbortIfHung, 12, "Hello world", "Hello world"},
      {"ascii", kSmtoBlock, 100, "Hello world", "Hello world"},
      {"ascii", kSmtoNormal, 6, "Hello", "Hello world"},
      {"client", kSmtoBlock, client.size() + 1, client, client},
      {"empty", kSmtoNormal, 10, "", ""},
  };
  for (std::size_t i = 0; i < std::size(longTitles); ++i)
    copies.push_back(
        {"w" + std::to_string(i), kSmtoAbortIfHung, longTitles[i].size() + 1, longTitles[i], longTitles[i]});
  for (const Copy& c : copies) {
    std::intptr_t length = -1, count = -1;
    ASSERT_TRUE(SendMessageTimeoutA(peer[c.window], kWmGetTextLength, 0, 0, c.flags, 1000, &length)) << c.window;
    EXPECT_EQ(length, static_cast<std::intptr_t>(c.title.size())) << c.window;
    bool ok = false;
    EXPECT_EQ(SentText(peer[c.window], c.size, &ok, &count), c.text) << c.window << " " << c.size;
    EXPECT_TRUE(ok);
    EXPECT_EQ(count, static_cast<std::intptr_t>(c.text.size())) << c.window << " " << c.size;
  }
  std::intptr_t length = -1;
  EXPECT_FALSE(SendMessageTimeoutA(0, kWmGetTextLength, 0, 0, kSmtoAbortIfHung, 100, &length));
}

TEST_F(ContractTest, AHungWindowFailsSentMessagesWithinTheBoundButNotGetWindowText) {
  Peer peer = Start({TopLevel("main", "交易师 - 000001 - 平安银行")}, 1);
  Sleep(500);
  std::intptr_t length = 0;
  for (unsigned flags : {unsigned(kSmtoBlock), unsigned(kSmtoAbortIfHung), unsigned(kSmtoBlock | kSmtoAbortIfHung)}) {
    std::uint64_t start = world().Now();
    EXPECT_FALSE(SendMessageTimeoutA(peer["main"], kWmGetTextLength, 0, 0, flags, 300, &length)) << flags;
    EXPECT_GE(world().Now() - start, 250u) << flags;
    EXPECT_LE(world().Now() - start, 300u + 700u) << flags;
  }
  // The title the system keeps answers without asking the window.
  std::uint64_t start = world().Now();
  EXPECT_EQ(GetWindowTextA(peer["main"], 256), "交易师 - 000001 - 平安银行");
  EXPECT_LT(world().Now() - start, 250u);
}

// Class names, children in creation order, parents, owners and roots, and
// the thread and process of each window, until the program ends.
TEST_F(ContractTest, TheWindowTreeOfAnotherProgram) {
  Peer peer =
      Start({TopLevel("main"), Child("first", "main"), Child("second", "main", "Edit"), Child("third", "main"),
             Child("grandchild", "second", "ContractPeer"), Owned("popup", "main"), Child("edit", "popup", "Edit")});
  Hwnd main = peer["main"], first = peer["first"], popup = peer["popup"], edit = peer["edit"];
  const std::tuple<const char*, int, std::string> classes[] = {
      {"main", 259, "ContractPeer"}, {"edit", 259, "Edit"}, {"edit", 3, "Ed"}, {"main", 1, ""}};
  for (auto& [window, maxCount, expected] : classes)
    EXPECT_EQ(GetClassNameA(peer[window], maxCount), expected) << window << maxCount;
  EXPECT_EQ(GetClassNameA(0, 259), "");

  EXPECT_EQ(FindWindowExA(main, 0), first);
  EXPECT_EQ(FindWindowExA(main, first), peer["second"]);
  EXPECT_EQ(FindWindowExA(main, peer["second"]), peer["third"]);
  EXPECT_EQ(FindWindowExA(main, peer["third"]), 0);
  EXPECT_EQ(FindWindowExA(first, 0), 0);
  EXPECT_EQ(FindWindowExA(peer["second"], 0), peer["grandchild"]);
  EXPECT_EQ(GetWindow(main, kGwChild), first);
  EXPECT_EQ(GetWindow(first, kGwHwndNext), peer["second"]);
  EXPECT_EQ(GetWindow(peer["third"], kGwHwndNext), 0);

  EXPECT_EQ(GetParent(first), main);
  EXPECT_EQ(GetParent(edit), popup);
  EXPECT_EQ(GetParent(popup), main) << "an owned pop-up reports its owner";
  EXPECT_EQ(GetParent(main), 0);
  const std::tuple<Hwnd, unsigned, Hwnd> ancestors[] = {
      {edit, kGaParent, popup},
      {edit, kGaRoot, popup},
      {edit, kGaRootOwner, main},
      {first, kGaRootOwner, main},
      {popup, kGaRootOwner, main},
      {main, kGaRootOwner, main},
      {popup, kGaParent, GetDesktopWindow()},
      {main, kGaRoot, main},
      {0, kGaRootOwner, 0},
  };
  for (auto [window, flags, expected] : ancestors)
    EXPECT_EQ(GetAncestor(window, flags), expected) << window << " " << flags;

  const std::uint32_t thread = GetWindowThreadProcessId(main, nullptr);
  EXPECT_NE(thread, 0u);
  EXPECT_NE(thread, GetCurrentThreadId());
  for (const char* name : {"main", "edit", "popup"}) {
    std::uint32_t process = 0;
    EXPECT_EQ(GetWindowThreadProcessId(peer[name], &process), thread) << name;
    EXPECT_EQ(process, peer.processId) << name;
  }
  std::uint32_t process = 77;
  EXPECT_EQ(GetWindowThreadProcessId(0, &process), 0u);

  EXPECT_TRUE(IsWindow(main));
  EXPECT_TRUE(IsWindow(edit));
  EXPECT_TRUE(IsWindow(GetDesktopWindow()));
  EXPECT_FALSE(IsWindow(0));
  world().End(peer);
  Sleep(300);
  EXPECT_FALSE(IsWindow(main)) << "a window holds until its program ends";
  EXPECT_FALSE(IsWindow(edit));
}

}  // namespace
}  // namespace contract
