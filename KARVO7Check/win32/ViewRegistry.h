// Which Win32 view shows which window: a window class name ("KARVO7CheckDlg", "VIRMA4Dlg", ...)
// maps to a function that builds the window's view.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "Win32DialogView.h"

namespace k7w32 {

using ViewFactory = std::function<std::unique_ptr<Win32DialogView>(k7check::Dialog& dialog,
                                                                   const Metrics& metrics)>;

class ViewRegistry {
  public:
    // Registers (or replaces) the view of a window class.
    void add(const std::string& windowClass, ViewFactory factory);
    // The view for `dialog`, not yet created, or nullptr when its class has none.
    std::unique_ptr<Win32DialogView> create(k7check::Dialog& dialog, const Metrics& metrics) const;
    bool has(const std::string& windowClass) const { return factories_.count(windowClass) != 0; }

  private:
    std::map<std::string, ViewFactory> factories_;
};

class Win32Desktop;
// Registers the views of the check program's windows (the main window's About box opens on
// `desktop`).
void registerProgramViews(ViewRegistry& registry, Win32Desktop& desktop);

}  // namespace k7w32
