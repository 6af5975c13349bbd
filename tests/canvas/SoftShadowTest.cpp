#include "canvas/SoftShadow.h"

#include <QImage>
#include <QPicture>
#include <cmath>
#include <gtest/gtest.h>
#include <string>

using namespace ketterly::canvas;

namespace {

enum class Device { image, picture };

// The shadow of a 200 × 100 rectangle at (50, 50) drawn at `scale`, read back in alpha per
// diagram unit; a picture is a vector device, replayed into an image.
QImage shadow(Device device, double scale, double blur, double opacity) {
    const QRectF shape(50, 50, 200, 100);
    QImage image(int(300 * scale), int(200 * scale), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    const auto paint = [&](QPainter& painter) {
        painter.setRenderHint(QPainter::Antialiasing);
        paintSoftShadow(painter, shape, 8, blur, QColor::fromRgbF(0, 0, 0, float(opacity)), shape);
    };
    if (device == Device::image) {
        QPainter painter(&image);
        painter.scale(scale, scale);
        paint(painter);
    } else {
        QPicture picture;
        {
            QPainter recorder(&picture);
            paint(recorder);
        }
        QPainter painter(&image);
        painter.scale(scale, scale);
        picture.play(&painter);
    }
    return image;
}

double alphaAt(const QImage& image, double scale, double x, double y) {
    return qAlpha(image.pixel(int(std::floor(x * scale)), int(std::floor(y * scale)))) / 255.0;
}

double expected(double opacity, double blur, double distance) {
    return opacity * 0.5 * std::erfc(distance / (blur / 2) / std::sqrt(2.0));
}

} // namespace

TEST(SoftShadow, FallsOffLikeAGaussianBlurOfTheShape) {
    struct Case {
        Device device;
        double scale;
        double tolerance;
    };
    const Case cases[] = {{Device::image, 1, 0.03},
                          {Device::image, 3, 0.03},
                          {Device::image, 0.5, 0.04},
                          {Device::picture, 1, 0.06},
                          {Device::picture, 3, 0.06}};
    for (const auto& c : cases) {
        const std::string where =
            std::string(c.device == Device::image ? "image" : "picture") + " at " + std::to_string(c.scale);
        const double blur = 8, opacity = 0.4;
        const QImage image = shadow(c.device, c.scale, blur, opacity);
        double previous = 1;
        for (double d = 0.5; d <= blur + 4; d += 1) {
            // Outside the middle of each edge.
            const double below = alphaAt(image, c.scale, 150, 150 + d);
            const double sides[] = {below, alphaAt(image, c.scale, 150, 50 - d),
                                    alphaAt(image, c.scale, 50 - d, 100),
                                    alphaAt(image, c.scale, 250 + d, 100)};
            for (double side : sides)
                EXPECT_NEAR(side, expected(opacity, blur, d), c.tolerance) << where << " at " << d;
            EXPECT_LE(below, previous + 1.0 / 255) << where << " at " << d;
            previous = below;
        }
        EXPECT_EQ(alphaAt(image, c.scale, 150, 150 + blur + 3), 0) << where;
        EXPECT_EQ(alphaAt(image, c.scale, 150, 20), 0) << where;
    }
}

TEST(SoftShadow, RunsEvenlyAlongTheEdgesWithoutSeams) {
    for (double scale : {1.0, 2.0, 0.75}) {
        const QImage image = shadow(Device::image, scale, 8, 0.4);
        for (double distance : {1.0, 3.0, 6.0}) {
            const int y = int(std::floor((150 + distance) * scale));
            int lowest = 255, highest = 0;
            // The straight part: clear of the rounded corners' influence.
            for (int x = int(80 * scale); x < int(220 * scale); ++x) {
                lowest = std::min(lowest, qAlpha(image.pixel(x, y)));
                highest = std::max(highest, qAlpha(image.pixel(x, y)));
            }
            EXPECT_LE(highest - lowest, 1) << scale << " at " << distance;
        }
    }
}

TEST(SoftShadow, LeavesTheHiddenPartAlone) {
    const QImage image = shadow(Device::image, 1, 8, 0.4);
    EXPECT_EQ(alphaAt(image, 1, 150, 100), 0); // the middle, under whatever covers it
}
