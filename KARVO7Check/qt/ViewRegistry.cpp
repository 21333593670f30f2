#include "ViewRegistry.h"

#include <map>

namespace k7qt {

namespace {

std::map<std::string, ViewFactory>& factories() {
    static std::map<std::string, ViewFactory> table;
    return table;
}

}  // namespace

void registerView(const std::string& windowClass, ViewFactory factory) {
    factories()[windowClass] = std::move(factory);
}

std::unique_ptr<QtDialogView> createView(k7check::Dialog& dialog, QWidget* parent) {
    const auto it = factories().find(dialog.windowClass());
    if (it == factories().end()) {
        return nullptr;
    }
    return it->second(dialog, parent);
}

}  // namespace k7qt
