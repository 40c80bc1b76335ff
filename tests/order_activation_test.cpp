#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "order/activation.h"
#include "support/calls.h"
#include "support/client_scene.h"
#include "support/test_fixture.h"

namespace {

using platform::Hwnd;

class ActivationTest : public SimTest {};

// Attach, activate, detach (asking for the thread id afresh), and only then
// the foreground switch; the attachment is a helper thread's, never the
// bar's, whose own thread must not wait on the client.  A window already in
// front is left as it is.
TEST_F(ActivationTest, ForceActivateAttachesAroundSetActiveWindowOnly) {
  const ClientScene client = AddTradingClient();
  for (const bool inFront : {false, true}) {
    if (inFront) sim::SetForeground(client.window);
    sim::ClearCalls();
    EXPECT_EQ(ForceActivate(client.window, 250), Activation::kInFront);

    const std::vector<std::string> expected =
        inFront ? std::vector<std::string>{"GetForegroundWindow"}
                : std::vector<std::string>{"GetForegroundWindow", "RunOnHelperThread", "GetWindowThreadProcessId",
                                           "GetCurrentThreadId",  "AttachThreadInput", "SetActiveWindow",
                                           "GetCurrentThreadId",  "AttachThreadInput", "SetForegroundWindow"};
    EXPECT_EQ(CallNames(), expected) << inFront;
    const auto attaches = ArgumentsOf("AttachThreadInput");
    if (!inFront) {
      ASSERT_EQ(attaches.size(), 2u);
      const std::string helper = attaches[0].substr(0, attaches[0].find(','));
      EXPECT_NE(helper, std::to_string(sim::kOwnThread));
      EXPECT_EQ(attaches[0], helper + "," + std::to_string(client.thread) + ",1");
      EXPECT_EQ(attaches[1], helper + "," + std::to_string(client.thread) + ",0");
    }
    EXPECT_EQ(sim::Foreground(), client.window);
    EXPECT_EQ(sim::InputAttachments(), 0);
  }
}

// A client whose thread stalls in its activation, or has stopped answering,
// holds the bar no longer than the activation's bound.  The helper thread
// stays stuck in it, attached to the client, and no second one starts until
// the client has answered; the activation it was asked for then happens.
TEST_F(ActivationTest, AStallingActivationIsWaitedForOnlyWithinItsBound) {
  // What, how long it stalls in its activation, whether it was hung before the
  // call, how long the bar waits, and the answer.
  const std::tuple<const char*, std::uint64_t, bool, std::uint64_t, Activation> cases[] = {
      {"answers at once", 0, false, 0, Activation::kInFront},
      {"stalls 100 ms", 100, false, 100, Activation::kInFront},
      {"stalls 8 s", 8000, false, 250, Activation::kStalled},
      {"stopped answering before", 0, true, 250, Activation::kStalled},
  };
  for (const auto& [what, stall, hung, elapsed, result] : cases) {
    sim::Reset();
    const ClientScene client = AddTradingClient();
    // Its own pop-up is active within its thread, so the main window's
    // activation is a change that its thread must handle.
    sim::SetFocus(sim::CreateWindow({"Popup", "", client.process}));
    sim::SetHandlingTime(client.window, sim::kWmActivate, stall);
    if (hung) sim::SetHung(client.thread);

    const std::uint64_t start = sim::Now();
    EXPECT_EQ(ForceActivate(client.window, 250), result) << what;
    EXPECT_EQ(sim::Now() - start, elapsed) << what;
    const bool stuck = result == Activation::kStalled;
    EXPECT_EQ(sim::InputAttachments(), stuck ? 1 : 0) << what;
    EXPECT_EQ(platform::HelperThreadBusy(), stuck) << what;
    EXPECT_EQ(ForceActivate(client.window, 250), stuck ? Activation::kStalled : Activation::kInFront) << what;
    EXPECT_EQ(CountCalls("RunOnHelperThread"), stuck ? 2 : 1) << what;
    EXPECT_EQ(sim::Now() - start, elapsed) << what << ": a second call waits on nothing";

    sim::SetHung(client.thread, false);
    sim::Advance(10000);
    EXPECT_EQ(sim::ActiveWindowOf(client.thread), client.window) << what;
    EXPECT_EQ(sim::InputAttachments(), 0) << what;
    EXPECT_FALSE(platform::HelperThreadBusy()) << what;
  }
}

// Behind another program's window, minimised, no longer a window, or with the
// foreground refused: every step still runs once, nothing stays attached, a
// minimised window stays so (restoring is the caller's step), and the answer
// says whether the window came to the front.
TEST_F(ActivationTest, EveryStepRunsWhateverBecameOfTheClient) {
  const std::tuple<const char*, bool, bool, bool, bool, Activation> cases[] = {
      {"behind a chart", true, false, false, false, Activation::kInFront},
      {"behind a chart, foreground refused", true, false, false, true, Activation::kRefused},
      {"minimised", false, true, false, false, Activation::kInFront},
      {"no longer a window", false, false, true, false, Activation::kRefused},
  };
  for (const auto& [what, behindChart, minimized, dead, refused, result] : cases) {
    sim::Reset();
    const Hwnd client = AddTradingClient().window;
    if (behindChart) sim::SetForeground(sim::CreateWindow({"Chart", "", sim::AddProcess("C:\\chart\\chart.exe")}));
    sim::SetMinimized(client, minimized);
    if (dead) sim::DestroyWindow(client);
    sim::RefuseForeground(refused);
    sim::ClearCalls();
    EXPECT_EQ(ForceActivate(client, 250), result) << what;
    EXPECT_EQ(ArgumentsOf("SetActiveWindow").size(), 1u) << what;
    EXPECT_EQ(ArgumentsOf("SetForegroundWindow").size(), 1u) << what;
    EXPECT_EQ(sim::IsMinimized(client), minimized) << what;
    EXPECT_EQ(CountCalls("OpenIcon") + CountCalls("ShowWindow"), 0) << what;
    EXPECT_EQ(sim::InputAttachments(), 0) << what;
  }
}

// The focus is asked attached to the foreground window's thread.  When that
// window is one of our own (the bar just clicked), there is no other thread
// to attach to, and our own focused control is the answer.
TEST_F(ActivationTest, ForegroundFocusLooksIntoTheForegroundThread) {
  const ClientScene client = AddTradingClient();
  sim::SetForeground(client.window);
  sim::SetFocus(client.codeField);
  sim::ClearCalls();

  EXPECT_EQ(GetForegroundFocus().window, client.window);
  EXPECT_EQ(GetForegroundFocus().focus, client.codeField);
  const std::vector<std::string> expected = {
      "GetForegroundWindow", "GetWindowThreadProcessId", "GetCurrentThreadId", "AttachThreadInput", "GetFocus",
      "GetCurrentThreadId",  "AttachThreadInput"};
  const auto names = CallNames();
  EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 7), expected);
  EXPECT_EQ(sim::InputAttachments(), 0);

  const Hwnd bar = sim::CreateWindow({"SimWindow", "lingbo"});
  const Hwnd button = sim::CreateWindow({"Button", "lingbo", 0, 0, bar});
  sim::SetForeground(bar);
  sim::SetFocus(button);
  EXPECT_EQ(GetForegroundFocus().focus, button);
  EXPECT_EQ(sim::InputAttachments(), 0);
}

}  // namespace
