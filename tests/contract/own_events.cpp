// The program's own windows report here instead of to the program, in the
// simulated desktop's words, so that both worlds read alike.
#include <string>
#include <utility>
#include <vector>

#include "contract/world.h"
#include "platform/events.h"

namespace contract {
std::vector<std::string>& OwnEvents() {
  static std::vector<std::string> reported;
  return reported;
}
std::vector<std::string> Reported(unsigned ms) {
  TheWorld().Pump(ms);
  return std::exchange(OwnEvents(), {});
}
}  // namespace contract

namespace events {
static void Report(const std::string& event) { contract::OwnEvents().push_back(event); }
int RunProgram() { return 0; }
void OnMainBarMoved() { Report("OnMainBarMoved()"); }
void OnMainBarDestroyed() { Report("OnMainBarDestroyed()"); }
void OnTimer(unsigned id) { Report("OnTimer(" + std::to_string(id) + ")"); }
void OnTrayMessage(unsigned mouseMessage) { Report("OnTrayMessage(" + std::to_string(mouseMessage) + ")"); }
void OnTaskbarCreated() { Report("OnTaskbarCreated()"); }
void OnBarDpiChanged(unsigned dpi, int, int) { Report("OnBarDpiChanged(" + std::to_string(dpi) + ")"); }
void OnDisplayChanged() { Report("OnDisplayChanged()"); }
void OnBuyClicked() { Report("OnBuyClicked()"); }
void OnSellClicked() { Report("OnSellClicked()"); }
void OnCodeLabelDoubleClicked() { Report("OnCodeLabelDoubleClicked()"); }
void OnCodeLabelRightButtonDown() { Report("OnCodeLabelRightButtonDown()"); }
void OnHotKey(int id) { Report("OnHotKey(" + std::to_string(id) + ")"); }
void OnBuyKeyChanged() { Report("OnBuyKeyChanged()"); }
void OnSellKeyChanged() { Report("OnSellKeyChanged()"); }
void OnFunctionKeyChanged() { Report("OnFunctionKeyChanged()"); }
void OnSettingsFileClicked() { Report("OnSettingsFileClicked()"); }
void OnKeySettingsClosed() { Report("OnKeySettingsClosed()"); }
void OnStatusCopyClicked() { Report("OnStatusCopyClicked()"); }
void OnStatusClosed() { Report("OnStatusClosed()"); }
}  // namespace events
