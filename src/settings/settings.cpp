#include "settings/settings.h"

#include <string_view>

#include "platform/platform.h"
#include "text/text.h"

namespace {

constexpr std::uint32_t kValueBufferSize = 10240;
constexpr const char* kKeyCodeNote = "F1[112],F2[113],F3[114],F4[115],依此类推";

// Blanks and control characters in front of a name are never part of it.
std::string DropLeadingBlanks(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) <= 32) ++i;
  return std::string(text.substr(i));
}

// A key code below 1 cannot be pressed: the user gets the F-key default back,
// and the note tells a hand editor which numbers the F-keys have.
std::int32_t LoadKeyCode(const char* key, std::int32_t repairValue) {
  std::int32_t code = TextToInt(ReadSetting(kSettingsSection, key, "0"));
  if (code < 1) {
    WriteSetting(kSettingsSection, "键码表", kKeyCodeNote);
    WriteSetting(kSettingsSection, key, std::to_string(repairValue));
    code = repairValue;
  }
  return code;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

constexpr struct {
  const char *lowered, *name;
  unsigned flag;
} kModifierNames[] = {{"ctrl", "Ctrl", platform::kModControl},
                      {"alt", "Alt", platform::kModAlt},
                      {"shift", "Shift", platform::kModShift},
                      {"win", "Win", platform::kModWin}};

// The key a part names, 0 when none: "B", "7", "F9".
unsigned KeyOfName(const std::string& lowered) {
  if (lowered.size() == 1 && lowered[0] >= 'a' && lowered[0] <= 'z') return lowered[0] - 'a' + 'A';
  if (lowered.size() == 1 && lowered[0] >= '0' && lowered[0] <= '9') return lowered[0];
  if (lowered.size() < 2 || lowered.size() > 3 || lowered[0] != 'f') return 0;
  for (std::size_t i = 1; i < lowered.size(); ++i)
    if (lowered[i] < '0' || lowered[i] > '9') return 0;
  if (lowered[1] == '0') return 0;
  const int number = TextToInt(lowered.substr(1));
  return number >= 1 && number <= 24 ? 0x6F + number : 0;  // VK_F1 is 0x70
}

HotKeySetting LoadHotKey(const char* name) {
  HotKeySetting setting;
  setting.text = std::string(Trimmed(ReadSetting(kSettingsSection, name, "")));
  setting.valid = ParseHotKey(setting.text, &setting.key);
  return setting;
}

}  // namespace

bool ParseHotKey(const std::string& text, HotKey* key) {
  *key = {};
  const std::string folded = LowerAscii(FoldFullWidth(text));
  if (Trimmed(folded).empty()) return true;
  HotKey parsed;
  std::string_view rest = folded;
  for (;;) {
    const std::size_t plus = rest.find('+');
    const std::string part(Trimmed(rest.substr(0, plus)));
    if (plus == std::string_view::npos) {
      parsed.vk = KeyOfName(part);
      break;
    }
    unsigned flag = 0;
    for (const auto& modifier : kModifierNames)
      if (part == modifier.lowered) flag = modifier.flag;
    if (flag == 0) return false;
    parsed.modifiers |= flag;
    rest.remove_prefix(plus + 1);
  }
  if (parsed.vk == 0) return false;
  // A letter or a digit alone would take the trader's typing away.
  if (parsed.vk < 0x70 && parsed.modifiers == 0) return false;
  *key = parsed;
  return true;
}

std::string HotKeyName(const HotKey& key) {
  if (key.vk == 0) return "";
  std::string name;
  for (const auto& modifier : kModifierNames)
    if (key.modifiers & modifier.flag) name += std::string(modifier.name) + "+";
  if (key.vk >= 0x70) return name + "F" + std::to_string(key.vk - 0x6F);
  return name + static_cast<char>(key.vk);
}

namespace {

// Worked out once: the poller asks the code cache at every change of the
// front title, and the executable cannot move while it runs.  (Filled at first use rather than by
// a function's static, whose thread-safe guard would bring the whole threads
// library into a program of one thread.)
std::string settingsPath;
std::string readPath;  // as the profile functions get it for reading

const std::string& ReadPath() {
  if (readPath.empty()) readPath = DropLeadingBlanks(SettingsPath());
  return readPath;
}

}  // namespace

const std::string& SettingsPath() {
  if (settingsPath.empty()) {
    const std::string exe = platform::GetModuleFileNameA();
    // The last backslash that is a character of its own: in GBK, 0x5C is
    // also a trail byte of many two-byte characters.
    TextSearch lastOne;
    lastOne.last = true;
    const int slash = FindText(exe, "\\", lastOne);
    settingsPath = LeftText(exe, slash - 1) + "\\new.ini";
  }
  return settingsPath;
}

void ResetSettingsPath() {
  settingsPath.clear();
  readPath.clear();
}

std::string ReadSetting(const std::string& section, const std::string& key, const std::string& defaultValue) {
  const std::string& path = ReadPath();
  const std::string cleanSection = DropLeadingBlanks(section);
  const std::string cleanKey = DropLeadingBlanks(key);
  if (path.empty() || cleanSection.empty() || cleanKey.empty()) return "";
  return platform::GetPrivateProfileStringA(cleanSection, cleanKey, defaultValue, kValueBufferSize, path);
}

void WriteSetting(const std::string& section, const std::string& key, const std::string& value) {
  // An entry without a section or key name could never be read back; the
  // profile API would write a nameless line into the file instead.
  if (DropLeadingBlanks(section).empty() || DropLeadingBlanks(key).empty()) return;
  platform::WritePrivateProfileStringA(section, key, value, SettingsPath());
}

Settings LoadSettings() {
  Settings settings;
  const std::int32_t source = TextToInt(ReadSetting(kSettingsSection, "数据源", "0"));
  settings.source = source == 1 ? QuoteSource::kTrader : source == 2 ? QuoteSource::kTdx : QuoteSource::kDzh;
  // Read, never written: only a trader whose client needs it sets it.
  const int entry = TextToInt(ReadSetting(kSettingsSection, "输入方式", "0"));
  settings.codeEntry = entry == 1 ? CodeEntry::kPosted : entry == 2 ? CodeEntry::kKeyed : CodeEntry::kReplace;
  settings.buyKey = LoadKeyCode("买入键", 112);
  settings.sellKey = LoadKeyCode("卖出键", 113);
  settings.functionKey = LoadKeyCode("功能键", 114);
  settings.left = TextToInt(ReadSetting(kSettingsSection, "左边", "100"));
  settings.top = TextToInt(ReadSetting(kSettingsSection, "顶边", "100"));
  // Read, never written: no hot key unless the trader asks for one.
  settings.buyHotKey = LoadHotKey("买入热键");
  settings.sellHotKey = LoadHotKey("卖出热键");
  return settings;
}

void SaveQuoteSource(QuoteSource source) {
  WriteSetting(kSettingsSection, "数据源",
               source == QuoteSource::kTrader ? "1"
               : source == QuoteSource::kTdx  ? "2"
                                              : "0");
}
