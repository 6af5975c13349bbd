#include "ui/Animation.h"

#include <QPointF>
#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>

namespace ketterly::ui {

namespace {
constexpr double settleTolerance = 0.001;
constexpr int longestSpringMs = 10000; // an undamped spring never settles: stop somewhere
} // namespace

double springProgress(double seconds, double response, double dampingFraction) {
    if (seconds <= 0)
        return 0;
    if (response <= 0)
        return 1;
    const double omega = 2 * std::numbers::pi / response; // undamped angular frequency
    const double zeta = std::max(0.0, dampingFraction);
    const double t = seconds;
    if (zeta < 1) {
        const double damped = omega * std::sqrt(1 - zeta * zeta);
        const double decay = std::exp(-zeta * omega * t);
        return 1 - decay * (std::cos(damped * t) + zeta * omega / damped * std::sin(damped * t));
    }
    if (zeta == 1)
        return 1 - std::exp(-omega * t) * (1 + omega * t);
    const double root = omega * std::sqrt(zeta * zeta - 1);
    const double r1 = -zeta * omega + root; // the slow root
    const double r2 = -zeta * omega - root;
    return 1 - (r2 * std::exp(r1 * t) - r1 * std::exp(r2 * t)) / (r2 - r1);
}

int springDurationMs(double response, double dampingFraction) {
    if (response <= 0)
        return 0;
    // Every animation of a kind asks again with the same two numbers: scan the millisecond steps once.
    static std::map<std::pair<double, double>, int> known;
    const auto found = known.find({response, dampingFraction});
    if (found != known.end())
        return found->second;
    int lastOutside = 0;
    for (int ms = 1; ms <= longestSpringMs; ++ms)
        if (std::abs(springProgress(ms / 1000.0, response, dampingFraction) - 1) > settleTolerance)
            lastOutside = ms;
    const int duration = std::min(lastOutside + 1, longestSpringMs);
    known.emplace(std::pair{response, dampingFraction}, duration);
    return duration;
}

SpringAnimation::SpringAnimation(double response, double dampingFraction, QObject* parent)
    : QVariantAnimation(parent), response_(response), dampingFraction_(dampingFraction) {
    setDuration(std::max(1, springDurationMs(response, dampingFraction)));
}

QVariant SpringAnimation::interpolated(const QVariant& from, const QVariant& to, qreal progress) const {
    // The animation runs linearly in time; the spring maps the time to a progress that may pass 1.
    // The last frame lands exactly on the end value.
    if (progress >= 1)
        return QVariantAnimation::interpolated(from, to, 1);
    const double seconds = progress * duration() / 1000.0;
    return QVariantAnimation::interpolated(from, to, springProgress(seconds, response_, dampingFraction_));
}

QEasingCurve easeInOut() {
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0.42, 0), QPointF(0.58, 1), QPointF(1, 1));
    return curve;
}

QEasingCurve easeOut() {
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0, 0), QPointF(0.58, 1), QPointF(1, 1));
    return curve;
}

} // namespace ketterly::ui
