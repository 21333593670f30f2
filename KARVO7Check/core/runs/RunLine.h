// The text a run writes behind its result-line prefix. The first failure of a run stays in the
// line: later steps append to it and never replace it, and "OK" is appended only when no step
// failed. A step's text never runs into the text before it: where neither ends or begins with a
// blank, one goes between them ("... 19 Schüsse verloren 11920860 Bytes ").
#pragma once

#include <string>

namespace k7check {

class RunLine {
  public:
    // A step's text that is not a failure ("%d Bytes ").
    void add(const std::string& text) { append(text); }
    // A failing step's text; the run is failed from now on.
    void fail(const std::string& text) {
        append(text);
        failed_ = true;
    }
    // A failure that is shown elsewhere (a message box) and only marks the run.
    void markFailed() { failed_ = true; }
    bool failed() const { return failed_; }
    const std::string& text() const { return text_; }
    // The finished text: with "OK" behind it when nothing failed.
    std::string finished() const { return failed_ ? text_ : text_ + "OK"; }

  private:
    void append(const std::string& text) {
        if (!text_.empty() && !text.empty() && text_.back() != ' ' && text.front() != ' ') {
            text_ += ' ';
        }
        text_ += text;
    }

    std::string text_;
    bool failed_ = false;
};

}  // namespace k7check
