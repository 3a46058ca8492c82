#pragma once

#include <QFont>
#include <memory>

namespace imprimata {

// A font as marks keep it. QFont has no character set, so it travels beside it.
struct FontSpec {
    QFont font;
    int charSet = 1; // DEFAULT_CHARSET
};

// Fonts are shared by reference: a mark and the surfaces drawing it hold the same object.
using SharedFont = std::shared_ptr<FontSpec>;

inline SharedFont makeFont(const QString &family, double pointSize, bool bold, int charSet = 1) {
    auto shared = std::make_shared<FontSpec>();
    shared->font.setFamily(family);
    shared->font.setPointSizeF(pointSize);
    shared->font.setBold(bold);
    shared->charSet = charSet;
    return shared;
}

} // namespace imprimata
