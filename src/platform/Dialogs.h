#pragma once

#include "DialogService.h"

#include <QStringList>

class QWidget;

namespace imprimata {

// The dialogs and message boxes of the desktop.
class QtDialogService : public DialogService {
public:
    explicit QtDialogService(QWidget *parent = nullptr) : parent_(parent) {}
    void setParent(QWidget *parent) { parent_ = parent; }

    QString openFile(const FileDialogRequest &request) override;
    QString saveFile(const FileDialogRequest &request) override;
    void message(const QString &text, MessageIcon icon) override;
    bool chooseFont(FontChoice &choice) override;
    SaveAnswer askToSave(const QString &question, const QString &detail) override;

    // "Pictures (*.jpg;*.bmp)|*.jpg;*.bmp|" as Qt name filters.
    static QStringList nameFilters(const QString &filter);

private:
    QWidget *parent_;
};

} // namespace imprimata
