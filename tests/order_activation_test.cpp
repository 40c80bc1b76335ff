#include <cstdint>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "order/activation.h"
#include "support/calls.h"
#include "support/client_scene.h"
#include "support/test_fixture.h"

namespace {

using platform::Hwnd;

class ActivationTest : public SimTest {};

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
// foreground refused: attach, activate, detach (asking for the thread id
// afresh), and only then the foreground switch, each once; the attachment is
// a helper thread's, never the bar's, whose own thread must not wait on the
// client.  Nothing stays attached, a minimised window stays so (restoring is
// the caller's step), and the answer says whether the window came to the
// front.  A window already in front is left as it is.
TEST_F(ActivationTest, EveryStepRunsWhateverBecameOfTheClient) {
  const std::tuple<const char*, bool, bool, bool, bool, bool, Activation> cases[] = {
      {"behind a chart", true, false, false, false, false, Activation::kInFront},
      {"behind a chart, foreground refused", true, false, false, true, false, Activation::kRefused},
      {"minimised", false, true, false, false, false, Activation::kInFront},
      {"no longer a window", false, false, true, false, false, Activation::kRefused},
      {"in front already", false, false, false, false, true, Activation::kInFront},
  };
  const std::vector<std::string> kSteps = {"GetForegroundWindow", "RunOnHelperThread", "GetWindowThreadProcessId",
                                           "GetCurrentThreadId",  "AttachThreadInput", "SetActiveWindow",
                                           "GetCurrentThreadId",  "AttachThreadInput", "SetForegroundWindow"};
  for (const auto& [what, behindChart, minimized, dead, refused, inFront, result] : cases) {
    sim::Reset();
    const ClientScene scene = AddTradingClient();
    const Hwnd client = scene.window;
    if (behindChart) sim::SetForeground(sim::CreateWindow({"Chart", "", sim::AddProcess("C:\\chart\\chart.exe")}));
    if (inFront) sim::SetForeground(client);
    sim::SetMinimized(client, minimized);
    if (dead) sim::DestroyWindow(client);
    sim::RefuseForeground(refused);
    sim::ClearCalls();
    EXPECT_EQ(ForceActivate(client, 250), result) << what;
    EXPECT_EQ(CallNames(), inFront ? std::vector<std::string>{"GetForegroundWindow"} : kSteps) << what;
    const auto attaches = ArgumentsOf("AttachThreadInput");
    if (!inFront && !dead) {
      const std::string helper = attaches.at(0).substr(0, attaches[0].find(','));
      EXPECT_NE(helper, std::to_string(sim::kOwnThread)) << what;
      const std::string pair = helper + "," + std::to_string(scene.thread) + ",";
      EXPECT_EQ(attaches, (std::vector<std::string>{pair + "1", pair + "0"})) << what;
    }
    if (result == Activation::kInFront) {
      EXPECT_EQ(sim::Foreground(), client) << what;
    }
    EXPECT_EQ(sim::IsMinimized(client), minimized) << what;
    EXPECT_EQ(CountCalls("OpenIcon") + CountCalls("ShowWindow"), 0) << what;
    EXPECT_EQ(sim::InputAttachments(), 0) << what;
  }
}

// The focus is read from outside the foreground window's thread, never
// attached to it, whether that window is another program's or one of our
// own (the bar just clicked).
TEST_F(ActivationTest, ForegroundFocusLooksIntoTheForegroundThread) {
  const ClientScene client = AddTradingClient();
  sim::SetForeground(client.window);
  sim::SetFocus(client.codeField);
  sim::ClearCalls();

  const FrontFocus front = GetForegroundFocus();
  EXPECT_EQ(std::make_pair(front.window, front.focus), std::make_pair(client.window, client.codeField));
  const std::vector<std::string> expected = {"GetForegroundWindow", "GetWindowThreadProcessId", "GetGUIThreadInfo"};
  EXPECT_EQ(CallNames(), expected);
  EXPECT_EQ(sim::InputAttachments(), 0);

  const Hwnd bar = sim::CreateWindow({"SimWindow", "lingbo"});
  const Hwnd button = sim::CreateWindow({"Button", "lingbo", 0, 0, bar});
  sim::SetForeground(bar);
  sim::SetFocus(button);
  EXPECT_EQ(GetForegroundFocus().focus, button);
  EXPECT_EQ(sim::InputAttachments(), 0);
}

}  // namespace
