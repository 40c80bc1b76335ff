// The 交易师 reader over any main-window title, on the simulated desktop.
//
// Input: a mode byte, then the title's bytes.  Mode bit 0 makes the title
// "交易师 - <six digits> - <rest>" with the digits taken from the input,
// whose code (unless 000000) must then come out exactly; otherwise the bytes
// are the title of the root owner of a window called "交易师".
#include <cstdint>
#include <cstdio>
#include <string>

#include "app/app_state.h"
#include "fuzz_check.h"
#include "platform/sim/sim.h"
#include "quote/trader_reader.h"
#include "text/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const bool dashed = data[0] & 1;
  const std::string rest = std::string(fuzz::Text(data + 1, size - 1)).c_str();  // a window text ends at a NUL

  std::string title = rest, expected;
  if (dashed) {
    std::uint32_t number = 0;
    for (std::size_t i = 0; i < rest.size() && i < 4; ++i) number = number * 256 + static_cast<unsigned char>(rest[i]);
    char digits[8];
    std::snprintf(digits, sizeof digits, "%06u", static_cast<unsigned>(number % 1000000));
    title = std::string("交易师 - ") + digits + " - " + rest;
    if (number % 1000000 > 0) expected = digits;
  }

  sim::Reset();
  ResetAppState();
  const std::uint32_t process = sim::AddProcess("C:\\jys\\jys.exe");
  sim::CreateWindow({"JysChild", "交易师", process, 0, 0, sim::CreateWindow({"JysMain", title, process})});

  const std::string code = ReadTraderCode();
  FUZZ_CHECK(code.empty() || (code.size() == 6 && TextToInt(code) > 0));
  FUZZ_CHECK(code.empty() || title.find(code) != std::string::npos);
  // 000000 is no code: the bracket form is tried next, on the rest.
  if (!expected.empty()) FUZZ_CHECK(code == expected);
  FUZZ_CHECK(sim::OpenHandles() == 0);
  return 0;
}
