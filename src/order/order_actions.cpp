#include "order/order_actions.h"

#include <cstring>

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
// Reading the field back and typing into it are quick for a client that
// answers at all.
constexpr unsigned kReadBackTimeoutMs = 500;
// Enough of the field to see whether it begins with the code; clients that
// fill in the name and price after it make it longer.
constexpr std::size_t kReadBackBuffer = 256;

// How long the trading client may take to show that it still answers.
constexpr unsigned kAnswerTimeoutMs = 500;

// The remembered trading client if it is still a window, else a fresh search,
// which the outcome keeps for the next action.  0 when there is none, or when
// it does not answer.
platform::Hwnd ReachTradingClient(platform::Hwnd remembered, OrderOutcome* outcome) {
  if (IsWindowAlive(remembered)) {
    outcome->client = remembered;
    outcome->reached = ClientReached::kRemembered;
  } else {
    outcome->client = FindTradingClient();
    outcome->reached = outcome->client > 0 ? ClientReached::kSearched : ClientReached::kNotFound;
  }
  if (outcome->client <= 0) {
    outcome->written = CodeWritten::kNoClient;
    return 0;
  }
  // Restoring and activating another program's window waits, without a
  // bound, until that program's thread has handled what they send it: a
  // client that has stopped answering would freeze the bar for good.  So it
  // is asked first, with a bound.
  outcome->answered = AnswersWithin(outcome->client, kAnswerTimeoutMs);
  if (!outcome->answered) {
    outcome->written = CodeWritten::kClientSilent;
    return 0;
  }
  return outcome->client;
}

bool SendToField(platform::Hwnd edit, unsigned message, std::uintptr_t wParam, std::intptr_t lParam,
                 unsigned timeoutMs = kFieldReplyTimeoutMs) {
  std::intptr_t result = 0;
  return platform::SendMessageTimeoutA(edit, message, wParam, lParam, platform::kSmtoAbortIfHung, timeoutMs, &result);
}

// The field's text, as far as needed; false when the field does not answer.
bool ReadField(platform::Hwnd edit, std::string* text) {
  char buffer[kReadBackBuffer] = {};
  if (!SendToField(edit, platform::kWmGetText, sizeof buffer, reinterpret_cast<std::intptr_t>(buffer),
                   kReadBackTimeoutMs)) {
    return false;
  }
  text->assign(buffer, strnlen(buffer, sizeof buffer));
  return true;
}

// Types the code into the selection as the keyboard would, a character at a
// time; a GBK character goes as one, its lead byte in bits 8 to 15.
bool TypeCode(platform::Hwnd edit, const std::string& code) {
  for (std::size_t i = 0; i < code.size(); ++i) {
    std::uintptr_t character = static_cast<unsigned char>(code[i]);
    if (character >= 0x80 && i + 1 < code.size()) character = character << 8 | static_cast<unsigned char>(code[++i]);
    if (!SendToField(edit, platform::kWmChar, character, 0, kReadBackTimeoutMs)) return false;
  }
  return true;
}

// Types the code over the whole field once and reads it back.
CodeWritten TypeOver(platform::Hwnd edit, const std::string& code, CodeWritten typed, OrderOutcome* outcome) {
  if (!SendToField(edit, platform::kEmSetSel, 0, -1)) return CodeWritten::kSelectFailed;
  if (!TypeCode(edit, code) || !ReadField(edit, &outcome->fieldText)) return CodeWritten::kFieldSilent;
  return StartsWith(outcome->fieldText, code) ? typed : CodeWritten::kNotLanded;
}

// Some clients leave the field as it was after a replace, and some look the
// security up only on typed keys: the field is read back, and the code typed
// once where the replace did not land.  Never typed after a refused
// selection: the code would go beside the old one and make another code.
CodeWritten EnterCode(platform::Hwnd edit, const std::string& code, CodeEntry entry, OrderOutcome* outcome) {
  if (entry == CodeEntry::kType) return TypeOver(edit, code, CodeWritten::kTypedBySetting, outcome);
  bool selected = false;
  if (!ReplaceEditText(edit, code, &selected)) return selected ? CodeWritten::kFieldSilent : CodeWritten::kSelectFailed;
  if (!ReadField(edit, &outcome->fieldText)) return CodeWritten::kFieldSilent;
  if (StartsWith(outcome->fieldText, code)) return CodeWritten::kReplaced;
  return TypeOver(edit, code, CodeWritten::kTypedAfterIgnoredReplace, outcome);
}

}  // namespace

OrderOutcome OpenOrderForm(const std::string& code, platform::Hwnd rememberedClient, std::int32_t hotKey,
                           CodeEntry entry) {
  OrderOutcome outcome;
  outcome.client = rememberedClient;
  if (TextToInt(code) <= 0) {
    outcome.written = CodeWritten::kNoCode;
    return outcome;
  }
  const platform::Hwnd client = ReachTradingClient(rememberedClient, &outcome);
  if (client <= 0) return outcome;

  platform::OpenIcon(client);
  platform::Sleep(kSettleMs);
  platform::SetForegroundWindow(client);
  platform::Sleep(kSettleMs);
  outcome.inFront = ForceActivate(client);
  platform::Sleep(kSettleMs);
  PostKeyPress(client, hotKey);
  outcome.keyPosted = hotKey;
  const std::uint64_t keyAt = platform::GetTickCount64();
  platform::Sleep(kFormOpenMs);

  // Whatever is in front now decides; the form may take a while to appear.
  for (int look = 0; look < kFieldLooks; ++look) {
    const platform::Hwnd focus = GetForegroundFocus();
    outcome.focusedClass = platform::GetClassNameA(focus, kClassNameBuffer);
    if (outcome.focusedClass == kCodeFieldClass) {
      outcome.fieldAfterMs = static_cast<std::int64_t>(platform::GetTickCount64() - keyAt);
      outcome.written = EnterCode(focus, code, entry, &outcome);
      return outcome;
    }
    platform::Sleep(kFieldLookPauseMs);
  }
  outcome.written = CodeWritten::kNoField;
  return outcome;
}

OrderOutcome SendFunctionKey(platform::Hwnd rememberedClient, std::int32_t functionKey) {
  OrderOutcome outcome;
  const platform::Hwnd client = ReachTradingClient(rememberedClient, &outcome);
  if (client <= 0) return outcome;

  platform::OpenIcon(client);
  platform::Sleep(kSettleMs);
  outcome.inFront = ForceActivate(client);
  platform::Sleep(kSettleMs);
  PostKeyPress(client, functionKey);
  outcome.keyPosted = functionKey;
  return outcome;
}

bool ReplaceEditText(platform::Hwnd edit, const std::string& text, bool* selected) {
  // Without the selection the code would land beside the field's old content
  // and make a different, wrong code; better to leave the field alone.
  const bool all = SendToField(edit, platform::kEmSetSel, 0, -1);
  if (selected) *selected = all;
  if (!all) return false;
  // wParam 1: the trader can undo the replacement in the field.
  return SendToField(edit, platform::kEmReplaceSel, 1, reinterpret_cast<std::intptr_t>(text.c_str()));
}
