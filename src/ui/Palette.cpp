#include "ui/Palette.h"

#include <algorithm>

namespace ketterly::ui {

namespace {

struct LightDark {
    QRgb light;
    QRgb dark;
};

// Indexed by NamedColor.
constexpr LightDark namedColors[] = {
    {qRgb(0, 122, 255), qRgb(10, 132, 255)},    // blue
    {qRgb(52, 199, 89), qRgb(48, 209, 88)},     // green
    {qRgb(255, 149, 0), qRgb(255, 159, 10)},    // orange
    {qRgb(175, 82, 222), qRgb(191, 90, 242)},   // purple
    {qRgb(255, 59, 48), qRgb(255, 69, 58)},     // red
    {qRgb(48, 176, 199), qRgb(64, 200, 224)},   // teal
    {qRgb(50, 173, 230), qRgb(100, 210, 255)},  // cyan
    {qRgb(142, 142, 147), qRgb(142, 142, 147)}, // gray
};

// The window background the material lets through, per appearance.
constexpr LightDark windowColors = {qRgb(236, 236, 236), qRgb(50, 50, 50)};

bool isDark(Appearance appearance) {
    return appearance == Appearance::dark;
}

QColor textColor(Appearance appearance, double lightOpacity, double darkOpacity) {
    return isDark(appearance) ? withOpacity(Qt::white, darkOpacity) : withOpacity(Qt::black, lightOpacity);
}

} // namespace

QColor toQColor(const Rgba& rgba) {
    return QColor::fromRgbF(static_cast<float>(rgba.red), static_cast<float>(rgba.green),
                            static_cast<float>(rgba.blue), static_cast<float>(rgba.alpha));
}

QColor withOpacity(QColor color, double opacity) {
    color.setAlphaF(static_cast<float>(std::clamp(color.alphaF() * opacity, 0.0, 1.0)));
    return color;
}

QColor namedColor(NamedColor color, Appearance appearance) {
    const auto& pair = namedColors[static_cast<int>(color)];
    return QColor(isDark(appearance) ? pair.dark : pair.light);
}

QColor accentColor(Appearance appearance) {
    return namedColor(NamedColor::blue, appearance);
}

QColor tableFillColor(TableColor color, Appearance appearance) {
    return toQColor(fillColor(color, appearance));
}

QColor tableHeaderColor(TableColor color, Appearance appearance) {
    return toQColor(headerColor(color, appearance));
}

QColor tableTextColor(TableColor color, Appearance appearance) {
    if (isDark(appearance))
        return Qt::white;
    // The lighter pink and yellow fills carry a slightly lighter grey.
    const bool lightFill = color == TableColor::pink || color == TableColor::yellow;
    const float level = lightFill ? 0.15f : 0.1f;
    return QColor::fromRgbF(level, level, level);
}

QColor primaryTextColor(Appearance appearance) {
    return textColor(appearance, 0.85, 0.85);
}
QColor secondaryTextColor(Appearance appearance) {
    return textColor(appearance, 0.50, 0.55);
}
QColor tertiaryTextColor(Appearance appearance) {
    return textColor(appearance, 0.26, 0.25);
}

QColor materialColor(Appearance appearance) {
    return withOpacity(QColor(isDark(appearance) ? windowColors.dark : windowColors.light), 0.7);
}

Appearance appearanceOf(const QPalette& palette) {
    return palette.color(QPalette::Window).lightnessF() < 0.5 ? Appearance::dark : Appearance::light;
}

} // namespace ketterly::ui
