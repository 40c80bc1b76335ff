// The events the real platform layer reported, in order, by name.
#pragma once

#include <string>
#include <vector>

std::vector<std::string>& RecordedEvents();
// Dispatches every message waiting for this thread, for about ms milliseconds.
void PumpMessages(unsigned ms = 50);
