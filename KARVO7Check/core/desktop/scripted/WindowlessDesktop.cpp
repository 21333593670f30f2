#include "desktop/scripted/WindowlessDesktop.h"

#include "KARVO7Os.h"
#include "k7base/Files.h"
#include "paramfile/IniFile.h"

namespace k7check {

namespace {

uint32_t virtualTick(void* context) {
    return static_cast<WindowlessDesktop*>(context)->now();
}

// The library's own pauses (EEPROM byte writes, reset polls) go through the desktop's sleep,
// so that they too let the simulated cards catch up.
void virtualSleep(void* context, uint32_t milliseconds) {
    static_cast<WindowlessDesktop*>(context)->sleep(milliseconds);
}

}  // namespace

// The view the desktop attaches to a window it shows: its controls, and the window's
// end reported back.
class WindowlessDesktop::View : public DialogView {
  public:
    View(WindowlessDesktop& desktop, const Dialog& dialog) : desktop_(desktop), dialog_(dialog) {}
    Controls& controls() override { return controls_; }
    void close(int /*result*/) override {}
    void windowDestroyed() override { desktop_.detach(dialog_); }
    ScriptedControls controls_;

  private:
    WindowlessDesktop& desktop_;
    const Dialog& dialog_;
};

WindowlessDesktop::WindowlessDesktop(std::string executable, bool virtualClock)
    : executable_(std::move(executable)), virtualClock_(virtualClock) {
    if (virtualClock_) {
        const K7OsClock clock{this, virtualTick, virtualSleep};
        K7OsSetClock(&clock);
    }
}

WindowlessDesktop::~WindowlessDesktop() {
    for (auto& [dialog, view] : views_) {
        const_cast<Dialog*>(dialog)->attachView(nullptr);
    }
    if (virtualClock_) {
        K7OsSetClock(nullptr);
    }
}

std::vector<std::string> WindowlessDesktop::messageLines() const {
    std::vector<std::string> lines;
    for (const RecordedMessage& m : messages_) {
        lines.push_back(m.caption + ": " + m.text);
    }
    return lines;
}

void WindowlessDesktop::clear() {
    messages_.clear();
    windows_.clear();
    fileDialogs_.clear();
    repaints_ = 0;
}

Answer WindowlessDesktop::messageBox(const std::string& caption, const std::string& text,
                                     Buttons buttons) {
    const Answer answer = answerFor(caption, text, buttons);
    messages_.push_back({caption, text, buttons, answer});
    return answer;
}

std::optional<std::string> WindowlessDesktop::openFileDialog(const std::string& fileName,
                                                             const std::string& filter) {
    return fileDialog(fileName + " | " + filter, fileName);
}

std::optional<std::string> WindowlessDesktop::saveFileDialog(const std::string& fileName,
                                                             const std::string& filter) {
    return fileDialog("save: " + fileName + " | " + filter, fileName);
}

std::optional<std::string> WindowlessDesktop::fileDialog(const std::string& record,
                                                         const std::string& fileName) {
    fileDialogs_.push_back(record);
    return fileFor(fileName);
}

void WindowlessDesktop::attach(Dialog& dialog) {
    auto view = std::make_unique<View>(*this, dialog);
    dialog.attachView(view.get());
    views_[&dialog] = std::move(view);
}

void WindowlessDesktop::detach(const Dialog& dialog) {
    const auto it = views_.find(&dialog);
    if (it != views_.end()) {
        const_cast<Dialog&>(dialog).attachView(nullptr);
        views_.erase(it);
    }
}

ScriptedControls* WindowlessDesktop::controlsOf(const Dialog& dialog) {
    const auto it = views_.find(&dialog);
    return it == views_.end() ? nullptr : &it->second->controls_;
}

int WindowlessDesktop::runModal(Dialog& dialog) {
    windows_.push_back(dialog.windowClass());
    modalOpening(dialog);
    attach(dialog);
    int result = kIdCancel;
    if (!dialog.onInit() || dialog.ended()) {
        result = dialog.result();
    } else {
        const int ended = endModal(dialog);
        result = dialog.ended() ? dialog.result() : ended;
    }
    detach(dialog);
    return result;
}

int WindowlessDesktop::endModal(Dialog& dialog) {
    dialog.onCancel();
    return kIdCancel;
}

void WindowlessDesktop::showModeless(Dialog& dialog) {
    windows_.push_back(dialog.windowClass() + " (modeless)");
    if (views_.count(&dialog) == 0) {
        attach(dialog);
        dialog.onInit();
    }
}

void WindowlessDesktop::repaint(Dialog& dialog) {
    ++repaints_;
    if (dialog.paints()) {
        lastPaint_.clear();
        dialog.onPaint(lastPaint_, clientSize_);
    }
}

// The desktop has no screen: a window's place changes nothing it records.
void WindowlessDesktop::placeWindow(Dialog& dialog, const Rect& where) {
    (void)dialog;
    (void)where;
}

void WindowlessDesktop::beginLiveWork(const std::string& caption) {
    work_.push_back("live: " + caption);
}

void WindowlessDesktop::endLiveWork() {}

void WindowlessDesktop::runLong(const std::string& caption, const std::string& text,
                                uint32_t /*expectedMs*/, const std::function<void()>& work) {
    work_.push_back("long: " + caption + ": " + text);
    work();
}

uint32_t WindowlessDesktop::tickCount() {
    return virtualClock_ ? now_.load() : K7OsGetTickCount();
}

void WindowlessDesktop::sleep(uint32_t milliseconds) {
    if (virtualClock_) {
        now_ += milliseconds;
    } else {
        K7OsSleep(milliseconds);
    }
    if (sleepHook_) {
        sleepHook_();
    }
}

std::string WindowlessDesktop::profileString(const std::string& file, const std::string& section,
                                             const std::string& key, const std::string& fallback) {
    return readProfileString(k7base::resolveProfilePath(file, executable_), section, key, fallback);
}

int32_t WindowlessDesktop::profileInt(const std::string& file, const std::string& section,
                                      const std::string& key, int32_t fallback) {
    return readProfileInt(k7base::resolveProfilePath(file, executable_), section, key, fallback);
}

bool WindowlessDesktop::writeProfileString(const std::string& file, const std::string& section,
                                           const std::string& key, const std::string& value) {
    return k7check::writeProfileString(k7base::resolveProfilePath(file, executable_), section, key,
                                       value);
}

}  // namespace k7check
