// The modal window where the three key codes are edited.
#pragma once

void OpenKeySettings();
void OnKeySettingsCreated();
void OnBuyKeyChanged();
void OnSellKeyChanged();
void OnFunctionKeyChanged();
void OpenSettingsFile();
