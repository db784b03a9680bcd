// A picture box in twips: a picture drawn from its top-left corner, arcs drawn on its surface
// (kept until cleared or the picture changes), and line controls with settable ends.
#pragma once

#include <QColor>
#include <QPixmap>
#include <QWidget>
#include <memory>
#include <vector>

namespace verrano {

class PictureBox;

// A line control: end points in twips, colour, width in pixels, visibility.
class LineControl {
public:
    LineControl(PictureBox* owner, QColor color, int width);
    void setX1(double v);
    void setY1(double v);
    void setX2(double v);
    void setY2(double v);
    double X1() const { return x1_; }
    double Y1() const { return y1_; }
    double X2() const { return x2_; }
    double Y2() const { return y2_; }
    void setVisible(bool visible);
    bool isVisible() const { return visible_; }
    QColor color() const { return color_; }
    int width() const { return width_; }

private:
    PictureBox* owner_;
    QColor color_;
    int width_;
    float x1_ = 0, y1_ = 0, x2_ = 0, y2_ = 0; // single precision, as the lines keep them
    bool visible_ = true;
};

class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);
    ~PictureBox() override;

    // A new picture covers whatever was drawn before.
    void setPicture(const QPixmap& picture);
    QPixmap picture() const { return picture_; }
    qint64 pictureKey() const { return picture_.cacheKey(); }

    // Arc of a circle (aspect 1) around (cx, cy) in twips, angles in radians counter-clockwise
    // on screen from the positive x axis.
    void drawArc(double cx, double cy, double radius, QColor color, double startRad, double endRad);
    // Erase what was drawn at run time; the picture stays.
    void cls();
    int drawnArcCount() const { return static_cast<int>(arcs_.size()); }

    LineControl* addLine(QColor color, int width);

signals:
    void mouseMoved();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    struct Arc {
        double cx, cy, r;
        QColor color;
        double start, end;
    };
    QPixmap picture_;
    std::vector<Arc> arcs_;
    std::vector<std::unique_ptr<LineControl>> lines_;
};

} // namespace verrano
