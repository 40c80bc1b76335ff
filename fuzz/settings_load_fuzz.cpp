// Start-up over any new.ini, on the simulated desktop.
//
// Input: a document title (up to the first lone backslash, "\\" standing for
// one backslash), then the bytes of new.ini.  After start-up the keys are
// usable, the file holds exactly what the program wrote, a second start
// leaves both unchanged, and the title round-trips through the code cache
// without touching the settings.
#include <array>
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

// The three keys, then the bar's left and top edges.
using Loaded = std::array<std::int32_t, 5>;

Loaded Start() {
  ResetAppState();
  ResetMainBar();
  ResetKeySettings();
  ResetStatusWindow();
  ResetCodeCache();
  FUZZ_CHECK(StartMainBar());
  platform::Rect bar;
  FUZZ_CHECK(platform::GetWindowRect(MainBar().bar, &bar));
  const Loaded loaded{AppState.buyKey, AppState.sellKey, AppState.functionKey, bar.left, bar.top};
  FUZZ_CHECK(loaded[0] >= 1 && loaded[1] >= 1 && loaded[2] >= 1);
  const char* const keys[] = {"买入键", "卖出键", "功能键", "左边", "顶边"};
  for (std::size_t i = 0; i < loaded.size(); ++i)
    FUZZ_CHECK(TextToInt(ReadSetting(kSettingsSection, keys[i], "")) == loaded[i]);
  FUZZ_CHECK(sim::OpenHandles() == 0);
  return loaded;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string title = input.ConsumeRandomLengthString(512);

  sim::Reset();
  const std::string path = SettingsPath();
  sim::WriteFile(path, input.ConsumeRemainingBytesAsString());

  const Loaded first = Start();
  const std::string afterFirst = sim::FileContent(path);
  FUZZ_CHECK(Start() == first);
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
