#include "ToolProcess.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace tooltest {

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "karvo7-tool-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("no temporary folder");
    }
    path_ = pattern;
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

ToolProcess::ToolProcess(const std::string& simConfigPath,
                         const std::vector<std::string>& arguments, std::size_t memoryLimit) {
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
        throw std::runtime_error("no pipes");
    }
    std::vector<std::string> args{KARVO7_TOOL};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
        const int nothing = ::open("/dev/null", O_RDONLY);
        ::dup2(nothing, 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        ::setenv("KARVO7_SIM", simConfigPath.c_str(), 1);
        ::setenv("KARVO7_SIM_STATE", "off", 1);
        ::unsetenv("KARVO7_DRIVER");
        ::signal(SIGPIPE, SIG_DFL);
        if (memoryLimit != 0) {
            const rlimit limit{memoryLimit, memoryLimit};
            ::setrlimit(RLIMIT_AS, &limit);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    out_ = out[0];
    err_ = err[0];
}

ToolProcess::~ToolProcess() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    closeOut();
    if (err_ >= 0) {
        ::close(err_);
    }
}

std::string ToolProcess::readOut(std::size_t bytes) {
    std::string got;
    char chunk[65536];
    while (got.size() < bytes && out_ >= 0) {
        const ssize_t n = ::read(out_, chunk, std::min(sizeof chunk, bytes - got.size()));
        if (n <= 0) {
            break;
        }
        got.append(chunk, static_cast<std::size_t>(n));
    }
    return got;
}

void ToolProcess::closeOut() {
    if (out_ >= 0) {
        ::close(out_);
        out_ = -1;
    }
}

void ToolProcess::signal(int number) {
    ::kill(pid_, number);
}

Finished ToolProcess::finish() {
    Finished f;
    char chunk[65536];
    while (out_ >= 0 || err_ >= 0) {
        pollfd fds[2];
        nfds_t count = 0;
        if (out_ >= 0) {
            fds[count++] = {out_, POLLIN, 0};
        }
        if (err_ >= 0) {
            fds[count++] = {err_, POLLIN, 0};
        }
        if (::poll(fds, count, -1) < 0) {
            continue;
        }
        for (nfds_t i = 0; i < count; ++i) {
            if (fds[i].revents == 0) {
                continue;
            }
            const ssize_t n = ::read(fds[i].fd, chunk, sizeof chunk);
            const bool isOut = fds[i].fd == out_;
            if (n <= 0) {
                ::close(fds[i].fd);
                (isOut ? out_ : err_) = -1;
            } else {
                (isOut ? f.out : f.err).append(chunk, static_cast<std::size_t>(n));
            }
        }
    }
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    f.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return f;
}

Finished runTool(const std::string& simConfigPath, const std::vector<std::string>& arguments) {
    ToolProcess process(simConfigPath, arguments);
    return process.finish();
}

}  // namespace tooltest
