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
// The last "Stamp folder" run's choices.
inline const QString StampSelectedOnly = QStringLiteral("stampFolder/selectedOnly");
inline const QString StampAsPlaced = QStringLiteral("stampFolder/asPlaced");
inline const QString StampAnchor = QStringLiteral("stampFolder/anchor");
inline const QString StampOffset = QStringLiteral("stampFolder/offset");
// A name inside the pictures' folder, or a whole path.
inline const QString StampOutput = QStringLiteral("stampFolder/output");
inline const QString StampOverwrite = QStringLiteral("stampFolder/overwrite");
inline const QString StampQuality = QStringLiteral("stampFolder/quality"); // 0: as the source
} // namespace SettingKeys

} // namespace imprimata
