// Standard output that carries result lines only, while the card library's lines go to standard
// error.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "KARVO7DLL.h"
#include "headless/ResultOutput.h"

using namespace k7check;

namespace {

// Points file descriptor `fd` at a fresh pipe until destroyed; text() reads what arrived.
class CapturedFd {
  public:
    explicit CapturedFd(int fd) : fd_(fd) {
        std::fflush(nullptr);
        EXPECT_EQ(::pipe2(pipe_, O_CLOEXEC), 0);
        saved_ = ::dup(fd);
        ::dup2(pipe_[1], fd);
        ::close(pipe_[1]);
    }
    ~CapturedFd() { restore(); }
    void restore() {
        if (saved_ >= 0) {
            std::fflush(nullptr);
            ::dup2(saved_, fd_);
            ::close(saved_);
            saved_ = -1;
        }
    }
    // Everything written, after restore().
    std::string text() {
        restore();
        std::string all;
        char buffer[256];
        ssize_t n = 0;
        while ((n = ::read(pipe_[0], buffer, sizeof buffer)) > 0) {
            all.append(buffer, static_cast<size_t>(n));
        }
        ::close(pipe_[0]);
        return all;
    }

  private:
    int fd_;
    int pipe_[2] = {-1, -1};
    int saved_ = -1;
};

TEST(ResultOutput, ResultLinesOnStandardOutputAndTheLibrarysLinesOnStandardError) {
    CapturedFd out(1);
    CapturedFd err(2);
    {
        ResultOutput results;
        results.stream() << "PCI Configuration: OK\n";
        EXPECT_EQ(KARVO7Open(200), nullptr);  // no such card: the library says so
        results.stream() << "Kennung: OK\n";
    }
    EXPECT_EQ(KARVO7Open(200), nullptr);  // the library's default again: standard output
    const std::string errText = err.text();
    EXPECT_EQ(out.text(), "PCI Configuration: OK\nKennung: OK\nDas war wohl nix !!\n");
    EXPECT_EQ(errText.find("Das war wohl nix !!\n"), errText.rfind("Das war wohl nix !!\n"));
    EXPECT_NE(errText.find("Das war wohl nix !!\n"), std::string::npos) << errText;
}

}  // namespace
