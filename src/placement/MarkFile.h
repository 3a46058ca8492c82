#pragma once

#include "mark/MarkSettings.h"
#include "platform/DialogService.h"
#include "platform/Result.h"

#include <QByteArray>
#include <QString>

namespace imprimata {

// Shown when the first line is not this release's header, and with the line for a value
// that no mark holds; in English, translated where it is shown.
inline constexpr const char *InvalidFileStructure =
    QT_TRANSLATE_NOOP("imprimata", "Invalid file structure");

// Version 1.1 has twenty lines. Version 1.2 adds a twenty-first, Smooth edges, and reads a
// raster operation of 0 as the Alpha blend (in 1.1 it is a new mark's copy).
enum class MarkFileVersion { V1_1, V1_2 };

// "Imprimata, version 1.1" or "... 1.2": the first line of every mark file.
QString markFileHeader(MarkFileVersion version = MarkFileVersion::V1_1);

// 1.2 for a mark that uses the Alpha blend or Smooth edges, so that every other mark is written
// as before and older releases still read it.
MarkFileVersion markFileVersionFor(const MarkSettings &mark);

// The lines of a mark file, in the version markFileVersionFor gives, each ended by CR LF.
// Windows-1251 when that reads back unchanged, UTF-8 otherwise. Fails when the mark holds text
// the format cannot store (a double quote inside a string).
Result<QByteArray> encodeMarkFile(const MarkSettings &mark);

// Parses a whole mark file into a mark with a font of its own. A file whose first line is not
// the 1.1 or the 1.2 header, or a 1.2 file without its twenty-first line, fails with
// InvalidFileStructure. Values no mark holds (a fourth print mode, an unknown raster operation,
// a font no mark can be drawn in) are refused. Anything after the last value is ignored.
Result<MarkSettings> decodeMarkFile(const QByteArray &bytes);

// Window-free file operations: a failed write leaves any previous file as it was. Only a
// regular file, or a link to one, is read.
Result<void> writeMarkFile(const QString &path, const MarkSettings &mark);
Result<MarkSettings> readMarkFile(const QString &path);

// The same, reporting failures in a message box with the error icon.
bool SaveMarkFile(const QString &path, const MarkSettings &mark, DialogService &dialogs);
// True when the whole file was read into `record`; on false `record` is untouched.
bool LoadMarkFile(const QString &path, MarkSettings &record, DialogService &dialogs);

// Windows-1251, the code page mark files are written in when their text fits it.
// toWindows1251 gives false when a character has no code there.
QString fromWindows1251(const QByteArray &bytes);
bool toWindows1251(const QString &text, QByteArray *bytes);

} // namespace imprimata
