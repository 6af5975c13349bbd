#pragma once

// The system font and its monospaced design at the point sizes the views give.
//
// A size is in the views' points, which are logical pixels and the diagram's own units: the font
// gets that pixel size (rounded to a whole pixel), so text of size 13 is 13 units tall in a
// painter's coordinates on every device (screen, image, PDF, SVG), whatever its resolution.

#include <QFont>

namespace ketterly::ui {

QFont systemFont(double pointSize, QFont::Weight weight = QFont::Normal);
QFont monospacedFont(double pointSize, QFont::Weight weight = QFont::Normal);
// The rounded design falls back to the system font.
QFont roundedFont(double pointSize, QFont::Weight weight = QFont::Normal);

} // namespace ketterly::ui
