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

// Every file choice and message box goes through here, so tests can answer them.
class DialogService {
public:
    virtual ~DialogService() = default;
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
