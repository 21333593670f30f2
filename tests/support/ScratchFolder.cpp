#include "ScratchFolder.h"

#include <algorithm>
#include <filesystem>
#include <random>
#include <stdexcept>

namespace k7test {

std::string makeScratchFolder(const std::string& stem) {
    namespace fs = std::filesystem;
    std::random_device seed;
    std::mt19937_64 random(seed());
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path folder = base / (stem + "." + std::to_string(random() % 1000000000u));
        std::error_code error;
        if (fs::create_directory(folder, error)) {
            fs::permissions(folder, fs::perms::owner_all, error);
            std::string path = folder.generic_string();
            return path;
        }
    }
    throw std::runtime_error("no scratch folder");
}

ScratchDir::ScratchDir(const std::string& stem) : path_(makeScratchFolder(stem)) {}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(path_), ignored);
}

}  // namespace k7test
