// The design measures in twips; the screen in pixels at 15 twips each.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace verrano {

constexpr int kTwipsPerPixel = 15;
constexpr int Px(int twips) {
    return twips / kTwipsPerPixel;
}
constexpr double PxF(double twips) {
    return twips / kTwipsPerPixel;
}
inline QRect TwipsRect(int left, int top, int width, int height) {
    return QRect(Px(left), Px(top), Px(width), Px(height));
}

} // namespace verrano
