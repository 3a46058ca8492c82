#include "Dialogs.h"

#include "FontChooser.h"
#include "Version.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMessageBox>
#include <QScreen>
#include <QTreeView>
#include <algorithm>

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

// Qt's own file dialog opens too small for long file names: it takes this much, or nine
// tenths of the screen where that is less.
constexpr QSize FileDialogSize(960, 600);

void sizeFileDialog(QFileDialog &dialog, const QWidget *parent) {
    const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    QSize size = FileDialogSize.expandedTo(dialog.sizeHint());
    if (screen)
        size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
    dialog.resize(size);
    // Its detailed view cuts the date even at that size: the size, type and date columns take
    // what they show, the names the rest. A desktop's own dialog has no such view.
    if (auto *details = dialog.findChild<QTreeView *>()) {
        QHeaderView *header = details->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        for (int column = 1; column < header->count(); ++column)
            header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
}

QString runFileDialog(QWidget *parent, const FileDialogRequest &request, bool save) {
    QFileDialog dialog(parent, request.title, request.initialFolder);
    const QStringList filters = QtDialogService::nameFilters(request.filter);
    dialog.setNameFilters(filters);
    if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
        dialog.selectNameFilter(filters[request.filterIndex - 1]);
    if (save) {
        dialog.setDefaultSuffix(request.defaultSuffix);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    QCheckBox *option = nullptr;
    if (request.checkBox) {
        // Only Qt's own dialog takes a widget of ours; it goes below the file type.
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        option = new QCheckBox(request.checkBoxText, &dialog);
        option->setChecked(*request.checkBox);
        if (auto *grid = qobject_cast<QGridLayout *>(dialog.layout()))
            grid->addWidget(option, grid->rowCount(), 0, 1, grid->columnCount());
    }
    sizeFileDialog(dialog, parent);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    if (option)
        *request.checkBox = option->isChecked();
    return dialog.selectedFiles().constFirst();
}

} // namespace

QString QtDialogService::openFile(const FileDialogRequest &request) {
    const ModalScope open(*this);
    return runFileDialog(parent_, request, false);
}

QString QtDialogService::saveFile(const FileDialogRequest &request) {
    const ModalScope open(*this);
    return runFileDialog(parent_, request, true);
}

void QtDialogService::message(const QString &text, MessageIcon icon) {
    const ModalScope open(*this);
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
    const ModalScope open(*this);
    return FontChooser::choose(parent_, choice);
}

SaveAnswer QtDialogService::askToSave(const QString &question, const QString &detail) {
    const ModalScope open(*this);
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
