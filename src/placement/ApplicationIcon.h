#pragma once

#include <QIcon>

namespace imprimata {

// The program's icon, drawn in code so the project carries no binary artwork.
QIcon applicationIcon();
QPixmap applicationIconPixmap(int size);

} // namespace imprimata
