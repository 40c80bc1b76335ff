#include "order/order_actions.h"

#include <algorithm>
#include <cstring>

#include "discovery/processes.h"
#include "discovery/trading_client.h"
#include "discovery/windows.h"
#include "order/activation.h"
#include "order/keystrokes.h"
#include "order/real_keys.h"
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
// The only keys pressed: F1 to F24.  A client binds its order forms to them,
// and none of them presses a button (Enter, Space and Tab can).
constexpr std::int32_t kVkF1 = 0x70, kVkF24 = 0x87;
constexpr int kClassNameBuffer = 259;

// From the click to the end of an action, whatever the client does: every
// wait of the action, the search for the client included, takes what is left
// of it.  Well below the 5 s after which Windows greys out a window that does
// not answer.
constexpr unsigned kActionBoundMs = 2500;
// How long one message to the code field may take.  A trading client that has
// stopped pumping messages must not freeze the bar with it.
constexpr unsigned kFieldReplyTimeoutMs = 2000;
// Reading the field back is quick for a client that answers at all.
constexpr unsigned kReadBackTimeoutMs = 500;
// Typed characters wait in the client's queue behind what it is busy with,
// and a read-back is answered before them: the field is read again after
// this pause until it holds the code or the action's time is up.
constexpr unsigned kReadBackPauseMs = 10;
// Enough of the field to find the code in it; clients that fill in the name
// and price after it make it longer.
constexpr std::size_t kReadBackBuffer = 256;
// How long the bar waits for the client's thread to take its activation; one
// that answers at all takes a few milliseconds.
constexpr unsigned kActivateBoundMs = 250;
// What is shown of the window another program had in front.
constexpr int kTitleBuffer = 256;

// Every send of an action waits without letting in what other programs send
// the bar meanwhile (a tray click, say): nothing of ours may run inside it.
constexpr unsigned kSendFlags = platform::kSmtoBlock | platform::kSmtoAbortIfHung;

// When the action must be over.
class ActionClock {
 public:
  ActionClock() : end_(platform::GetTickCount64() + kActionBoundMs) {}
  std::uint64_t End() const { return end_; }
  // A wait's bound: its own, cut to what is left of the action; 0 once the
  // action's time is up, when nothing more may wait.
  unsigned Bound(unsigned own) const { return BoundBefore(end_, own); }
  bool Over() const { return Bound(1) == 0; }
  // The pauses between the steps, cut alike.
  void Pause(unsigned ms) const {
    if (const unsigned left = Bound(ms)) platform::Sleep(left);
  }

 private:
  std::uint64_t end_;
};

// The remembered trading client if it is still a window, else a fresh search,
// which the outcome keeps for the next action.  0 when there is none, or when
// it does not answer.
platform::Hwnd ReachTradingClient(platform::Hwnd remembered, const ActionClock& clock, OrderOutcome* outcome) {
  if (IsWindowAlive(remembered)) {
    outcome->client = remembered;
    outcome->reached = ClientReached::kRemembered;
  } else {
    outcome->client = FindTradingClient(clock.End());
    outcome->reached = outcome->client > 0 ? ClientReached::kSearched : ClientReached::kNotFound;
  }
  if (outcome->client <= 0) {
    outcome->stopped = Stopped::kNoClient;
    return 0;
  }
  // Windows drops what we send a program that runs above us, keys and
  // messages alike, without a word: it gets nothing, and the trader is told
  // why at once.
  outcome->higherPrivilege = ComparePrivilege(ProcessIdOfWindow(outcome->client)) == Privilege::kHigher;
  if (outcome->higherPrivilege) {
    outcome->stopped = Stopped::kHigherPrivilege;
    return 0;
  }
  // A client that has stopped answering gets nothing: what we post would
  // open its order form long after the trader has given up on it.
  const unsigned bound = clock.Bound(kClientAnswerTimeoutMs);
  outcome->answered = bound > 0 && AnswersWithin(outcome->client, bound);
  if (!outcome->answered) {
    outcome->stopped = Stopped::kClientSilent;
    return 0;
  }
  return outcome->client;
}

// Whether the client's thread is done with what was queued for it before
// now: the first round trip is answered as soon as it is back in its message
// loop, ahead of what waits there; the second only once it has handled what
// it took next.  A client still busy past the bound is not.
bool Settled(platform::Hwnd client, unsigned ownBound, const ActionClock& clock) {
  for (int trip = 0; trip < 2; ++trip) {
    const unsigned bound = clock.Bound(ownBound);
    if (bound == 0 || !AnswersWithin(client, bound)) return false;
  }
  return true;
}

// Restoring and activating another program's window never waits on it: a
// client may answer the check above and stall right after it, in its
// activation.  The restore is left in its queue; the activation is bounded,
// and the client must have taken both before it gets its key.
Activation BringForward(platform::Hwnd client, bool foregroundFirst, const ActionClock& clock) {
  if (platform::IsIconic(client)) platform::ShowWindowAsync(client, platform::kSwRestore);
  clock.Pause(kSettleMs);
  if (foregroundFirst) {
    platform::SetForegroundWindow(client);
    clock.Pause(kSettleMs);
  }
  const unsigned bound = clock.Bound(kActivateBoundMs);
  const Activation activation = bound > 0 ? ForceActivate(client, bound) : Activation::kStalled;
  clock.Pause(kSettleMs);
  if (activation == Activation::kStalled || !Settled(client, kClientAnswerTimeoutMs, clock)) {
    return Activation::kStalled;
  }
  return activation;
}

// The client, reached, answering and brought forward, ready for its key; 0
// (the outcome says why) when it must get none.  An earlier click's
// activation still stuck in the client holds its input state: whatever we
// did now would act on a client that is not listening.
platform::Hwnd ClientReadyForKey(platform::Hwnd remembered, bool foregroundFirst, const ActionClock& clock,
                                 OrderOutcome* outcome) {
  if (platform::HelperThreadBusy()) {
    outcome->stopped = Stopped::kEarlierStillStuck;
    return 0;
  }
  const platform::Hwnd client = ReachTradingClient(remembered, clock, outcome);
  if (client <= 0) return 0;
  const Activation activation = BringForward(client, foregroundFirst, clock);
  outcome->inFront = activation == Activation::kInFront;
  if (activation != Activation::kStalled) return client;
  outcome->stopped = Stopped::kStalledOnActivation;
  return 0;
}

bool SendToField(platform::Hwnd edit, unsigned message, std::uintptr_t wParam, std::intptr_t lParam, unsigned bound) {
  std::intptr_t result = 0;
  return bound > 0 && platform::SendMessageTimeoutA(edit, message, wParam, lParam, kSendFlags, bound, &result);
}

// The field's text, as far as needed; false when the field does not answer.
bool ReadField(platform::Hwnd edit, std::string* text, const ActionClock& clock) {
  char buffer[kReadBackBuffer] = {};
  if (!SendToField(edit, platform::kWmGetText, sizeof buffer, reinterpret_cast<std::intptr_t>(buffer),
                   clock.Bound(kReadBackTimeoutMs))) {
    return false;
  }
  text->assign(buffer, strnlen(buffer, sizeof buffer));
  return true;
}

// Selects the edit's whole text and replaces it with text, each message
// answered within what is left of the action; false unless both were taken.
// *selected tells whether the selection was (without it nothing is
// replaced).
bool ReplaceEditText(platform::Hwnd edit, const std::string& text, bool* selected, const ActionClock& clock) {
  // Without the selection the code would land beside the field's old content
  // and make a different, wrong code; better to leave the field alone.
  *selected = SendToField(edit, platform::kEmSetSel, 0, -1, clock.Bound(kFieldReplyTimeoutMs));
  if (!*selected) return false;
  // wParam 1: the trader can undo the replacement in the field.
  return SendToField(edit, platform::kEmReplaceSel, 1, reinterpret_cast<std::intptr_t>(text.c_str()),
                     clock.Bound(kFieldReplyTimeoutMs));
}

// Reads the field back, once the characters or keys are in its queue, until
// it holds the code or the time is up.
CodeWritten AwaitLanded(platform::Hwnd edit, const std::string& code, CodeWritten landed, const ActionClock& clock,
                        OrderOutcome* outcome) {
  for (;;) {
    if (!ReadField(edit, &outcome->fieldText, clock)) return CodeWritten::kNotReadBack;
    if (HoldsCode(outcome->fieldText, code)) return landed;
    clock.Pause(kReadBackPauseMs);
    if (clock.Over()) return CodeWritten::kNotLanded;
  }
}

// Posts the code's characters over the whole field and reads it back.  The
// field must answer a selection first: nothing is posted to one that does
// not.  The selection then goes again in the same run as the characters, all
// posted at once, so that nothing the client handles can come between them
// and move the caret, and a slow field takes the whole run in its own time or
// none.
CodeWritten PostOver(platform::Hwnd edit, const std::string& code, CodeWritten posted, const ActionClock& clock,
                     OrderOutcome* outcome) {
  if (!SendToField(edit, platform::kEmSetSel, 0, -1, clock.Bound(kFieldReplyTimeoutMs))) {
    return CodeWritten::kSelectFailed;
  }
  platform::PostMessageA(edit, platform::kEmSetSel, 0, -1);
  for (const char digit : code) platform::PostMessageA(edit, platform::kWmChar, static_cast<unsigned char>(digit), 1);
  return AwaitLanded(edit, code, posted, clock, outcome);
}

// The same on the keyboard, for fields that take nothing else: keyed only
// while the client's field is the one the keys reach, and read back.  The
// selection is posted right before the keys: the client takes its posted
// messages before its keyboard input, so the keys meet the field selected.
CodeWritten KeyOver(platform::Hwnd client, platform::Hwnd edit, const std::string& code, CodeWritten keyed,
                    const ActionClock& clock, OrderOutcome* outcome) {
  if (!SendToField(edit, platform::kEmSetSel, 0, -1, clock.Bound(kFieldReplyTimeoutMs))) {
    return CodeWritten::kSelectFailed;
  }
  platform::PostMessageA(edit, platform::kEmSetSel, 0, -1);
  outcome->keyed = KeyDigits(client, edit, code, clock.End());
  if (outcome->keyed != Keyed::kKeyed) return CodeWritten::kNotKeyed;
  return AwaitLanded(edit, code, keyed, clock, outcome);
}

// Some clients leave the field as it was after a replace, and some look the
// security up only on keyboard input: the field is read back, and the code
// keyed once where the replace did not land.  A message the field did not
// answer in time may still be handled later, so nothing follows one.
CodeWritten EnterCode(platform::Hwnd client, platform::Hwnd edit, const std::string& code, CodeEntry entry,
                      const ActionClock& clock, OrderOutcome* outcome) {
  if (entry == CodeEntry::kPosted) return PostOver(edit, code, CodeWritten::kPostedBySetting, clock, outcome);
  if (entry == CodeEntry::kKeyed) return KeyOver(client, edit, code, CodeWritten::kKeyedBySetting, clock, outcome);
  bool selected = false;
  if (!ReplaceEditText(edit, code, &selected, clock)) {
    return selected ? CodeWritten::kFieldSilent : CodeWritten::kSelectFailed;
  }
  if (!ReadField(edit, &outcome->fieldText, clock)) return CodeWritten::kFieldSilent;
  if (HoldsCode(outcome->fieldText, code)) return CodeWritten::kReplaced;
  return KeyOver(client, edit, code, CodeWritten::kKeyedAfterIgnoredReplace, clock, outcome);
}

// Looks for the code field the hot key opened: an "Edit" of the client's
// own process with the focus, in front.  A field of any other program in
// front, where the trader may have clicked meanwhile, is never one.  Nor is
// the field that had the focus before the key: a client that ignored the key,
// or has not yet acted on it (a timer, a message it posted itself), still
// has it in the last order's 数量 or 价格; only the field the code last
// landed in may keep the focus through the key.
platform::Hwnd LookForCodeField(platform::Hwnd client, platform::Hwnd focusBefore, platform::Hwnd lastCodeField,
                                std::uint64_t keyAt, const ActionClock& clock, OrderOutcome* outcome) {
  const std::uint32_t clientProcess = ProcessIdOfWindow(client);
  outcome->stopped = Stopped::kNoField;
  for (int look = 0; look < kFieldLooks && !clock.Over(); ++look) {
    const FrontFocus front = GetForegroundFocus();
    ++outcome->looks;
    outcome->focusedClass = platform::GetClassNameA(front.focus, kClassNameBuffer);
    if (ProcessIdOfWindow(front.window) == clientProcess) {
      outcome->otherInFront.clear();
      outcome->stopped = Stopped::kNoField;
      if (outcome->focusedClass == kCodeFieldClass && OwnProcessOfWindow(front.focus) == clientProcess) {
        if (front.focus != focusBefore || front.focus == lastCodeField) {
          outcome->fieldAfterMs = static_cast<std::int64_t>(platform::GetTickCount64() - keyAt);
          outcome->stopped = Stopped::kNot;
          return front.focus;
        }
        outcome->stopped = Stopped::kFocusNotMoved;
      }
    } else {
      // The copy of the title the system keeps: no wait on that program.
      outcome->otherInFront = platform::GetWindowTextA(front.window, kTitleBuffer);
      if (outcome->otherInFront.empty())
        outcome->otherInFront = platform::GetClassNameA(front.window, kClassNameBuffer);
      outcome->stopped = Stopped::kOtherInFront;
    }
    clock.Pause(kFieldLookPauseMs);
  }
  return 0;
}

// A digit, ASCII or full-width, at byte i of a GBK text.
bool DigitAt(const std::string& text, std::size_t i) {
  if (i >= text.size()) return false;
  const auto byte = static_cast<unsigned char>(text[i]);
  if (byte >= '0' && byte <= '9') return true;
  return byte == 0xA3 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0xB0 &&
         static_cast<unsigned char>(text[i + 1]) <= 0xB9;
}

}  // namespace

bool Landed(CodeWritten written) {
  return written == CodeWritten::kReplaced || written == CodeWritten::kKeyedAfterIgnoredReplace ||
         written == CodeWritten::kPostedBySetting || written == CodeWritten::kKeyedBySetting;
}

bool IsPressableKey(std::int32_t key) { return key >= kVkF1 && key <= kVkF24; }

bool IsSecurityCode(const std::string& text) {
  if (text.size() != 5 && text.size() != 6) return false;
  for (const char c : text)
    if (c < '0' || c > '9') return false;
  return TextToInt(text) > 0;
}

OrderOutcome OpenOrderForm(const std::string& code, platform::Hwnd rememberedClient, std::int32_t hotKey,
                           CodeEntry entry, platform::Hwnd lastCodeField) {
  OrderOutcome outcome;
  outcome.client = rememberedClient;
  outcome.key = hotKey;
  if (TextToInt(code) <= 0) {
    outcome.stopped = Stopped::kNoCode;
    return outcome;
  }
  // A chart's title on the label may read as a number ("2024年报"); only a
  // code goes into an order form.
  if (!IsSecurityCode(code)) {
    outcome.stopped = Stopped::kNotACode;
    return outcome;
  }
  if (!IsPressableKey(hotKey)) {
    outcome.stopped = Stopped::kKeyNotAllowed;
    return outcome;
  }
  const ActionClock clock;
  const platform::Hwnd client = ClientReadyForKey(rememberedClient, true, clock, &outcome);
  if (client <= 0) return outcome;

  // Where the focus is before the key: a field it is still in afterwards was
  // not opened by the key.
  const platform::Hwnd focusBefore = GetForegroundFocus().focus;
  if (entry == CodeEntry::kKeyed) {
    // A client that reads the keyboard's state opens its form only for a key
    // that is down on it.
    outcome.keyed = KeyPress(client, hotKey, clock.End());
    if (outcome.keyed != Keyed::kKeyed) {
      outcome.stopped = Stopped::kHotKeyNotKeyed;
      return outcome;
    }
    outcome.pressed = KeyPressed::kKeyed;
  } else {
    // The trader's fingers may still be on the hot key that started this: a
    // modifier down as the client takes its key makes it another key.
    if (!ModifiersLetGo(clock.End())) {
      outcome.stopped = Stopped::kModifierHeld;
      return outcome;
    }
    PostKeyPress(client, hotKey);
    outcome.pressed = KeyPressed::kPosted;
  }
  const std::uint64_t keyAt = platform::GetTickCount64();
  clock.Pause(kFormOpenMs);
  // Until the client is done with the key, its focus is where the last order
  // left it: in a field that must not get the code.
  if (!Settled(client, kActionBoundMs, clock)) {
    outcome.stopped = Stopped::kKeyNotTaken;
    return outcome;
  }
  const platform::Hwnd field = LookForCodeField(client, focusBefore, lastCodeField, keyAt, clock, &outcome);
  if (field <= 0) return outcome;
  outcome.written = EnterCode(client, field, code, entry, clock, &outcome);
  if (Landed(outcome.written)) outcome.codeField = field;
  return outcome;
}

OrderOutcome SendFunctionKey(platform::Hwnd rememberedClient, std::int32_t functionKey) {
  OrderOutcome outcome;
  outcome.client = rememberedClient;
  outcome.key = functionKey;
  if (!IsPressableKey(functionKey)) {
    outcome.stopped = Stopped::kKeyNotAllowed;
    return outcome;
  }
  const ActionClock clock;
  const platform::Hwnd client = ClientReadyForKey(rememberedClient, false, clock, &outcome);
  if (client <= 0) return outcome;

  PostKeyPress(client, functionKey);
  outcome.pressed = KeyPressed::kPosted;
  return outcome;
}

bool HoldsCode(const std::string& fieldText, const std::string& code) {
  if (code.empty()) return false;
  bool digitBefore = false;
  // Character by character, so that a match never starts on a trail byte.
  for (std::size_t i = 0; i < fieldText.size();) {
    if (!digitBefore && fieldText.compare(i, code.size(), code) == 0 && !DigitAt(fieldText, i + code.size()))
      return true;
    digitBefore = DigitAt(fieldText, i);
    i += static_cast<unsigned char>(fieldText[i]) >= 0x80 && i + 1 < fieldText.size() ? 2 : 1;
  }
  return false;
}
