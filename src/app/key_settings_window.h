// The modal window where the three key codes are edited.
#pragma once

void OpenKeySettings();
void OnKeySettingsCreated();
void OnBuyKeyChanged();
void OnSellKeyChanged();
void OnFunctionKeyChanged();
void OpenSettingsFile();
// Runs when the window is being destroyed: the bar gets back the enabled
// state it had before the window opened.
void OnKeySettingsClosed();
// Forgets an open window (tests).
void ResetKeySettings();
