// The tool as a process of its own on a POSIX system: forked with its output on pipes.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

#include "ToolProcess.h"

namespace tooltest {

ToolProcess::ToolProcess(const std::string& simConfigPath,
                         const std::vector<std::string>& arguments, std::size_t memoryLimit,
                         std::size_t fileSizeLimit) {
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
    const pid_t pid = ::fork();
    process_ = pid;
    if (pid == 0) {
        const int nothing = ::open("/dev/null", O_RDONLY);
        ::dup2(nothing, 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        if (simConfigPath.empty()) {
            ::unsetenv("KARVO7_SIM");
        } else {
            ::setenv("KARVO7_SIM", simConfigPath.c_str(), 1);
        }
        ::setenv("KARVO7_SIM_STATE", "off", 1);
        ::unsetenv("KARVO7_DRIVER");
        ::signal(SIGPIPE, SIG_DFL);
        if (memoryLimit != 0) {
            const rlimit limit{memoryLimit, memoryLimit};
            ::setrlimit(RLIMIT_AS, &limit);
        }
        if (fileSizeLimit != 0) {
            const rlimit limit{fileSizeLimit, fileSizeLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
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
    if (process_ > 0) {
        ::kill(static_cast<pid_t>(process_), SIGKILL);
        ::waitpid(static_cast<pid_t>(process_), nullptr, 0);
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
    ::kill(static_cast<pid_t>(process_), number);
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
    ::waitpid(static_cast<pid_t>(process_), &status, 0);
    process_ = -1;
    f.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return f;
}

}  // namespace tooltest
