#include "desktop/scripted/ScriptedDesktop.h"

#include "desktop/Dialog.h"

namespace k7check {

void ScriptedDesktop::answerMessages(std::initializer_list<Answer> answers) {
    answers_.insert(answers_.end(), answers.begin(), answers.end());
}

void ScriptedDesktop::answerFileDialog(std::optional<std::string> path) {
    fileAnswers_.push_back(std::move(path));
}

void ScriptedDesktop::answerModal(ModalHandler handler) {
    modalHandlers_.push_back(std::move(handler));
}

void ScriptedDesktop::beginLiveWork(const std::string& caption) {
    WindowlessDesktop::beginLiveWork(caption);
    polls_ = 0;
}

bool ScriptedDesktop::stopRequested() {
    ++polls_;
    return stopAtPoll_ >= 0 && polls_ >= stopAtPoll_;
}

Answer ScriptedDesktop::answerFor(const std::string& /*caption*/, const std::string& /*text*/,
                                  Buttons buttons) {
    if (!answers_.empty()) {
        const Answer answer = answers_.front();
        answers_.pop_front();
        return answer;
    }
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

std::optional<std::string> ScriptedDesktop::fileFor(const std::string& /*proposedName*/) {
    if (fileAnswers_.empty()) {
        return std::nullopt;
    }
    auto answer = std::move(fileAnswers_.front());
    fileAnswers_.pop_front();
    return answer;
}

int ScriptedDesktop::endModal(Dialog& dialog) {
    if (modalHandlers_.empty()) {
        return WindowlessDesktop::endModal(dialog);
    }
    ModalHandler handler = std::move(modalHandlers_.front());
    modalHandlers_.pop_front();
    return handler(dialog);
}

}  // namespace k7check
