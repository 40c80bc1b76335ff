// Start-up over any new.ini, on the simulated desktop.
//
// Input: a document title (up to the first lone backslash, "\\" standing for
// one backslash), then the bytes of new.ini.  After start-up the keys are
// usable, the file holds exactly what the program wrote, a second start
// leaves both unchanged, and the title round-trips through the code cache
// without touching the settings.
#include <cstdint>
#include <string>

#include <fuzzer/FuzzedDataProvider.h>

#include "app/app_state.h"
#include "app/key_settings_window.h"
#include "app/main_bar.h"
#include "app/status_window.h"
#include "fuzz_check.h"
#include "platform/sim/sim.h"
#include "settings/code_cache.h"
#include "settings/settings.h"
#include "text/text.h"

namespace {

struct Loaded {
  std::int32_t buyKey, sellKey, functionKey;
  platform::Rect bar;
  bool operator==(const Loaded& o) const {
    return buyKey == o.buyKey && sellKey == o.sellKey && functionKey == o.functionKey && bar.left == o.bar.left &&
           bar.top == o.bar.top;
  }
};

std::int32_t Stored(const char* key) { return TextToInt(ReadSetting(kSettingsSection, key, "")); }

Loaded Start() {
  ResetAppState();
  ResetMainBar();
  ResetKeySettings();
  ResetStatusWindow();
  ResetCodeCache();
  FUZZ_CHECK(StartMainBar());
  Loaded loaded{AppState.buyKey, AppState.sellKey, AppState.functionKey, {}};
  FUZZ_CHECK(platform::GetWindowRect(MainBar().bar, &loaded.bar));
  FUZZ_CHECK(loaded.buyKey >= 1 && loaded.sellKey >= 1 && loaded.functionKey >= 1);
  FUZZ_CHECK(Stored("买入键") == loaded.buyKey);
  FUZZ_CHECK(Stored("卖出键") == loaded.sellKey);
  FUZZ_CHECK(Stored("功能键") == loaded.functionKey);
  FUZZ_CHECK(Stored("左边") == loaded.bar.left);
  FUZZ_CHECK(Stored("顶边") == loaded.bar.top);
  FUZZ_CHECK(sim::OpenHandles() == 0);
  return loaded;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string title = input.ConsumeRandomLengthString(512);
  const std::string ini = input.ConsumeRemainingBytesAsString();

  sim::Reset();
  const std::string path = SettingsPath();
  sim::WriteFile(path, ini);

  const Loaded first = Start();
  const std::string afterFirst = sim::FileContent(path);
  const Loaded second = Start();
  FUZZ_CHECK(second == first);
  FUZZ_CHECK(sim::FileContent(path) == afterFirst);

  if (IsCacheableTitle(title)) {
    WriteSetting(kCodeCacheSection, title, "600000");
    FUZZ_CHECK(LookupCachedCode(title) == "600000");
    WriteSetting(kCodeCacheSection, title, title);
    FUZZ_CHECK(LookupCachedCode(title) == title);
    FUZZ_CHECK(Start() == first);
  }
  return 0;
}
