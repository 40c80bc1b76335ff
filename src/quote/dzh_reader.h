// 大智慧: document titles to codes, through the cache in new.ini and the
// program's own code tables.
#pragma once

#include <string>
#include <string_view>

std::string LookupCachedCode(const std::string& title);
std::string ResolveDzhCode(const std::string& title);
// Forgets what the reader keeps in memory for the run (tests, restart).
void ResetDzhReader();
