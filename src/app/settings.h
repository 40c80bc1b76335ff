// new.ini beside the executable: the user's settings and the code cache.
#pragma once

#include <string>

inline constexpr const char* kSettingsSection = "软件设置";
inline constexpr const char* kCodeCacheSection = "代码表";

std::string SettingsPath();
std::string ReadSetting(const std::string& section, const std::string& key, const std::string& defaultValue);
void WriteSetting(const std::string& section, const std::string& key, const std::string& value);

struct SavedPosition {
  int left = 100;
  int top = 100;
};
// The start-up load with its repairs; returns the bar's saved position.
SavedPosition LoadSettings();
