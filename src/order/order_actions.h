// The buy, sell and function-key actions.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

void OpenOrderForm(std::int32_t hotKey);
void SendFunctionKey();
void ReplaceEditText(platform::Hwnd edit, const std::string& text);
