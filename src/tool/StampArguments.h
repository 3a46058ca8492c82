#pragma once

#include "batch/BatchOptions.h"
#include "platform/Result.h"

#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace imprimata {

struct ParsedArguments {
    StampOptions options;
    bool help = false;
    bool version = false;
    QString error; // empty when the arguments are usable
    bool ok() const { return error.isEmpty(); }
};

// The bytes of the picture list that --from-list names.
using ListReader = std::function<Result<QByteArray>(const QString &source)>;
// Reads a file, or standard input for "-".
Result<QByteArray> readListSource(const QString &source);

// Reads the command line (without the program name) and, with --from-list, the list through
// readList. --help, then --version, win over any mistake; the list is read only when the
// command line holds none.
ParsedArguments parseStampArguments(const QStringList &arguments,
                                    const ListReader &readList = readListSource);

// The picture names of a list: one a line, or each ended by NUL (as find -print0 writes
// them). Nothing is trimmed, since names may hold spaces; empty names are skipped.
QStringList splitPictureList(const QByteArray &list, bool nulSeparated);

// What --help prints.
QString stampUsage();

} // namespace imprimata
