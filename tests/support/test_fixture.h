// The common starting point of every test over the simulated desktop.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/sim/sim.h"

// An empty desktop, AppState at its initial values, no bar, no key settings
// window and nothing remembered by the readers.  At the end of each test,
// every snapshot, file and directory listing the program opened must have
// been closed again.
class SimTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // new.ini beside the simulated executable.
  static std::string IniPath();
  // new.ini's sections and their entries in the file's order, read strictly:
  // every line ends in CR LF and is blank, a comment, "[section]" or
  // "key=value", and a section twice, or a key twice in one, fails the test
  // (names without ASCII case).  A missing file has none.
  using IniEntries = std::vector<std::pair<std::string, std::string>>;
  static std::vector<std::pair<std::string, IniEntries>> IniSections();
  static IniEntries IniSection(const std::string& section);
  // The program's start-up up to its message loop: AppState initialised, the
  // bar created, loaded from new.ini, placed and shown.
  static void StartProgram();
  // An empty desktop again, then the program's start-up.
  void Restart() {
    SimTest::SetUp();
    StartProgram();
  }
  // Where the bar is, on the screen.
  static platform::Rect BarRect();
  // The user picks an item of the tray icon's menu, opened with a right click.
  static void ChooseFromMenu(platform::TrayMenuItem item);
  // A window of that shape, but not visible.
  static platform::Hwnd CreateHidden(sim::WindowSpec shape);
};
