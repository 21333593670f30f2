// A forked child that runs a body of its own while this lives and is killed with it: the
// benchmarks' competing processes. The body never returns and, as the child of a process with
// threads, makes only calls such a child may make.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

class ChildProcess {
  public:
    // No child when not `wanted`.
    template <typename Body>
    ChildProcess(bool wanted, Body body) : child_(wanted ? ::fork() : 0) {
        if (child_ == 0 && wanted) {
            body();
            ::_exit(0);
        }
    }
    ~ChildProcess() {
        if (child_ > 0) {
            ::kill(child_, SIGKILL);
            ::waitpid(child_, nullptr, 0);
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

  private:
    pid_t child_;
};
