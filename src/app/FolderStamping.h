#pragma once

#include "batch/BatchOptions.h"

#include <QDialog>
#include <QStringList>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace imprimata {

// What a run of "Stamp folder" did.
struct FolderStampSummary {
    int stamped = 0, failed = 0, skipped = 0;
    int notBegun = 0;     // left alone once the run was cancelled
    QStringList failures; // "name: why", as they failed
    QString refusal;      // why nothing could be begun; empty when the run went ahead
    QString outDir;
    // "N stamped, M failed, K skipped", and what a cancel left.
    QString text() const;
};

// Stamps the pictures on threads of their own while a progress dialog shows "n of N", the
// picture being stamped and the time left; the window's event loop keeps running. Cancel
// begins no more pictures and lets those being stamped finish, so no output is left half
// written.
FolderStampSummary stampWithProgress(const StampOptions &options, QWidget *parent);

// The end of a run: the summary, the failed pictures with their reasons (selectable, to be
// copied), and a button that opens the output folder in the file manager.
class StampResultsDialog : public QDialog {
    Q_OBJECT
public:
    explicit StampResultsDialog(const FolderStampSummary &summary, QWidget *parent = nullptr);

    QLabel *summaryLine = nullptr;
    QPlainTextEdit *failureList = nullptr;
    QPushButton *openFolderButton = nullptr;
};

} // namespace imprimata
