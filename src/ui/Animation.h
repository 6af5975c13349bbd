#pragma once

// One spring curve for every animation described by a response (seconds) and a damping fraction,
// beside the ease curves.

#include <QEasingCurve>
#include <QVariantAnimation>

namespace ketterly::ui {

// The spring's progress from 0 to 1 after `seconds`: a damped oscillator of period `response`
// and damping ratio `dampingFraction`, starting at rest.
double springProgress(double seconds, double response, double dampingFraction);

// How long the spring takes to settle within a thousandth of its target.
int springDurationMs(double response, double dampingFraction);

// A QVariantAnimation whose values follow the spring (set start and end values, then start()).
class SpringAnimation : public QVariantAnimation {
  public:
    SpringAnimation(double response, double dampingFraction, QObject* parent = nullptr);

  protected:
    QVariant interpolated(const QVariant& from, const QVariant& to, qreal progress) const override;

  private:
    double response_;
    double dampingFraction_;
};

QEasingCurve easeInOut();
QEasingCurve easeOut();

} // namespace ketterly::ui
