// The pieces of the message boxes and file dialogs that need no window: the core's file filter
// as comdlg32 takes it, and a message box's answer as the core's.
#pragma once

#include <string>

#include "desktop/Desktop.h"

namespace k7w32 {

// "*.ini" gives one type "*.ini"; "Parameterdatei (*.ini)|*.ini|Alle Dateien (*.*)|*.*||" one
// per pair up to the first empty one. Each text ends with NUL, the list with another.
std::wstring fileFilter(const std::string& filter);
// The suffix a saved file gets when the name typed has none: the first pattern's ("ini").
std::wstring defaultSuffix(const std::wstring& filter);
// MessageBoxW's result; a box closed without a button (Escape, the close box, a failure)
// gives the escape answer, as the Qt desktop: Ok, No, or Cancel.
k7check::Answer answerOf(int messageBoxResult, k7check::Buttons buttons);

}  // namespace k7w32
