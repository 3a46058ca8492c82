#include "ScreenUnits.h"

#include "Numeric.h"

#include <QGuiApplication>
#include <QScreen>

namespace imprimata {

namespace {
double dpiOf(bool horizontal) {
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 96.0;
    const double dpi = horizontal ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY();
    return dpi > 0 ? dpi : 96.0;
}
} // namespace

double screenDpi() {
    return dpiOf(true);
}
double twipsPerPixelX() {
    return 1440.0 / dpiOf(true);
}
double twipsPerPixelY() {
    return 1440.0 / dpiOf(false);
}
int twipsToPixelsX(double twips) {
    return roundToInt(twips / twipsPerPixelX());
}
int twipsToPixelsY(double twips) {
    return roundToInt(twips / twipsPerPixelY());
}

} // namespace imprimata
