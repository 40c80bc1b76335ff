#include <cstdint>
#include <string>
#include <vector>

#include "order/activation.h"
#include "support/calls.h"
#include "support/client_scene.h"
#include "support/test_fixture.h"

namespace {

using platform::Hwnd;

class ActivationTest : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    const ClientScene client = AddTradingClient();
    thread_ = client.thread;
    client_ = client.window;
    field_ = client.codeField;
  }

  std::uint32_t thread_ = 0;
  Hwnd client_ = 0, field_ = 0;
};

// Attach, activate, detach (asking for the thread id afresh), and only then
// the foreground switch; the attachment is a helper thread's, never the
// bar's, whose own thread must not wait on the client.  A window already in
// front is left as it is.
TEST_F(ActivationTest, ForceActivateAttachesAroundSetActiveWindowOnly) {
  for (const bool inFront : {false, true}) {
    if (inFront) sim::SetForeground(client_);
    sim::ClearCalls();
    EXPECT_EQ(ForceActivate(client_, 250), Activation::kInFront);

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
      EXPECT_EQ(attaches[0], helper + "," + std::to_string(thread_) + ",1");
      EXPECT_EQ(attaches[1], helper + "," + std::to_string(thread_) + ",0");
    }
    EXPECT_EQ(sim::Foreground(), client_);
    EXPECT_EQ(sim::InputAttachments(), 0);
  }
}

// A client whose thread stalls in its activation, or has stopped answering,
// holds the bar no longer than the activation's bound.  The helper thread
// stays stuck in it, attached to the client, and no second one starts until
// the client has answered; the activation it was asked for then happens.
TEST_F(ActivationTest, AStallingActivationIsWaitedForOnlyWithinItsBound) {
  const struct {
    const char* what;
    std::uint64_t stall;  // in its activation
    bool hung;            // before the call
    std::uint64_t elapsed;
    Activation result;
  } cases[] = {
      {"answers at once", 0, false, 0, Activation::kInFront},
      {"stalls 100 ms", 100, false, 100, Activation::kInFront},
      {"stalls 8 s", 8000, false, 250, Activation::kStalled},
      {"stopped answering before", 0, true, 250, Activation::kStalled},
  };
  for (const auto& c : cases) {
    sim::Reset();
    const ClientScene client = AddTradingClient();
    // Its own pop-up is active within its thread, so the main window's
    // activation is a change that its thread must handle.
    sim::WindowSpec popup;
    popup.process = client.process;
    sim::SetFocus(sim::CreateWindow(popup));
    sim::SetHandlingTime(client.window, sim::kWmActivate, c.stall);
    if (c.hung) sim::SetHung(client.thread);

    const std::uint64_t start = sim::Now();
    EXPECT_EQ(ForceActivate(client.window, 250), c.result) << c.what;
    EXPECT_EQ(sim::Now() - start, c.elapsed) << c.what;
    const bool stuck = c.result == Activation::kStalled;
    EXPECT_EQ(sim::InputAttachments(), stuck ? 1 : 0) << c.what;
    EXPECT_EQ(platform::HelperThreadBusy(), stuck) << c.what;
    EXPECT_EQ(ForceActivate(client.window, 250), stuck ? Activation::kStalled : Activation::kInFront) << c.what;
    EXPECT_EQ(CountCalls("RunOnHelperThread"), stuck ? 2 : 1) << c.what;
    EXPECT_EQ(sim::Now() - start, c.elapsed) << c.what << ": a second call waits on nothing";

    sim::SetHung(client.thread, false);
    sim::Advance(10000);
    EXPECT_EQ(sim::ActiveWindowOf(client.thread), client.window) << c.what;
    EXPECT_EQ(sim::InputAttachments(), 0) << c.what;
    EXPECT_FALSE(platform::HelperThreadBusy()) << c.what;
  }
}

// Behind another program's window, minimised, no longer a window, or with the
// foreground refused: every step still runs once, nothing stays attached, a
// minimised window stays so (restoring is the caller's step), and the answer
// says whether the window came to the front.
TEST_F(ActivationTest, EveryStepRunsWhateverBecameOfTheClient) {
  const struct {
    const char* what;
    bool behindChart, minimized, dead, refused;
    Activation result;
  } cases[] = {
      {"behind a chart", true, false, false, false, Activation::kInFront},
      {"behind a chart, foreground refused", true, false, false, true, Activation::kRefused},
      {"minimised", false, true, false, false, Activation::kInFront},
      {"no longer a window", false, false, true, false, Activation::kRefused},
  };
  for (const auto& c : cases) {
    SetUp();
    if (c.behindChart) {
      sim::WindowSpec chart;
      chart.process = sim::AddProcess("C:\\chart\\chart.exe");
      sim::SetForeground(sim::CreateWindow(chart));
    }
    sim::SetMinimized(client_, c.minimized);
    if (c.dead) sim::DestroyWindow(client_);
    sim::RefuseForeground(c.refused);
    sim::ClearCalls();
    EXPECT_EQ(ForceActivate(client_, 250), c.result) << c.what;
    EXPECT_EQ(ArgumentsOf("SetActiveWindow").size(), 1u) << c.what;
    EXPECT_EQ(ArgumentsOf("SetForegroundWindow").size(), 1u) << c.what;
    EXPECT_EQ(sim::IsMinimized(client_), c.minimized) << c.what;
    for (const auto& name : CallNames()) {
      EXPECT_NE(name, "OpenIcon") << c.what;
      EXPECT_NE(name, "ShowWindow") << c.what;
    }
    EXPECT_EQ(sim::InputAttachments(), 0) << c.what;
  }
}

// The focus is asked attached to the foreground window's thread.  When that
// window is one of our own (the bar just clicked), there is no other thread
// to attach to, and our own focused control is the answer.
TEST_F(ActivationTest, ForegroundFocusLooksIntoTheForegroundThread) {
  sim::SetForeground(client_);
  sim::SetFocus(field_);
  sim::ClearCalls();

  EXPECT_EQ(GetForegroundFocus().window, client_);
  EXPECT_EQ(GetForegroundFocus().focus, field_);
  const std::vector<std::string> expected = {
      "GetForegroundWindow", "GetWindowThreadProcessId", "GetCurrentThreadId", "AttachThreadInput", "GetFocus",
      "GetCurrentThreadId",  "AttachThreadInput"};
  const auto names = CallNames();
  EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 7), expected);
  EXPECT_EQ(sim::InputAttachments(), 0);

  sim::WindowSpec own;
  own.text = "lingbo";
  const Hwnd bar = sim::CreateWindow(own);
  own.className = "Button";
  own.parent = bar;
  const Hwnd button = sim::CreateWindow(own);
  sim::SetForeground(bar);
  sim::SetFocus(button);
  EXPECT_EQ(GetForegroundFocus().focus, button);
  EXPECT_EQ(sim::InputAttachments(), 0);
}

}  // namespace
