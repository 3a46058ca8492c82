#pragma once

namespace imprimata {

// Logical dots per inch of the primary screen, 96 when there is none.
double screenDpi();

// 1440 / DPI: 15 on a 96-dpi screen.
double twipsPerPixelX();
double twipsPerPixelY();

int twipsToPixelsX(double twips);
int twipsToPixelsY(double twips);

} // namespace imprimata
