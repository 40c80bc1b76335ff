// Reading the simulated desktop's call log: what the program asked of the
// seam since the last sim::ClearCalls.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

// The calls by name only, in order.
std::vector<std::string> CallNames();
int CountCalls(const std::string& name);
// The arguments of every call of one name, as the log shows them.
std::vector<std::string> ArgumentsOf(const std::string& name);
// The names of several lists, one after the other: a call sequence in parts.
std::vector<std::string> Joined(std::initializer_list<std::vector<std::string>> parts);
