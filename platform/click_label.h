// A label that acts when clicked, and that a keyboard or screen-reader user can click too.
#pragma once

#include <QLabel>

namespace verrano {

// A caption whose click runs something. Tab reaches it (a click by the pointer does not move the
// focus), it shows the style's focus mark while it has the keys, and Space, Return or Enter click
// it; a screen reader presses it through the accessibility of a guarded window.
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickLabel(QWidget* parent = nullptr);

    // What any of the three ways of clicking does; a disabled label does nothing.
    void click();

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

} // namespace verrano
