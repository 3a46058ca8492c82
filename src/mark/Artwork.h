#pragma once

#include <QImage>

namespace imprimata {

// The two faces of the editor's type toggle, drawn here rather than shipped as files.

// 63 x 25 pixels, one bit per pixel: the word "My" and a copyright sign, black on white.
QImage myMarkPicture();

// 45 x 45 pixels: a small landscape photograph with sky, sun, hills and meadow.
QImage photoPicture();

} // namespace imprimata
