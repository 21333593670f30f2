// Texts at the Win32 boundary: the program keeps UTF-8, every Win32 call takes UTF-16.
#pragma once

#include <windows.h>

#include <string>

namespace k7w32 {

std::wstring wide(const std::string& utf8);
std::string utf8(const std::wstring& text);
// A window's text (a control's caption or contents).
std::wstring windowText(HWND window);

}  // namespace k7w32
