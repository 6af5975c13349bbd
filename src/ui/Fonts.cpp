#include "ui/Fonts.h"

#include <QFontDatabase>
#include <algorithm>
#include <cmath>

namespace ketterly::ui {

namespace {

// A point of the views is one logical pixel, and the diagram is drawn in those same units: a pixel
// size keeps text of size 13 exactly 13 units tall in the painter's coordinates on every device
// (screen, image, PDF), where a point size would be scaled again by each device's resolution.
QFont sized(QFont font, double size, QFont::Weight weight) {
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(size))));
    font.setWeight(weight);
    return font;
}

// The font database is asked once; copies of these are cheap.
const QFont& generalBase() {
    static const QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    return font;
}

const QFont& fixedBase() {
    static const QFont font = [] {
        QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        fixed.setStyleHint(QFont::Monospace);
        return fixed;
    }();
    return font;
}

} // namespace

QFont systemFont(double pointSize, QFont::Weight weight) {
    return sized(generalBase(), pointSize, weight);
}

QFont monospacedFont(double pointSize, QFont::Weight weight) {
    return sized(fixedBase(), pointSize, weight);
}

QFont roundedFont(double pointSize, QFont::Weight weight) {
    return systemFont(pointSize, weight);
}

} // namespace ketterly::ui
