#pragma once

#include "mark/MarkSettings.h"
#include "platform/DialogService.h"

#include <QByteArray>
#include <QString>

namespace imprimata {

// Shown when the first line is not this release's header, and with the line for a value
// that no mark holds.
inline constexpr const char *InvalidFileStructure = "Invalid file structure";

// "Imprimata, version 1.1": the application's title and version, the first line of every mark file.
QString markFileHeader();

// The twenty lines of a mark file, each ended by CR LF. Windows-1251 when that reads back
// unchanged, UTF-8 otherwise. Empty with *error set when the mark holds text the format
// cannot store (a double quote inside a string).
QByteArray encodeMarkFile(const MarkSettings &mark, QString *error);

// Parses a whole mark file. On success `out` is replaced, with a font of its own; on failure
// `out` is left as it was, *error describes the fault and *badHeader says whether it was the
// header. Values no mark holds (a fourth print mode, an unknown raster operation, a font no
// mark can be drawn in) are refused. Anything after the twentieth value is ignored.
bool decodeMarkFile(const QByteArray &bytes, MarkSettings &out, QString *error,
                    bool *badHeader = nullptr);

// Window-free file operations: a failed write leaves any previous file as it was. Only a
// regular file, or a link to one, is read.
bool writeMarkFile(const QString &path, const MarkSettings &mark, QString *error);
bool readMarkFile(const QString &path, MarkSettings &out, QString *error,
                  bool *badHeader = nullptr);

// The same, reporting failures in a message box with the error icon.
bool SaveMarkFile(const QString &path, const MarkSettings &mark, DialogService &dialogs);
// True when the whole file was read into `record`; on false `record` is untouched.
bool LoadMarkFile(const QString &path, MarkSettings &record, DialogService &dialogs);

// Windows-1251, the code page mark files are written in when their text fits it.
// toWindows1251 gives false when a character has no code there.
QString fromWindows1251(const QByteArray &bytes);
bool toWindows1251(const QString &text, QByteArray *bytes);

} // namespace imprimata
