#include "ScriptedDesktop.h"

#include <ostream>

#include "IniFile.h"
#include "KARVO7Os.h"

namespace k7check {

namespace {

uint32_t virtualTick(void* context) {
    return static_cast<ScriptedDesktop*>(context)->now();
}

void virtualSleep(void* context, uint32_t milliseconds) {
    static_cast<ScriptedDesktop*>(context)->advance(milliseconds);
}

// Unscripted questions: a test gets Yes; an unattended run (echoing to a stream) gets No, so
// nothing is written to a card or a file without a person agreeing to it.
Answer defaultAnswer(Buttons buttons, bool unattended) {
    if (buttons == Buttons::Ok) {
        return Answer::Ok;
    }
    return unattended ? Answer::No : Answer::Yes;
}

const char* buttonsText(Buttons buttons) {
    switch (buttons) {
        case Buttons::Ok:
            return "OK";
        case Buttons::YesNo:
            return "Ja/Nein";
        case Buttons::YesNoCancel:
            return "Ja/Nein/Abbrechen";
    }
    return "";
}

}  // namespace

ScriptedDesktop::ScriptedDesktop(std::string executable, bool virtualClock)
    : executable_(std::move(executable)), virtualClock_(virtualClock) {
    if (virtualClock_) {
        const K7OsClock clock{this, virtualTick, virtualSleep};
        K7OsSetClock(&clock);
    }
}

ScriptedDesktop::~ScriptedDesktop() {
    if (virtualClock_) {
        K7OsSetClock(nullptr);
    }
}

void ScriptedDesktop::answerMessages(std::initializer_list<Answer> answers) {
    answers_.insert(answers_.end(), answers.begin(), answers.end());
}

void ScriptedDesktop::answerFileDialog(std::optional<std::string> path) {
    fileAnswers_.push_back(std::move(path));
}

void ScriptedDesktop::answerModal(ModalHandler handler) {
    modalHandlers_.push_back(std::move(handler));
}

std::vector<std::string> ScriptedDesktop::messageLines() const {
    std::vector<std::string> lines;
    for (const RecordedMessage& m : messages_) {
        lines.push_back(m.caption + ": " + m.text);
    }
    return lines;
}

void ScriptedDesktop::clear() {
    messages_.clear();
    windows_.clear();
    fileDialogs_.clear();
    repaints_ = 0;
}

Answer ScriptedDesktop::messageBox(const std::string& caption, const std::string& text,
                                   Buttons buttons) {
    Answer answer = defaultAnswer(buttons, echo_ != nullptr);
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    }
    messages_.push_back({caption, text, buttons, answer});
    if (echo_ != nullptr) {
        *echo_ << caption << ": " << text;
        if (buttons != Buttons::Ok) {
            *echo_ << " [" << buttonsText(buttons) << "]";
        }
        *echo_ << '\n';
    }
    return answer;
}

std::optional<std::string> ScriptedDesktop::openFileDialog(const std::string& fileName,
                                                           const std::string& filter) {
    fileDialogs_.push_back(fileName + " | " + filter);
    if (fileAnswers_.empty()) {
        return std::nullopt;
    }
    auto answer = std::move(fileAnswers_.front());
    fileAnswers_.pop_front();
    return answer;
}

int ScriptedDesktop::runModal(Dialog& dialog) {
    windows_.push_back(dialog.windowClass());
    if (echo_ != nullptr) {
        *echo_ << dialog.title() << ": (Fenster ohne Bildschirm geschlossen)\n";
    }
    if (!dialog.onInit() || dialog.ended()) {
        return dialog.result();
    }
    if (modalHandlers_.empty()) {
        dialog.onCancel();
        return dialog.ended() ? dialog.result() : kIdCancel;
    }
    ModalHandler handler = std::move(modalHandlers_.front());
    modalHandlers_.pop_front();
    const int result = handler(dialog);
    return dialog.ended() ? dialog.result() : result;
}

void ScriptedDesktop::showModeless(Dialog& dialog) {
    windows_.push_back(dialog.windowClass() + " (modeless)");
    dialog.onInit();
}

void ScriptedDesktop::repaint(Dialog& dialog) {
    (void)dialog;
    ++repaints_;
}

uint32_t ScriptedDesktop::tickCount() {
    return virtualClock_ ? now_ : K7OsGetTickCount();
}

void ScriptedDesktop::sleep(uint32_t milliseconds) {
    if (virtualClock_) {
        now_ += milliseconds;
    } else {
        K7OsSleep(milliseconds);
    }
}

std::string ScriptedDesktop::profileString(const std::string& file, const std::string& section,
                                           const std::string& key, const std::string& fallback) {
    return readProfileString(resolveProfilePath(file, executable_), section, key, fallback);
}

int32_t ScriptedDesktop::profileInt(const std::string& file, const std::string& section,
                                    const std::string& key, int32_t fallback) {
    return readProfileInt(resolveProfilePath(file, executable_), section, key, fallback);
}

bool ScriptedDesktop::writeProfileString(const std::string& file, const std::string& section,
                                         const std::string& key, const std::string& value) {
    return k7check::writeProfileString(resolveProfilePath(file, executable_), section, key, value);
}

}  // namespace k7check
