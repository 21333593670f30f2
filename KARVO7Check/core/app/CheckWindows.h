// The windows behind the main window's buttons: each window has one registration line in
// CheckWindows.cpp.
#pragma once

#include "app/CheckButtons.h"

namespace k7check {

// Fills `registry` with every check window and every window of another main-window button.
void registerCheckWindows(CheckRegistry& registry);

}  // namespace k7check
