// Files of the persistent card state.
#include "State.h"

#include "SystemFiles.h"

namespace k7sim {

StateStore::StateStore(std::string directory, uint32_t number)
    : directory_(std::move(directory)), number_(number) {}

std::string StateStore::path(const char* what) const {
    return directory_ + "/card" + std::to_string(number_) + "." + what;
}

bool StateStore::load(const char* what, std::vector<uint8_t>& bytes) const {
    return enabled() && readRegularFile(path(what), bytes);
}

bool StateStore::save(const char* what, const uint8_t* data, size_t size) const {
    if (!enabled()) {
        return true;
    }
    return makeDirectories(directory_) && replaceFile(directory_, path(what), data, size);
}

}  // namespace k7sim
