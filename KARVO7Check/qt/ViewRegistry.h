// Which Qt view shows which window: a window class name ("KARVO7CheckDlg", "VIRMA4Dlg", ...)
// maps to a function that builds the window's view. A window that gets a view registers it
// here; the desktop finds it when the window is opened.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "QtDialogView.h"

namespace k7qt {

using ViewFactory =
    std::function<std::unique_ptr<QtDialogView>(k7check::Dialog& dialog, QWidget* parent)>;

// Registers (or replaces) the view of a window class.
void registerView(const std::string& windowClass, ViewFactory factory);
// The view for `dialog`, or nullptr when its window class has none.
std::unique_ptr<QtDialogView> createView(k7check::Dialog& dialog, QWidget* parent);
// Registers the views of this program's windows (idempotent).
void registerProgramViews();

}  // namespace k7qt
