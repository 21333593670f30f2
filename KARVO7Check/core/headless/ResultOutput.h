// Standard output that carries result lines only. The card library writes its diagnostic lines
// ("Ja gut OK installiert !!", "Das war wohl nix !!") to standard output, as its callers expect;
// while a ResultOutput lives, file descriptor 1 is a copy of standard error, so those lines and
// anything else written to standard output land on standard error, and stream() writes to the
// original standard output. The destructor flushes and puts standard output back.
#pragma once

#include <ostream>
#include <streambuf>

namespace k7check {

class ResultOutput {
  public:
    ResultOutput();
    ~ResultOutput();
    ResultOutput(const ResultOutput&) = delete;
    ResultOutput& operator=(const ResultOutput&) = delete;

    std::ostream& stream() { return stream_; }

  private:
    // Unbuffered writes to one file descriptor.
    class FdBuffer : public std::streambuf {
      public:
        int fd = 1;

      protected:
        int_type overflow(int_type c) override;
        std::streamsize xsputn(const char* text, std::streamsize count) override;
    };

    int saved_ = -1;  // the original standard output, or -1 when it could not be kept
    FdBuffer buffer_;
    std::ostream stream_;
};

}  // namespace k7check
