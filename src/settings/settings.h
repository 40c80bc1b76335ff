// new.ini beside the executable: the user's settings and the code cache.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

inline constexpr const char* kSettingsSection = "软件设置";
inline constexpr const char* kCodeCacheSection = "代码表";

const std::string& SettingsPath();
// Forgets the path worked out, so that the next use looks at the executable
// again (for tests that move it).
void ResetSettingsPath();
std::string ReadSetting(const std::string& section, const std::string& key, const std::string& defaultValue);
void WriteSetting(const std::string& section, const std::string& key, const std::string& value);

// Which charting program the code comes from ("数据源": 1 is 交易师, 2 通达信,
// anything else 大智慧).
enum class QuoteSource { kDzh, kTrader, kTdx };

// How the code goes into the trading client's code field ("输入方式"): 1 posts
// it as characters, for clients that react only to characters; 2 keys
// the hot key and the code on the keyboard (SendInput), for clients that take
// nothing else; anything else replaces the field's text, and keys it on the
// keyboard only when the client ignored that.
enum class CodeEntry { kReplace, kPosted, kKeyed };

// A key combination of the whole desktop ("买入热键", "卖出热键"): the
// modifiers as RegisterHotKey takes them and a virtual key; vk 0 is none.
struct HotKey {
  unsigned modifiers = 0, vk = 0;
  bool operator==(const HotKey& other) const { return modifiers == other.modifiers && vk == other.vk; }
};
// A combination written like "Ctrl+Alt+B": Ctrl, Alt, Shift and Win joined
// by "+" in any order and case, then one key, A to Z, 0 to 9 or F1 to F24;
// blanks around the parts and full-width forms are allowed.  A letter or
// digit needs a modifier.  False when text is none of these; an empty text
// is no hot key, and true.
bool ParseHotKey(const std::string& text, HotKey* key);
// "Ctrl+Alt+B": the modifiers in that order, then the key; "" for none.
std::string HotKeyName(const HotKey& key);
// A hot key as new.ini holds it.
struct HotKeySetting {
  std::string text;  // as written, blanks at its ends dropped
  HotKey key;
  bool valid = true;
};

// What start-up takes from new.ini.
struct Settings {
  QuoteSource source = QuoteSource::kDzh;
  CodeEntry codeEntry = CodeEntry::kReplace;
  std::int32_t buyKey = 112, sellKey = 113, functionKey = 114;
  int left = 100, top = 100;  // the bar's saved position
  HotKeySetting buyHotKey, sellHotKey;
};
// The start-up load.  A key code below 1 is repaired in the file to its
// default, with the note on key codes beside it.
Settings LoadSettings();
// The source chosen in the tray menu, for the next start.
void SaveQuoteSource(QuoteSource source);
