// The picture box in twips: a picture from the top-left corner, arcs drawn on it and line
// controls over it.
#include "platform/picture_box.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <cmath>
#include <numbers>

#include "window/twips.h"

namespace verrano {

LineControl::LineControl(PictureBox* owner, QColor color, int width)
    : owner_(owner), color_(color), width_(width) {}

void LineControl::setX1(double v) {
    x1_ = static_cast<float>(v);
    owner_->update();
}

void LineControl::setY1(double v) {
    y1_ = static_cast<float>(v);
    owner_->update();
}

void LineControl::setX2(double v) {
    x2_ = static_cast<float>(v);
    owner_->update();
}

void LineControl::setY2(double v) {
    y2_ = static_cast<float>(v);
    owner_->update();
}

void LineControl::setVisible(bool visible) {
    if (visible_ == visible) return;
    visible_ = visible;
    owner_->update();
}

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
}

PictureBox::~PictureBox() = default;

void PictureBox::setPicture(const QPixmap& picture) {
    picture_ = picture;
    arcs_.clear();
    update();
}

void PictureBox::drawArc(double cx, double cy, double radius, QColor color, double startRad,
                         double endRad) {
    arcs_.push_back(Arc{cx, cy, radius, color, startRad, endRad});
    update();
}

void PictureBox::cls() {
    if (arcs_.empty()) return;
    arcs_.clear();
    update();
}

LineControl* PictureBox::addLine(QColor color, int width) {
    lines_.push_back(std::make_unique<LineControl>(this, color, width));
    update();
    return lines_.back().get();
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!picture_.isNull()) painter.drawPixmap(0, 0, picture_);

    constexpr double kTwoPi = 2 * std::numbers::pi;
    for (const Arc& a : arcs_) {
        // The arc runs counter-clockwise from start to end, through zero when end < start; the
        // sign of an angle only marks a radius line, which the dial never asks for.
        const double start = std::fabs(a.start);
        double span = std::fabs(a.end) - start;
        if (span < 0) span += kTwoPi;
        const double r = PxF(a.r);
        const QRectF box(PxF(a.cx) - r, PxF(a.cy) - r, 2 * r, 2 * r);
        painter.setPen(QPen(a.color, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawArc(box, static_cast<int>(std::lround(start * 180 / std::numbers::pi * 16)),
                        static_cast<int>(std::lround(span * 180 / std::numbers::pi * 16)));
    }

    for (const auto& line : lines_) {
        if (!line->isVisible()) continue;
        painter.setPen(QPen(line->color(), line->width(), Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(PxF(line->X1()), PxF(line->Y1())),
                         QPointF(PxF(line->X2()), PxF(line->Y2())));
    }
}

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
    // The movement belongs to this box alone, not to the frame under it.
    event->accept();
    emit mouseMoved();
}

} // namespace verrano
