#include "order/order_actions.h"

#include "discovery/trading_client.h"
#include "discovery/windows.h"
#include "order/activation.h"
#include "order/keystrokes.h"
#include "text/text.h"

namespace {

// Pauses that give the trading client time to come forward and to open its
// order form.  They block the GUI thread on purpose: nothing of ours may run,
// and the code may not change, while an action is under way.
constexpr unsigned kSettleMs = 10;
constexpr unsigned kFormOpenMs = 200;
constexpr int kFieldLooks = 20;
constexpr unsigned kFieldLookPauseMs = 100;

constexpr const char* kCodeFieldClass = "Edit";
constexpr int kClassNameBuffer = 259;

// How long one message to the code field may take.  A trading client that has
// stopped pumping messages must not freeze the bar with it.
constexpr unsigned kFieldReplyTimeoutMs = 2000;

// How long the trading client may take to show that it still answers.
constexpr unsigned kAnswerTimeoutMs = 500;

// Restoring and activating another program's window waits, without a bound,
// until that program's thread has handled what they send it: a trading client
// that has stopped answering would freeze the bar for good.  So it is asked
// first, with a bound.
bool Answers(platform::Hwnd client) {
  std::intptr_t result = 0;
  return platform::SendMessageTimeoutA(client, platform::kWmNull, 0, 0, platform::kSmtoAbortIfHung, kAnswerTimeoutMs,
                                       &result);
}

// The remembered trading client if it is still a window, else a fresh search,
// which the outcome keeps for the next action.  0 when there is none, or when
// it does not answer.
platform::Hwnd ReachTradingClient(platform::Hwnd remembered, OrderOutcome* outcome) {
  outcome->client = IsWindowAlive(remembered) ? remembered : FindTradingClient();
  const platform::Hwnd client = outcome->client;
  if (client <= 0 || !Answers(client)) return 0;
  return client;
}

bool SendToField(platform::Hwnd edit, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  std::intptr_t result = 0;
  return platform::SendMessageTimeoutA(edit, message, wParam, lParam, platform::kSmtoAbortIfHung, kFieldReplyTimeoutMs,
                                       &result);
}

}  // namespace

OrderOutcome OpenOrderForm(const std::string& code, platform::Hwnd rememberedClient, std::int32_t hotKey) {
  OrderOutcome outcome;
  outcome.client = rememberedClient;
  if (TextToInt(code) <= 0) return outcome;
  const platform::Hwnd client = ReachTradingClient(rememberedClient, &outcome);
  if (client <= 0) return outcome;

  platform::OpenIcon(client);
  platform::Sleep(kSettleMs);
  platform::SetForegroundWindow(client);
  platform::Sleep(kSettleMs);
  ForceActivate(client);
  platform::Sleep(kSettleMs);
  PostKeyPress(client, hotKey);
  platform::Sleep(kFormOpenMs);

  // Whatever is in front now decides; the form may take a while to appear.
  for (int look = 0; look < kFieldLooks; ++look) {
    const platform::Hwnd focus = GetForegroundFocus();
    if (platform::GetClassNameA(focus, kClassNameBuffer) == kCodeFieldClass) {
      ReplaceEditText(focus, code);
      return outcome;
    }
    platform::Sleep(kFieldLookPauseMs);
  }
  return outcome;
}

OrderOutcome SendFunctionKey(platform::Hwnd rememberedClient, std::int32_t functionKey) {
  OrderOutcome outcome;
  const platform::Hwnd client = ReachTradingClient(rememberedClient, &outcome);
  if (client <= 0) return outcome;

  platform::OpenIcon(client);
  platform::Sleep(kSettleMs);
  ForceActivate(client);
  platform::Sleep(kSettleMs);
  PostKeyPress(client, functionKey);
  return outcome;
}

void ReplaceEditText(platform::Hwnd edit, const std::string& text) {
  // Without the selection the code would land beside the field's old content
  // and make a different, wrong code; better to leave the field alone.
  if (!SendToField(edit, platform::kEmSetSel, 0, -1)) return;
  // wParam 1: the trader can undo the replacement in the field.
  SendToField(edit, platform::kEmReplaceSel, 1, reinterpret_cast<std::intptr_t>(text.c_str()));
}
