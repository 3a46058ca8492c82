#pragma once

#include <QString>

namespace imprimata {

// What the program remembers between runs, under these keys of its QSettings.
namespace SettingKeys {
inline const QString Folder = QStringLiteral("browsing/folder");
inline const QString MarkFile = QStringLiteral("mark/file");
inline const QString RemoveLocation = QStringLiteral("saving/removeLocation");
inline const QString WindowGeometry = QStringLiteral("window/geometry");
// The placement window's top-left corner less the main window's, both frames.
inline const QString PlacementOffset = QStringLiteral("window/placementOffset");
} // namespace SettingKeys

} // namespace imprimata
