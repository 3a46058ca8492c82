#pragma once

#include "Colour.h"

#include <QString>
#include <deque>
#include <vector>

namespace imprimata {

enum class MessageIcon { None, Warning, Error };

// The answers to "save before this is lost?".
enum class SaveAnswer { Save, Discard, Cancel };

// What a caller sets before showing a file dialog. The filter is written as
// description|pattern pairs, each item ended by a bar: "Bitmap (*.bmp)|*.bmp|".
struct FileDialogRequest {
    QString title;
    QString filter;
    int filterIndex = 1; // 1-based
    QString initialFolder;
    QString defaultSuffix; // added to a name saved without an extension
    // A check box shown with the file list when given: it starts from *checkBox and leaves
    // its state there when the dialog is accepted.
    QString checkBoxText;
    bool *checkBox = nullptr;
};

// The font chooser's selection: it starts from these values and, when confirmed, holds
// what the user chose. Sizes are points; the chooser offers only minimumSize..maximumSize.
struct FontChoice {
    QString family;
    double pointSize = 0;
    bool bold = false;
    bool italic = false;
    bool strikeOut = false;
    bool underline = false;
    ColourValue colour = 0; // may be a system-colour reference
    int minimumSize = 20;
    int maximumSize = 100;

    friend bool operator==(const FontChoice &, const FontChoice &) = default;
};

// Told when the program's first modal dialog opens and when its last one closes, so that a
// window kept above the others can step out of the way meanwhile.
class ModalDialogWatcher {
public:
    virtual ~ModalDialogWatcher() = default;
    virtual void modalDialogsOpened() = 0;
    virtual void modalDialogsClosed() = 0;
};

// Every file choice and message box goes through here, so tests can answer them.
class DialogService {
public:
    virtual ~DialogService() = default;

    // The watcher must stay alive until it is replaced (null for none) or the service is gone.
    void setModalWatcher(ModalDialogWatcher *watcher) { watcher_ = watcher; }
    ModalDialogWatcher *modalWatcher() const { return watcher_; }

    // Marks a modal dialog as open for as long as it lives. The service's own dialogs take one;
    // code that runs a dialog of its own takes one around it.
    class ModalScope {
    public:
        explicit ModalScope(DialogService &service);
        ~ModalScope();
        ModalScope(const ModalScope &) = delete;
        ModalScope &operator=(const ModalScope &) = delete;

    private:
        DialogService &service_;
    };

    // A full path of an existing file, or "" when cancelled.
    virtual QString openFile(const FileDialogRequest &request) = 0;
    // A full path (the dialog asked before overwriting), or "" when cancelled. No extension is
    // added.
    virtual QString saveFile(const FileDialogRequest &request) = 0;
    // A modal message box with the caption "Imprimata" and an OK button.
    virtual void message(const QString &text, MessageIcon icon = MessageIcon::None) = 0;
    // Shows the font-and-colour chooser starting from choice; false when cancelled, and
    // then choice is left as it was.
    virtual bool chooseFont(FontChoice &choice) = 0;
    // A modal question with the caption "Imprimata", a line of detail and the buttons Save,
    // Discard and Cancel; Escape and the close box answer Cancel.
    virtual SaveAnswer askToSave(const QString &question, const QString &detail) = 0;

private:
    ModalDialogWatcher *watcher_ = nullptr;
    int openDialogs_ = 0;
};

// Answers dialogs from queues and records what was asked and shown.
class ScriptedDialogService : public DialogService {
public:
    struct Message {
        QString text;
        MessageIcon icon;
    };

    std::deque<QString> openAnswers; // an empty queue answers Cancel
    std::deque<QString> saveAnswers;
    std::deque<bool> checkBoxAnswers;  // for requests with a check box; empty leaves it
    std::vector<bool> checkBoxesShown; // each check box's state as the dialog opened
    std::vector<FileDialogRequest> requests;
    std::vector<Message> messages;
    std::deque<FontChoice> fontAnswers; // an empty queue answers Cancel
    std::vector<FontChoice> fontRequests;
    std::deque<SaveAnswer> saveQuestionAnswers; // an empty queue answers Cancel
    std::vector<QString> saveQuestions;

    QString openFile(const FileDialogRequest &request) override;
    QString saveFile(const FileDialogRequest &request) override;
    void message(const QString &text, MessageIcon icon) override;
    bool chooseFont(FontChoice &choice) override;
    SaveAnswer askToSave(const QString &question, const QString &detail) override;

    QString lastMessage() const { return messages.empty() ? QString() : messages.back().text; }

private:
    QString answer(std::deque<QString> &queue, const FileDialogRequest &request);
};

} // namespace imprimata
