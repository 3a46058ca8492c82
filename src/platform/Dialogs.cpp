#include "Dialogs.h"

#include "FontChooser.h"
#include "Version.h"

#include <QFileDialog>
#include <QMessageBox>

namespace imprimata {

QStringList QtDialogService::nameFilters(const QString &filter) {
    QStringList result;
    const QStringList items = filter.split(u'|', Qt::SkipEmptyParts);
    for (qsizetype i = 0; i + 1 < items.size(); i += 2) {
        QString patterns = items[i + 1];
        patterns.replace(u';', u' ');
        // A description that already shows its patterns would show them twice.
        const QString shown = QStringLiteral("(%1)").arg(patterns);
        result << (items[i].endsWith(shown) ? items[i]
                                            : QStringLiteral("%1 %2").arg(items[i], shown));
    }
    return result;
}

namespace {

QString runFileDialog(QWidget *parent, const FileDialogRequest &request, bool save) {
    QFileDialog dialog(parent, request.title, request.initialFolder);
    const QStringList filters = QtDialogService::nameFilters(request.filter);
    dialog.setNameFilters(filters);
    if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
        dialog.selectNameFilter(filters[request.filterIndex - 1]);
    if (save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

QString QtDialogService::openFile(const FileDialogRequest &request) {
    return runFileDialog(parent_, request, false);
}

QString QtDialogService::saveFile(const FileDialogRequest &request) {
    return runFileDialog(parent_, request, true);
}

void QtDialogService::message(const QString &text, MessageIcon icon) {
    QMessageBox box(parent_);
    box.setWindowTitle(QString::fromLatin1(ApplicationTitle));
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok);
    switch (icon) {
    case MessageIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case MessageIcon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case MessageIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
    box.exec();
}

bool QtDialogService::chooseFont(FontChoice &choice) {
    return FontChooser::choose(parent_, choice);
}

SaveAnswer QtDialogService::askToSave(const QString &question, const QString &detail) {
    QMessageBox box(parent_);
    box.setWindowTitle(QString::fromLatin1(ApplicationTitle));
    box.setIcon(QMessageBox::Warning);
    box.setText(question);
    box.setInformativeText(detail);
    box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Save:
        return SaveAnswer::Save;
    case QMessageBox::Discard:
        return SaveAnswer::Discard;
    default:
        return SaveAnswer::Cancel;
    }
}

} // namespace imprimata
