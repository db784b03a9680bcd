// Option buttons grouped in a frame, as the design's platform groups them: exclusive among
// themselves alone, one Tab stop that lands on the chosen button, and arrow keys that move the
// choice within the group.
#pragma once

#include <QButtonGroup>
#include <QList>

class QRadioButton;

namespace verrano {

class OptionGroup : public QButtonGroup {
public:
    // Null entries (gaps in a control array) are skipped.
    OptionGroup(const QList<QRadioButton*>& buttons, QObject* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The chosen button, or the first when none is chosen, takes Tab; the others only clicks.
    void placeTabStop();
};

} // namespace verrano
