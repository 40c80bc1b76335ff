// The code cache: 大智慧 document titles and their codes, in new.ini's
// "代码表", or for the run in memory where new.ini cannot hold a title.
#pragma once

#include <string>
#include <string_view>

// The cached code of a title; "" when there is none.
std::string LookupCachedCode(const std::string& title);
void StoreCachedCode(const std::string& title, const std::string& code);
// Whether the profile functions can store title as a key and find it again.
bool IsCacheableTitle(std::string_view title);
// Forgets what is kept in memory (tests).
void ResetCodeCache();
