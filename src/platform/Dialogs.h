#pragma once

#include <QString>
#include <deque>
#include <vector>

class QWidget;

namespace imprimata {

enum class MessageIcon { None, Warning, Error };

// What a caller sets before showing a file dialog. The filter is written as
// description|pattern pairs, each item ended by a bar: "Bitmap (*.bmp)|*.bmp|".
struct FileDialogRequest {
    QString title;
    QString filter;
    int filterIndex = 1; // 1-based
    QString initialFolder;
};

// Every file choice and message box goes through here, so tests can answer them.
class DialogService {
public:
    virtual ~DialogService() = default;
    // A full path of an existing file, or "" when cancelled.
    virtual QString openFile(const FileDialogRequest &request) = 0;
    // A full path (the dialog asked before overwriting), or "" when cancelled. No extension is added.
    virtual QString saveFile(const FileDialogRequest &request) = 0;
    // A modal message box with the caption "Imprimata" and an OK button.
    virtual void message(const QString &text, MessageIcon icon = MessageIcon::None) = 0;
};

class QtDialogService : public DialogService {
public:
    explicit QtDialogService(QWidget *parent = nullptr) : parent_(parent) {}
    void setParent(QWidget *parent) { parent_ = parent; }

    QString openFile(const FileDialogRequest &request) override;
    QString saveFile(const FileDialogRequest &request) override;
    void message(const QString &text, MessageIcon icon) override;

    // "Pictures (*.jpg;*.bmp)|*.jpg;*.bmp|" as Qt name filters.
    static QStringList nameFilters(const QString &filter);

private:
    QWidget *parent_;
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

    QString openFile(const FileDialogRequest &request) override;
    QString saveFile(const FileDialogRequest &request) override;
    void message(const QString &text, MessageIcon icon) override;

    QString lastMessage() const { return messages.empty() ? QString() : messages.back().text; }

private:
    QString answer(std::deque<QString> &queue, const FileDialogRequest &request);
};

} // namespace imprimata
