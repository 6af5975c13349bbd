#include "canvas/ZoomControlsView.h"

#include "ui/Fonts.h"
#include "ui/Icons.h"
#include "ui/Palette.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QToolButton>
#include <algorithm>
#include <cmath>

namespace ketterly {

namespace {

constexpr double stepResponse = 0.2, stepDamping = 0.825;
constexpr double presetResponse = 0.3, presetDamping = 0.825;
constexpr double presets[] = {0.25, 0.5, 0.75, 1.0, 1.25, 1.5, 2.0, 3.0};

QFrame* divider(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Plain);
    line->setFixedHeight(16);
    return line;
}

QToolButton* button(QWidget* parent, const QString& help, bool bordered) {
    auto* result = new QToolButton(parent);
    result->setToolTip(help);
    result->setAutoRaise(!bordered);
    result->setFocusPolicy(Qt::TabFocus);
    result->setIconSize(QSize(14, 14));
    return result;
}

} // namespace

ZoomControlsView::ZoomControlsView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 6, 12, 6);
    row->setSpacing(6);

    marquee_ = button(this, tr("Marquee Zoom - Click and drag to zoom into selection"), true);
    marquee_->setCheckable(true);
    marquee_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    marquee_->setFont(ui::systemFont(10, QFont::Medium));
    connect(marquee_, &QToolButton::clicked, this, [this] { emit marqueeToggled(!marqueeActive_); });

    zoomOut_ = button(this, tr("Zoom Out (10%)"), false);
    connect(zoomOut_, &QToolButton::clicked, this,
            [this] { emit zoomRequested(std::max(zoom_ - zoomStep, minZoom), stepResponse, stepDamping); });

    presets_ = button(this, tr("Click for zoom presets"), false);
    presets_->setPopupMode(QToolButton::InstantPopup);
    presets_->setFont(ui::monospacedFont(11, QFont::Medium));
    presets_->setFixedWidth(45);
    presets_->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; width: 0; }"));
    auto* menu = new QMenu(presets_);
    for (double preset : presets) {
        QAction* action = menu->addAction(zoomText(preset));
        connect(action, &QAction::triggered, this,
                [this, preset] { emit zoomRequested(preset, presetResponse, presetDamping); });
    }
    presets_->setMenu(menu);

    zoomIn_ = button(this, tr("Zoom In (10%)"), false);
    connect(zoomIn_, &QToolButton::clicked, this,
            [this] { emit zoomRequested(std::min(zoom_ + zoomStep, maxZoom), stepResponse, stepDamping); });

    fit_ = button(this, tr("Zoom to fit entire diagram (Ctrl+0)"), true);
    fit_->setText(tr("Fit"));
    fit_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    fit_->setFont(ui::systemFont(10, QFont::Medium));
    connect(fit_, &QToolButton::clicked, this, &ZoomControlsView::fitRequested);

    reset_ = button(this, tr("Reset to 100% zoom"), false);
    connect(reset_, &QToolButton::clicked, this, &ZoomControlsView::resetRequested);

    row->addWidget(marquee_);
    row->addWidget(divider(this));
    row->addWidget(zoomOut_);
    row->addWidget(presets_);
    row->addWidget(zoomIn_);
    row->addWidget(divider(this));
    row->addWidget(fit_);
    row->addWidget(reset_);
    refresh();
}

QString ZoomControlsView::zoomText(double zoom) {
    return QString::number(static_cast<long long>(std::trunc(zoom * 100))) + QLatin1Char('%');
}

void ZoomControlsView::setZoomLevel(double zoom) {
    if (zoom == zoom_)
        return;
    zoom_ = zoom;
    presets_->setText(zoomText(zoom_));
}

void ZoomControlsView::setMarqueeZoomActive(bool active) {
    if (active == marqueeActive_)
        return;
    marqueeActive_ = active;
    refresh();
}

void ZoomControlsView::refresh() {
    const Appearance appearance = ui::appearanceOf(palette());
    const QColor primary = ui::primaryTextColor(appearance);
    const QColor blue = ui::namedColor(ui::NamedColor::blue, appearance);
    marquee_->setChecked(marqueeActive_);
    if (marqueeActive_) {
        const QImage symbol = ui::gradientSymbol("viewfinder.rectangular", QSize(28, 28), blue,
                                                 ui::namedColor(ui::NamedColor::purple, appearance));
        marquee_->setIcon(QIcon(QPixmap::fromImage(symbol)));
    } else {
        marquee_->setIcon(ui::symbolIcon("viewfinder", primary));
    }
    marquee_->setText(marqueeActive_ ? tr("Select") : QString());
    marquee_->setToolButtonStyle(marqueeActive_ ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonIconOnly);
    zoomOut_->setIcon(ui::symbolIcon("minus.magnifyingglass", primary));
    zoomIn_->setIcon(ui::symbolIcon("plus.magnifyingglass", primary));
    fit_->setIcon(ui::symbolIcon("arrow.up.left.and.arrow.down.right", primary));
    reset_->setIcon(ui::symbolIcon("arrow.counterclockwise", primary));
    presets_->setText(zoomText(zoom_));
}

void ZoomControlsView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ui::materialColor(ui::appearanceOf(palette())));
    painter.drawRoundedRect(QRectF(rect()), 8, 8);
}

void ZoomControlsView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange)
        refresh();
    QWidget::changeEvent(event);
}

} // namespace ketterly
