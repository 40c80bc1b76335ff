// Windows to processes, processes to executable files (tool-help snapshots).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

struct ProcessRecord {
  std::uint32_t processId = 0;
  std::string exeName;
};

std::vector<ProcessRecord> ListProcesses();
// The process of the top-level window that owns the window's chain of
// parents and owners; 0 when the window is none.
std::uint32_t ProcessIdOfWindow(platform::Hwnd window);
// The process of the window itself, not of its root: a control that another
// process placed in a window belongs to that other process.
std::uint32_t OwnProcessOfWindow(platform::Hwnd window);
std::string ProcessFileNameOfWindow(platform::Hwnd window);
// The executable file name of a process in a list taken before; "" when the
// process is not in it.
std::string ExeNameIn(const std::vector<ProcessRecord>& processes, std::uint32_t processId);
// The first process of a list whose file name matches, ASCII letters
// compared without case; 0 when none does.
std::uint32_t FirstProcessIdIn(const std::vector<ProcessRecord>& processes, const std::string& fileName);
std::uint32_t FindProcessIdByFileName(const std::string& fileName);
// Process id 0 names the calling process.
std::string MainModulePath(std::uint32_t processId);

enum class Bitness { kUnknown, k32, k64 };
// The process's width (this program runs only on 64-bit Windows).
Bitness ProcessBitness(std::uint32_t processId);
// Whether the process runs at a higher integrity level than this program
// (run as administrator while this one is not): Windows then drops the keys
// and messages this program sends it, without a word.
enum class Privilege { kUnknown, kNotHigher, kHigher };
Privilege ComparePrivilege(std::uint32_t processId);
