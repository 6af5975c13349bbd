#include "ui/Animation.h"

#include <QPointF>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

using namespace ketterly::ui;

namespace {

double peak(double response, double damping) {
    double highest = 0;
    for (int ms = 0; ms <= 3000; ++ms)
        highest = std::max(highest, springProgress(ms / 1000.0, response, damping));
    return highest;
}

} // namespace

TEST(Spring, StartsAtRestAtZeroAndSettlesAtOne) {
    for (double damping : {0.3, 0.825, 1.0, 1.6}) {
        EXPECT_EQ(springProgress(0, 0.2, damping), 0) << damping;
        EXPECT_EQ(springProgress(-1, 0.2, damping), 0) << damping;
        // At rest at the start: barely moved after a hundredth of the period.
        EXPECT_LT(springProgress(0.002, 0.2, damping), 0.01) << damping;
        EXPECT_NEAR(springProgress(3, 0.2, damping), 1, 1e-3) << damping;
    }
    EXPECT_EQ(springProgress(0.1, 0, 0.8), 1); // no response: there at once
}

TEST(Spring, OvershootsOnlyWhenUnderdamped) {
    struct Case {
        double damping;
        bool overshoots;
    };
    for (const Case& c :
         {Case{0.3, true}, Case{0.825, true}, Case{0.9, true}, Case{1.0, false}, Case{1.6, false}}) {
        const double highest = peak(0.2, c.damping);
        if (c.overshoots)
            EXPECT_GT(highest, 1 + 1e-6) << c.damping;
        else
            EXPECT_LE(highest, 1 + 1e-12) << c.damping;
    }
    // The less damping, the further past the target: a ratio of 0.3 overshoots by about 37%.
    EXPECT_NEAR(peak(0.2, 0.3), 1 + std::exp(-0.3 * M_PI / std::sqrt(1 - 0.09)), 1e-3);
}

TEST(Spring, ResponseIsThePeriodOfTheOscillation) {
    // Undamped, the spring is back at its start after one period and at twice the target halfway.
    EXPECT_NEAR(springProgress(0.5, 0.5, 0), 0, 1e-9);
    EXPECT_NEAR(springProgress(0.25, 0.5, 0), 2, 1e-9);
}

TEST(Spring, DurationEndsWhenTheSpringStaysWithinAThousandth) {
    for (double damping : {0.5, 0.825, 1.0, 1.5}) {
        const int duration = springDurationMs(0.2, damping);
        EXPECT_GT(duration, 0);
        EXPECT_GT(std::abs(springProgress((duration - 2) / 1000.0, 0.2, damping) - 1), 1e-3) << damping;
        for (int ms = duration; ms < duration + 2000; ms += 7)
            ASSERT_LE(std::abs(springProgress(ms / 1000.0, 0.2, damping) - 1), 1e-3)
                << damping << " at " << ms;
    }
    EXPECT_GT(springDurationMs(0.4, 0.825), springDurationMs(0.2, 0.825));
}

TEST(SpringAnimation, FollowsTheSpringPastTheEndAndLandsOnIt) {
    SpringAnimation animation(0.3, 0.5);
    animation.setStartValue(QPointF(0, 100));
    animation.setEndValue(QPointF(100, 0));
    EXPECT_EQ(animation.duration(), springDurationMs(0.3, 0.5));
    double furthest = 0;
    for (int ms = 0; ms <= animation.duration(); ms += 5) {
        animation.setCurrentTime(ms);
        const QPointF value = animation.currentValue().toPointF();
        const double expected = 100 * springProgress(ms / 1000.0, 0.3, 0.5);
        ASSERT_NEAR(value.x(), expected, 1e-6) << ms;
        ASSERT_NEAR(value.y(), 100 - expected, 1e-6) << ms;
        furthest = std::max(furthest, value.x());
    }
    EXPECT_GT(furthest, 110);
    animation.setCurrentTime(animation.duration());
    EXPECT_EQ(animation.currentValue().toPointF(), QPointF(100, 0));
}

TEST(Easing, EaseInOutIsSymmetricAndEaseOutStartsFast) {
    const QEasingCurve inOut = easeInOut(), out = easeOut();
    EXPECT_NEAR(inOut.valueForProgress(0.5), 0.5, 1e-3);
    EXPECT_LT(inOut.valueForProgress(0.2), 0.2);
    EXPECT_NEAR(inOut.valueForProgress(0.2) + inOut.valueForProgress(0.8), 1, 1e-3);
    EXPECT_GT(out.valueForProgress(0.2), 0.2);
    EXPECT_EQ(out.valueForProgress(1), 1);
}
