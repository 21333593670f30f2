// Texts at the Win32 boundary: the program keeps UTF-8, every Win32 call takes UTF-16.
#pragma once

#include <windows.h>

#include <string>

#include "k7base/WideText.h"

namespace k7w32 {

// A window's text (a control's caption or contents).
std::wstring windowText(HWND window);

}  // namespace k7w32
