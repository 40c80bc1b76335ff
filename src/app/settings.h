// new.ini beside the executable: the user's settings and the code cache.
#pragma once

#include <string>

#include "platform/platform.h"

inline constexpr const char* kSettingsSection = "软件设置";
inline constexpr const char* kCodeCacheSection = "代码表";

const std::string& SettingsPath();
std::string ReadSetting(const std::string& section, const std::string& key, const std::string& defaultValue);
void WriteSetting(const std::string& section, const std::string& key, const std::string& value);
// new.ini's size and last write time; false when there is no such file.
bool StampSettingsFile(platform::FileStamp* stamp);

struct SavedPosition {
  int left = 100;
  int top = 100;
};
// The start-up load with its repairs; returns the bar's saved position.
SavedPosition LoadSettings();
