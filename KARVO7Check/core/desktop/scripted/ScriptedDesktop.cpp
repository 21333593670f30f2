#include "desktop/scripted/ScriptedDesktop.h"

#include "KARVO7Os.h"
#include "profile/Files.h"
#include "profile/IniFile.h"

namespace k7check {

namespace {

uint32_t virtualTick(void* context) {
    return static_cast<ScriptedDesktop*>(context)->now();
}

// The library's own pauses (EEPROM byte writes, reset polls) go through the desktop's sleep,
// so that they too let the simulated cards catch up.
void virtualSleep(void* context, uint32_t milliseconds) {
    static_cast<ScriptedDesktop*>(context)->sleep(milliseconds);
}

}  // namespace

// The view the scripted desktop attaches to a window it shows: its controls, and the window's
// end reported back.
class ScriptedDesktop::View : public DialogView {
  public:
    View(ScriptedDesktop& desktop, const Dialog& dialog) : desktop_(desktop), dialog_(dialog) {}
    Controls& controls() override { return controls_; }
    void close(int /*result*/) override {}
    void windowDestroyed() override { desktop_.detach(dialog_); }
    ScriptedControls controls_;

  private:
    ScriptedDesktop& desktop_;
    const Dialog& dialog_;
};

ScriptedDesktop::ScriptedDesktop(std::string executable, bool virtualClock)
    : executable_(std::move(executable)), virtualClock_(virtualClock) {
    if (virtualClock_) {
        const K7OsClock clock{this, virtualTick, virtualSleep};
        K7OsSetClock(&clock);
    }
}

ScriptedDesktop::~ScriptedDesktop() {
    for (auto& [dialog, view] : views_) {
        const_cast<Dialog*>(dialog)->attachView(nullptr);
    }
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

Answer ScriptedDesktop::unscriptedAnswer(const std::string& /*caption*/,
                                         const std::string& /*text*/, Buttons buttons) {
    // A Yes/No/Cancel question gets Cancel, since runs ask it in a loop until Cancel.
    switch (buttons) {
        case Buttons::Ok:
            return Answer::Ok;
        case Buttons::YesNoCancel:
            return Answer::Cancel;
        case Buttons::YesNo:
            break;
    }
    return Answer::Yes;
}

std::optional<std::string> ScriptedDesktop::unscriptedFile(const std::string& /*proposedName*/) {
    return std::nullopt;
}

Answer ScriptedDesktop::messageBox(const std::string& caption, const std::string& text,
                                   Buttons buttons) {
    Answer answer = Answer::Ok;
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    } else {
        answer = unscriptedAnswer(caption, text, buttons);
    }
    messages_.push_back({caption, text, buttons, answer});
    return answer;
}

std::optional<std::string> ScriptedDesktop::openFileDialog(const std::string& fileName,
                                                           const std::string& filter) {
    return fileDialog(fileName + " | " + filter, fileName);
}

std::optional<std::string> ScriptedDesktop::saveFileDialog(const std::string& fileName,
                                                           const std::string& filter) {
    return fileDialog("save: " + fileName + " | " + filter, fileName);
}

std::optional<std::string> ScriptedDesktop::fileDialog(const std::string& record,
                                                       const std::string& fileName) {
    fileDialogs_.push_back(record);
    if (fileAnswers_.empty()) {
        return unscriptedFile(fileName);
    }
    auto answer = std::move(fileAnswers_.front());
    fileAnswers_.pop_front();
    return answer;
}

void ScriptedDesktop::attach(Dialog& dialog) {
    auto view = std::make_unique<View>(*this, dialog);
    dialog.attachView(view.get());
    views_[&dialog] = std::move(view);
}

void ScriptedDesktop::detach(const Dialog& dialog) {
    const auto it = views_.find(&dialog);
    if (it != views_.end()) {
        const_cast<Dialog&>(dialog).attachView(nullptr);
        views_.erase(it);
    }
}

ScriptedControls* ScriptedDesktop::controlsOf(const Dialog& dialog) {
    const auto it = views_.find(&dialog);
    return it == views_.end() ? nullptr : &it->second->controls_;
}

int ScriptedDesktop::runModal(Dialog& dialog) {
    windows_.push_back(dialog.windowClass());
    modalOpening(dialog);
    attach(dialog);
    int result = kIdCancel;
    if (!dialog.onInit() || dialog.ended()) {
        result = dialog.result();
    } else if (modalHandlers_.empty()) {
        dialog.onCancel();
        result = dialog.ended() ? dialog.result() : kIdCancel;
    } else {
        ModalHandler handler = std::move(modalHandlers_.front());
        modalHandlers_.pop_front();
        const int handled = handler(dialog);
        result = dialog.ended() ? dialog.result() : handled;
    }
    detach(dialog);
    return result;
}

void ScriptedDesktop::showModeless(Dialog& dialog) {
    windows_.push_back(dialog.windowClass() + " (modeless)");
    if (views_.count(&dialog) == 0) {
        attach(dialog);
        dialog.onInit();
    }
}

void ScriptedDesktop::repaint(Dialog& dialog) {
    ++repaints_;
    if (dialog.paints()) {
        lastPaint_.clear();
        dialog.onPaint(lastPaint_, clientSize_);
    }
}

// The scripted desktop has no screen: a window's place changes nothing it records.
void ScriptedDesktop::placeWindow(Dialog& dialog, const Rect& where) {
    (void)dialog;
    (void)where;
}

void ScriptedDesktop::beginLiveWork(const std::string& caption) {
    work_.push_back("live: " + caption);
    polls_ = 0;
}

bool ScriptedDesktop::stopRequested() {
    ++polls_;
    return stopAtPoll_ >= 0 && polls_ >= stopAtPoll_;
}

void ScriptedDesktop::endLiveWork() {}

void ScriptedDesktop::runLong(const std::string& caption, const std::string& text,
                              uint32_t /*expectedMs*/, const std::function<void()>& work) {
    work_.push_back("long: " + caption + ": " + text);
    work();
}

uint32_t ScriptedDesktop::tickCount() {
    return virtualClock_ ? now_.load() : K7OsGetTickCount();
}

void ScriptedDesktop::sleep(uint32_t milliseconds) {
    if (virtualClock_) {
        now_ += milliseconds;
    } else {
        K7OsSleep(milliseconds);
    }
    if (sleepHook_) {
        sleepHook_();
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
