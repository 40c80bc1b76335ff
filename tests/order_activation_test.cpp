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

// Attach, activate, detach (asking for our thread id afresh), and only then
// the foreground switch.
TEST_F(ActivationTest, ForceActivateAttachesAroundSetActiveWindowOnly) {
  sim::ClearCalls();
  EXPECT_TRUE(ForceActivate(client_));

  const std::vector<std::string> expected = {"GetWindowThreadProcessId", "GetCurrentThreadId", "AttachThreadInput",
                                             "SetActiveWindow",          "GetCurrentThreadId", "AttachThreadInput",
                                             "SetForegroundWindow"};
  EXPECT_EQ(CallNames(), expected);
  const std::string own = std::to_string(sim::kOwnThread), other = std::to_string(thread_);
  const auto attaches = ArgumentsOf("AttachThreadInput");
  ASSERT_EQ(attaches.size(), 2u);
  EXPECT_EQ(attaches[0].rfind(own + "," + other + ",", 0), 0u) << attaches[0];
  EXPECT_EQ(attaches[1].rfind(own + "," + other + ",", 0), 0u) << attaches[1];
  EXPECT_NE(attaches[0], attaches[1]) << "attached twice instead of attach and detach";
  EXPECT_EQ(sim::Foreground(), client_);
  EXPECT_EQ(sim::InputAttachments(), 0);
}

// Restoring is the caller's step: a minimised window stays minimised.
TEST_F(ActivationTest, ForceActivateDoesNotRestore) {
  sim::SetMinimized(client_, true);
  sim::ClearCalls();
  ForceActivate(client_);
  EXPECT_TRUE(sim::IsMinimized(client_));
  for (const auto& name : CallNames()) {
    EXPECT_NE(name, "OpenIcon");
    EXPECT_NE(name, "ShowWindow");
  }
}

// A handle that is no longer a window: every step still runs, the result is
// false, and nothing stays attached.
TEST_F(ActivationTest, ForceActivateOfDeadWindowRunsThroughAndFails) {
  sim::DestroyWindow(client_);
  sim::ClearCalls();
  EXPECT_FALSE(ForceActivate(client_));
  EXPECT_EQ(CallNames().size(), 7u);
  EXPECT_EQ(ArgumentsOf("SetActiveWindow").size(), 1u);
  EXPECT_EQ(sim::InputAttachments(), 0);
}

TEST_F(ActivationTest, ForegroundFocusLooksIntoTheForegroundThread) {
  sim::SetForeground(client_);
  sim::SetFocus(field_);
  sim::ClearCalls();

  EXPECT_EQ(GetForegroundFocus(), field_);
  const std::vector<std::string> expected = {
      "GetForegroundWindow", "GetWindowThreadProcessId", "GetCurrentThreadId", "AttachThreadInput", "GetFocus",
      "GetCurrentThreadId",  "AttachThreadInput"};
  EXPECT_EQ(CallNames(), expected);
  EXPECT_EQ(sim::InputAttachments(), 0);
}

// The foreground window is one of our own (the bar just clicked): there is no
// other thread to attach to, and our own focused control is the answer.
TEST_F(ActivationTest, ForegroundFocusOfOwnWindow) {
  sim::WindowSpec own;
  own.text = "lingbo";
  const Hwnd bar = sim::CreateWindow(own);
  own.className = "Button";
  own.parent = bar;
  const Hwnd button = sim::CreateWindow(own);
  sim::SetForeground(bar);
  sim::SetFocus(field_);
  sim::SetFocus(button);

  EXPECT_EQ(GetForegroundFocus(), button);
  EXPECT_EQ(sim::InputAttachments(), 0);
}

// With the foreground refused, the activation still ran but the answer is
// false; nothing stays attached either way.
TEST_F(ActivationTest, RefusedForegroundIsReportedAndDetached) {
  for (bool refused : {false, true}) {
    sim::RefuseForeground(refused);
    sim::ClearCalls();
    EXPECT_EQ(ForceActivate(client_), !refused);
    EXPECT_EQ(ArgumentsOf("SetActiveWindow").size(), 1u);
    EXPECT_EQ(sim::InputAttachments(), 0);
  }
}

}  // namespace
