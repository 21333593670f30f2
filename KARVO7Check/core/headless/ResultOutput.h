// Standard output that carries result lines only. The card library writes its diagnostic lines
// ("Ja gut OK installiert !!", "Das war wohl nix !!") to standard output unless a program
// installs a log of its own; while a ResultOutput lives, the library's log writes them to
// standard error, and stream() writes the results to standard output as they come. The
// destructor flushes and gives the library its default log back.
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
    // Unbuffered writes to standard output, so that every line is out as soon as it is written.
    class FdBuffer : public std::streambuf {
      protected:
        int_type overflow(int_type c) override;
        std::streamsize xsputn(const char* text, std::streamsize count) override;
    };

    FdBuffer buffer_;
    std::ostream stream_;
};

}  // namespace k7check
