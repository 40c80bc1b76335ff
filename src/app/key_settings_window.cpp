#include "app/key_settings_window.h"

#include <cstdint>
#include <string>

#include "app/app_state.h"
#include "app/main_bar.h"
#include "platform/platform.h"
#include "settings/settings.h"
#include "text/text.h"

namespace {

// Edit boxes hold up to 30000 characters by default; read all of it.
constexpr int kBoxTextSize = 32768;

platform::KeySettingsWindows keyWindow;
bool barWasEnabled = true;

// The box's text goes to new.ini as typed, so that the user finds there what
// was entered; the key code in force is its number.
void ApplyBox(platform::Hwnd box, std::int32_t* keyCode, const char* key) {
  if (box <= 0) return;  // a change reported after the window has gone
  const std::string text = platform::GetWindowTextA(box, kBoxTextSize);
  *keyCode = TextToInt(text);
  WriteSetting(kSettingsSection, key, text);
}

}  // namespace

void OpenKeySettings() {
  if (keyWindow.window > 0 && platform::IsWindow(keyWindow.window)) return;
  keyWindow = platform::CreateKeySettingsWindow();
  if (keyWindow.window <= 0) {
    keyWindow = {};
    return;
  }
  OnKeySettingsCreated();
  platform::ShowWindow(keyWindow.window, platform::kSwShow);
  const platform::Hwnd bar = MainBar().bar;
  barWasEnabled = platform::IsWindowEnabled(bar);
  platform::EnableWindow(bar, false);
}

void OnKeySettingsCreated() {
  platform::SetWindowTextA(keyWindow.buyBox, std::to_string(AppState.buyKey));
  platform::SetWindowTextA(keyWindow.sellBox, std::to_string(AppState.sellKey));
  platform::SetWindowTextA(keyWindow.functionBox, std::to_string(AppState.functionKey));
}

void OnBuyKeyChanged() { ApplyBox(keyWindow.buyBox, &AppState.buyKey, "买入键"); }
void OnSellKeyChanged() { ApplyBox(keyWindow.sellBox, &AppState.sellKey, "卖出键"); }
void OnFunctionKeyChanged() { ApplyBox(keyWindow.functionBox, &AppState.functionKey, "功能键"); }

void OpenSettingsFile() { platform::ShellExecuteOpen(SettingsPath()); }

void OnKeySettingsClosed() {
  if (keyWindow.window <= 0) return;
  keyWindow = {};
  platform::EnableWindow(MainBar().bar, barWasEnabled);
}

void ResetKeySettings() {
  keyWindow = {};
  barWasEnabled = true;
}
