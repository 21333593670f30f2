#include "ViewRegistry.h"

namespace k7w32 {

void ViewRegistry::add(const std::string& windowClass, ViewFactory factory) {
    factories_[windowClass] = std::move(factory);
}

std::unique_ptr<Win32DialogView> ViewRegistry::create(k7check::Dialog& dialog,
                                                      const Metrics& metrics) const {
    const auto it = factories_.find(dialog.windowClass());
    return it == factories_.end() ? nullptr : it->second(dialog, metrics);
}

}  // namespace k7w32
