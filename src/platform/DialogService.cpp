#include "DialogService.h"

namespace imprimata {

// Dialogs opened from a dialog nest: the watcher hears of the outermost only.
DialogService::ModalScope::ModalScope(DialogService &service) : service_(service) {
    if (service_.openDialogs_++ == 0 && service_.watcher_)
        service_.watcher_->modalDialogsOpened();
}

DialogService::ModalScope::~ModalScope() {
    if (--service_.openDialogs_ == 0 && service_.watcher_)
        service_.watcher_->modalDialogsClosed();
}

QString ScriptedDialogService::answer(std::deque<QString> &queue,
                                      const FileDialogRequest &request) {
    requests.push_back(request);
    if (request.checkBox)
        checkBoxesShown.push_back(*request.checkBox);
    if (queue.empty())
        return {};
    QString path = queue.front();
    queue.pop_front();
    if (request.checkBox && !checkBoxAnswers.empty()) {
        *request.checkBox = checkBoxAnswers.front();
        checkBoxAnswers.pop_front();
    }
    return path;
}

QString ScriptedDialogService::openFile(const FileDialogRequest &request) {
    return answer(openAnswers, request);
}

QString ScriptedDialogService::saveFile(const FileDialogRequest &request) {
    return answer(saveAnswers, request);
}

void ScriptedDialogService::message(const QString &text, MessageIcon icon) {
    messages.push_back({text, icon});
}

bool ScriptedDialogService::chooseFont(FontChoice &choice) {
    fontRequests.push_back(choice);
    if (fontAnswers.empty())
        return false;
    choice = fontAnswers.front();
    fontAnswers.pop_front();
    return true;
}

SaveAnswer ScriptedDialogService::askToSave(const QString &question, const QString &) {
    saveQuestions.push_back(question);
    if (saveQuestionAnswers.empty())
        return SaveAnswer::Cancel;
    const SaveAnswer answer = saveQuestionAnswers.front();
    saveQuestionAnswers.pop_front();
    return answer;
}

} // namespace imprimata
