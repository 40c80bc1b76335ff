// Bringing another program's window forward, reaching its focus, and the
// messages that drive it.
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "contract/fixture.h"

namespace contract {
namespace {

using namespace platform;

// A main window with an edit box that has the focus, and a second window in
// front of it.
PeerSpec TwoWindows(bool minimisedMain = false, unsigned hangAfterMs = 0) {
  return {{With(TopLevel("main", "网上股票交易系统"), [&](auto& w) { w.minimized = minimisedMain; }),
           With(Child("edit", "main", "Edit", "old"), [](auto& w) { w.focused = true; }),
           With(TopLevel("other", "other"), [](auto& w) { w.front = true; })},
          hangAfterMs};
}

std::uint32_t ThreadOf(Hwnd window) { return GetWindowThreadProcessId(window, nullptr); }
Hwnd FocusOf(std::uint32_t thread) {
  GuiThreadInfo info;
  return GetGUIThreadInfo(thread, &info) ? info.focus : -1;
}

// The activation as the program runs it: on a helper thread of the caller's,
// attached to the window's thread for its length.  What the helper saw is
// shared, as a helper left at the bound may still run on.
struct HelperSaw {
  std::uint32_t thread = 0;
  bool attached = false;
};
bool ActivateOnHelperThread(Hwnd window, unsigned timeoutMs,
                            std::shared_ptr<HelperSaw> saw = std::make_shared<HelperSaw>()) {
  const std::uint32_t other = ThreadOf(window);
  return RunOnHelperThread(
      [=] {
        saw->thread = GetCurrentThreadId();
        saw->attached = AttachThreadInput(saw->thread, other, true);
        SetActiveWindow(window);
        AttachThreadInput(saw->thread, other, false);
      },
      timeoutMs);
}

// The restore is left to the window's own thread: the call returns at once
// and the window is restored soon after; one not minimised stays as it is.
TEST_F(ContractTest, ShowWindowAsyncRestoresAMinimisedWindowOfAnotherProgram) {
  Peer peer = Start(TwoWindows(true));
  ASSERT_TRUE(IsIconic(peer["main"]));
  EXPECT_TRUE(ShowWindowAsync(peer["main"], kSwRestore));
  Sleep(300);
  EXPECT_FALSE(IsIconic(peer["main"]));
  EXPECT_TRUE(IsWindowVisible(peer["main"]));
  EXPECT_TRUE(ShowWindowAsync(peer["main"], kSwRestore));
  Sleep(100);
  EXPECT_FALSE(IsIconic(peer["main"]));
  EXPECT_FALSE(ShowWindowAsync(0, kSwRestore));
}

TEST_F(ContractTest, SetForegroundWindowBringsAnotherProgramForward) {
  Peer peer = Start(TwoWindows());
  EXPECT_EQ(GetForegroundWindow(), peer["other"]);
  EXPECT_TRUE(SetForegroundWindow(peer["main"]));
  Sleep(100);
  EXPECT_EQ(GetForegroundWindow(), peer["main"]);
  EXPECT_FALSE(SetForegroundWindow(peer["edit"])) << "a child window cannot be the foreground window";
  EXPECT_EQ(GetForegroundWindow(), peer["main"]);
  EXPECT_FALSE(SetForegroundWindow(0));
}

// GetGUIThreadInfo reads another thread's focus from outside.
// AttachThreadInput refuses the caller itself and thread 0.  While attached,
// the caller's own input state is the other thread's, and SetActiveWindow
// acts on its windows (only then), giving the focus back to the edit box.
TEST_F(ContractTest, AttachedInputSharesTheFocusAndLetsSetActiveWindowAct) {
  Peer peer = Start(TwoWindows());
  std::uint32_t own = GetCurrentThreadId(), other = ThreadOf(peer["main"]);
  EXPECT_FALSE(AttachThreadInput(own, own, true));
  EXPECT_FALSE(AttachThreadInput(own, 0, true));
  EXPECT_FALSE(AttachThreadInput(0, other, true));
  EXPECT_EQ(FocusOf(other), peer["other"]) << "the front window of the peer has its focus";
  EXPECT_NE(FocusOf(own), peer["other"]);
  ASSERT_TRUE(AttachThreadInput(own, other, true));
  EXPECT_EQ(FocusOf(own), peer["other"]) << "shared while attached";
  EXPECT_TRUE(AttachThreadInput(own, other, false));
  EXPECT_NE(FocusOf(own), peer["other"]) << "detached, the caller's own focus again";
  EXPECT_FALSE(AttachThreadInput(own, other, false)) << "nothing left to detach";

  EXPECT_EQ(SetActiveWindow(peer["main"]), 0) << "another thread's window, not attached";
  ASSERT_TRUE(AttachThreadInput(own, other, true));
  EXPECT_EQ(SetActiveWindow(peer["main"]), peer["other"]);
  EXPECT_EQ(FocusOf(other), peer["edit"]) << "activation gives the focus back to the edit box";
  EXPECT_TRUE(AttachThreadInput(own, other, false));
}

// The activation runs on a helper thread of the caller's, attached to the
// peer's for its length; the caller's own focus is never involved.
TEST_F(ContractTest, TheForceActivateSequenceFocusesTheEditBox) {
  Peer peer = Start(TwoWindows());
  const std::uint32_t caller = GetCurrentThreadId();
  auto saw = std::make_shared<HelperSaw>();
  EXPECT_TRUE(ActivateOnHelperThread(peer["main"], 2000, saw));
  EXPECT_NE(saw->thread, 0u);
  EXPECT_NE(saw->thread, caller);
  EXPECT_TRUE(saw->attached);
  EXPECT_TRUE(SetForegroundWindow(peer["main"]));
  Sleep(100);
  Hwnd foreground = GetForegroundWindow();
  EXPECT_EQ(foreground, peer["main"]);
  const Hwnd focus = FocusOf(ThreadOf(foreground));
  EXPECT_EQ(focus, peer["edit"]);
  EXPECT_EQ(GetClassNameA(focus, 259), "Edit");
}

// A peer that has stopped answering holds a helper thread that activates it,
// but its caller only until the bound.  The helper stays busy, and no other
// work starts beside it, until the peer is gone.
TEST_F(ContractTest, AHelperThreadStuckOnAHungPeerIsLeftAtTheBound) {
  Peer peer = Start(TwoWindows(false, 1));
  Sleep(500);
  EXPECT_FALSE(HelperThreadBusy());
  const std::uint64_t start = world().Now();
  EXPECT_FALSE(ActivateOnHelperThread(peer["main"], 300));
  EXPECT_GE(world().Now() - start, 250u);
  EXPECT_LE(world().Now() - start, 300u + 700u);
  EXPECT_TRUE(HelperThreadBusy());
  auto ran = std::make_shared<bool>(false);
  EXPECT_FALSE(RunOnHelperThread([ran] { *ran = true; }, 100));
  world().End(peer);
  for (int i = 0; i < 50 && HelperThreadBusy(); ++i) Sleep(100);
  EXPECT_FALSE(HelperThreadBusy()) << "the activation returns once the peer is gone";
  EXPECT_FALSE(*ran);
  EXPECT_TRUE(RunOnHelperThread([ran] { *ran = true; }, 1000));
  EXPECT_TRUE(*ran);
}

// Posted key messages arrive in order with their parameters; edit boxes take
// selection and replacement.
TEST_F(ContractTest, PostedKeysArriveInOrderAndEditBoxesTakeSelectionAndReplacement) {
  Peer peer = Start(TwoWindows());
  struct {
    unsigned message;
    std::uintptr_t wParam;
    std::uint32_t lParam;
  } posts[] = {
      {kWmKeyDown, 112, 0x003B0001}, {kWmKeyUp, 112, 0xC03B0001},  {kWmKeyDown, 46, 0x01530001},
      {kWmKeyUp, 46, 0xC1530001},    {kWmKeyDown, 18, 0x20380001}, {kWmKeyDown, 0, 0x00000001},
  };
  for (auto& p : posts)
    EXPECT_TRUE(PostMessageA(peer["main"], p.message, p.wParam, static_cast<std::intptr_t>(p.lParam)));
  EXPECT_FALSE(PostMessageA(0x7ffffff0, kWmKeyDown, 112, 1));
  Sleep(300);
  std::vector<PeerMessage> got = world().MessagesOf(peer);
  ASSERT_EQ(got.size(), std::size(posts));
  for (std::size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].window, "main");
    EXPECT_EQ(got[i].message, posts[i].message) << i;
    EXPECT_EQ(got[i].wParam, posts[i].wParam) << i;
    EXPECT_EQ(got[i].lParam, posts[i].lParam) << i;
    EXPECT_FALSE(got[i].keyDown) << i << ": a posted key is not down in the receiving thread";
  }

  Hwnd edit = peer["edit"];
  struct {
    std::string before;
    std::intptr_t start, end;
    std::string insert, after;
  } cases[] = {
      {"old", 0, -1, "600036", "600036"}, {"abc", 1, 2, "X", "aXc"},
      {"abc", 3, 3, "d", "abcd"},         {"abc", 2, 0, "", "c"},
      {"123456", 0, -1, "", ""},          {"", 0, -1, "深发展", "深发展"},
  };
  for (auto& c : cases) {
    std::intptr_t result = 0;
    ASSERT_TRUE(SendMessageTimeoutA(edit, 0x000C, 0, reinterpret_cast<std::intptr_t>(c.before.c_str()), kSmtoBlock,
                                    1000, &result));
    EXPECT_TRUE(
        SendMessageTimeoutA(edit, kEmSetSel, static_cast<std::uintptr_t>(c.start), c.end, kSmtoBlock, 1000, &result));
    EXPECT_TRUE(SendMessageTimeoutA(edit, kEmReplaceSel, 1, reinterpret_cast<std::intptr_t>(c.insert.c_str()),
                                    kSmtoBlock, 1000, &result));
    EXPECT_EQ(SentText(edit, 100), c.after) << c.before << " " << c.start << "," << c.end << " " << c.insert;
  }
}

// A key press of SendInput, as the program makes one.
void AddPress(std::vector<KeyInput>* keys, unsigned vk) {
  const auto scan = static_cast<std::uint16_t>(MapVirtualKeyA(vk, kMapvkVkToVsc));
  keys->push_back({static_cast<std::uint16_t>(vk), scan, false, false});
  keys->push_back({static_cast<std::uint16_t>(vk), scan, true, false});
}

// Typed keys go, through its queue, to the focused window of the foreground
// window's thread, which sees each down in its key state as it takes it and
// turns the digits into characters; the default layout types the digits
// without a modifier.  While Ctrl is held (as GetAsyncKeyState tells anyone),
// a digit makes none.
TEST_F(ContractTest, SendInputTypesIntoTheForegroundThreadsFocusedWindow) {
  Peer peer = Start({TopLevel("main", "网上股票交易系统"),
                     With(Child("edit", "main", "Edit", ""), [](auto& w) { w.focused = true; })});
  ASSERT_TRUE(SetForegroundWindow(peer["main"]));
  Sleep(200);
  ASSERT_EQ(GetForegroundWindow(), peer["main"]);
  const std::intptr_t layout = GetKeyboardLayout(ThreadOf(peer["edit"]));
  EXPECT_NE(GetKeyboardLayout(0), 0);
  for (char c = '0'; c <= '9'; ++c) EXPECT_EQ(VkKeyScanExA(c, GetKeyboardLayout(0)), c) << c;
  std::vector<KeyInput> keys;
  for (char c : std::string("60")) AddPress(&keys, static_cast<unsigned>(VkKeyScanExA(c, layout) & 0xFF));

  EXPECT_EQ(SendInput(keys), 4u);
  Sleep(300);
  EXPECT_EQ(SentText(peer["edit"], 100), "60");
  std::vector<std::tuple<std::string, unsigned, std::uint64_t, bool>> got;
  for (const PeerMessage& m : world().MessagesOf(peer)) got.emplace_back(m.window, m.message, m.wParam, m.keyDown);
  EXPECT_EQ(got, (decltype(got){{"edit", kWmKeyDown, '6', true},
                                {"edit", kWmKeyUp, '6', false},
                                {"edit", kWmKeyDown, '0', true},
                                {"edit", kWmKeyUp, '0', false}}));

  EXPECT_GE(GetAsyncKeyState(0x11), 0);
  std::vector<KeyInput> control;
  AddPress(&control, 0x11);
  ASSERT_EQ(SendInput({control[0]}), 1u);
  EXPECT_LT(GetAsyncKeyState(0x11), 0) << "held";
  keys.clear();
  AddPress(&keys, '1');
  EXPECT_EQ(SendInput(keys), 2u);
  Sleep(300);
  EXPECT_EQ(SentText(peer["edit"], 100), "60") << "Ctrl+1 is no character";
  ASSERT_EQ(SendInput({control[1]}), 1u);
  EXPECT_GE(GetAsyncKeyState(0x11), 0) << "let go";
  EXPECT_EQ(SendInput({}), 0u);
}

TEST_F(ContractTest, MapVirtualKeyGivesTheUsKeyboardsScanCodes) {
  const std::pair<unsigned, unsigned> cases[] = {
      {0x70, 0x3B},  {0x71, 0x3C},       {0x72, 0x3D}, {0x73, 0x3E}, {0x79, 0x44}, {0x7A, 0x57}, {0x7B, 0x58},
      {0x12, 0x38},  {0x2E, 0x53},       {0x2D, 0x52}, {0x25, 0x4B}, {0x26, 0x48}, {0x27, 0x4D}, {0x28, 0x50},
      {0x21, 0x49},  {0x22, 0x51},       {0x23, 0x4F}, {0x24, 0x47}, {0x0D, 0x1C}, {0x1B, 0x01}, {0x20, 0x39},
      {0x09, 0x0F},  {0x08, 0x0E},       {0x10, 0x2A}, {0x11, 0x1D}, {'0', 0x0B},  {'1', 0x02},  {'9', 0x0A},
      {'A', 0x1E},   {'M', 0x32},        {'Q', 0x10},  {'Z', 0x2C},  {0x6A, 0x37}, {0x6B, 0x4E}, {0x6D, 0x4A},
      {0x90, 0x45},  {0xA0, 0x2A},       {0xA1, 0x36}, {0xBA, 0x27}, {0xC0, 0x29}, {0x00, 0x00}, {0x100, 0x00},
      {0x170, 0x00}, {0xFFFFFFFF, 0x00},
  };
  for (auto [key, scan] : cases) EXPECT_EQ(MapVirtualKeyA(key, kMapvkVkToVsc), scan) << std::hex << key;
}

}  // namespace
}  // namespace contract
