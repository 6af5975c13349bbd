#pragma once

// Every colour the views paint with: the table colours, the standard named colours, the text
// colours and the translucent material, each in the light and the dark appearance.

#include "model/DatabaseSchema.h"

#include <QColor>
#include <QPalette>

namespace ketterly::ui {

enum class NamedColor { blue, green, orange, purple, red, teal, cyan, gray };

QColor toQColor(const Rgba& rgba);
QColor withOpacity(QColor color, double opacity);

QColor namedColor(NamedColor color, Appearance appearance);
QColor accentColor(Appearance appearance); // the system accent: blue

QColor tableFillColor(TableColor color, Appearance appearance);
QColor tableHeaderColor(TableColor color, Appearance appearance);
// The text and icons on a table node: white in the dark appearance; in the light one a dark grey,
// a little lighter on the pale pink and yellow tables.
QColor tableTextColor(TableColor color, Appearance appearance);

QColor primaryTextColor(Appearance appearance);
QColor secondaryTextColor(Appearance appearance);
QColor tertiaryTextColor(Appearance appearance);

// The ultra-thin material: the window colour of the appearance at about 0.7 opacity.
QColor materialColor(Appearance appearance);

// Dark when the palette's window colour has a lightness below one half.
Appearance appearanceOf(const QPalette& palette);

} // namespace ketterly::ui
