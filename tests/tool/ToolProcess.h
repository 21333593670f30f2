// Runs the karvo7 program as a process on simulated cards described by a configuration file of
// the test's own, and collects its exit code, standard output and standard error.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tooltest {

struct Finished {
    int code = -1;  // exit code; 128 + signal when a signal ended it
    std::string out;
    std::string err;
};

// A folder of the test's own, removed with everything in it when the object goes.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // Names of the files in the folder, sorted, without the cards' lock folder.
    std::vector<std::string> names() const;

  private:
    std::string path_;
};

void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);

// The simulated cards' configuration: `cards` cards that keep nothing on disk, plus `extra`
// lines (sections of cards, faults). Returns the file's path.
std::string simConfig(const TempFolder& folder, const std::string& extra = "", unsigned cards = 2);

// A running karvo7 with its standard output and standard error on pipes.
class ToolProcess {
  public:
    // `memoryLimit` (bytes, 0: none): the address space the program may take (RLIMIT_AS);
    // `fileSizeLimit` (bytes, 0: none): the largest file it may write (RLIMIT_FSIZE, a disk that
    // fills there); both on POSIX systems only. An empty `simConfigPath` sets no simulated
    // cards up: no driver answers.
    ToolProcess(const std::string& simConfigPath, const std::vector<std::string>& arguments,
                std::size_t memoryLimit = 0, std::size_t fileSizeLimit = 0);
    ~ToolProcess();
    ToolProcess(const ToolProcess&) = delete;
    ToolProcess& operator=(const ToolProcess&) = delete;

    // Reads standard output until `bytes` bytes came or it ended; returns what came.
    std::string readOut(std::size_t bytes);
    void closeOut();
    void signal(int number);  // POSIX systems only
    // Reads both pipes to their end and waits for the process.
    Finished finish();

  private:
    std::intptr_t process_ = -1;  // its id; on Windows its handle
    int out_ = -1;
    int err_ = -1;
    std::string outText_;
};

// Runs karvo7 to its end.
Finished runTool(const std::string& simConfigPath, const std::vector<std::string>& arguments);

// A test that runs karvo7 on simulated cards of a folder of its own.
class ToolTest : public ::testing::Test {
  protected:
    Finished run(const std::vector<std::string>& arguments, const std::string& extra = "") {
        return runTool(simConfig(folder, extra), arguments);
    }
    TempFolder folder;
};

// Every line a program writes on standard error starts with the program's name.
void expectPrefixed(const std::string& err);

}  // namespace tooltest
