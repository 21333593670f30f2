#include "ToolProcess.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "ScratchFolder.h"

namespace tooltest {

TempFolder::TempFolder() {
    path_ = k7test::makeScratchFolder("karvo7-tool");
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> TempFolder::names() const {
    std::vector<std::string> list;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
        const std::string name = entry.path().filename().string();
        if (name != "locks") {
            list.push_back(name);
        }
    }
    std::sort(list.begin(), list.end());
    return list;
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string simConfig(const TempFolder& folder, const std::string& extra, unsigned cards) {
    const std::string path = folder.file("cards.conf");
    std::filesystem::create_directory(folder.file("locks"));
    writeFile(path, "[Simulator]\npersist = no\nlock_dir = " + folder.file("locks") +
                        "\ninstance = tool" + std::to_string(::getpid()) +
                        "\ncards = " + std::to_string(cards) + "\n" + extra);
    return path;
}

void expectPrefixed(const std::string& err) {
    std::istringstream lines(err);
    for (std::string line; std::getline(lines, line);) {
        EXPECT_EQ(line.rfind("karvo7: ", 0), 0u) << line;
    }
}

Finished runTool(const std::string& simConfigPath, const std::vector<std::string>& arguments) {
    ToolProcess process(simConfigPath, arguments);
    return process.finish();
}

}  // namespace tooltest
