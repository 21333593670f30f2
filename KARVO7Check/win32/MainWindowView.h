// The main window on Win32: the form KARVO7CheckDlg.ui with the check-button rows built from
// the check registry, as the Qt view builds them, and the window menu entry "Info über
// KARVO7Check...".
#pragma once

#include <memory>

#include "Win32DialogView.h"
#include "app/KARVO7CheckDlg.h"

namespace k7w32 {

class Win32Desktop;

// The window title: "KARVO7 Check", marked when the cards are simulated.
std::string mainWindowTitle(const std::string& title, bool simulatedCards);

std::unique_ptr<Win32DialogView> makeMainWindowView(k7check::KARVO7CheckDlg& window,
                                                    const Metrics& metrics, Win32Desktop& desktop);

}  // namespace k7w32
