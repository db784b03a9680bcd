// An explicit button group per frame of option buttons, and the Tab stop on its chosen button.
#include "platform/option_group.h"

#include <QEvent>
#include <QRadioButton>

namespace verrano {

OptionGroup::OptionGroup(const QList<QRadioButton*>& buttons, QObject* parent)
    : QButtonGroup(parent) {
    // Left to themselves, option buttons group with every option button inside their parent,
    // nested frames included, and a row in a frame of its own is then skipped by Tab.
    for (QRadioButton* b : buttons) {
        if (!b) continue;
        addButton(b);
        b->installEventFilter(this);
    }
    connect(this, &QButtonGroup::buttonToggled, this, &OptionGroup::placeTabStop);
    placeTabStop();
}

bool OptionGroup::eventFilter(QObject* watched, QEvent* event) {
    // The toolkit gives the Tab stop to whichever button had the focus; once the focus leaves
    // the group it goes back to the chosen one.
    if (event->type() == QEvent::FocusOut) placeTabStop();
    return QButtonGroup::eventFilter(watched, event);
}

void OptionGroup::placeTabStop() {
    const QList<QAbstractButton*> all = buttons();
    if (all.isEmpty()) return;
    QAbstractButton* stop = checkedButton() ? checkedButton() : all.first();
    for (QAbstractButton* b : all)
        b->setFocusPolicy(b == stop ? Qt::StrongFocus : Qt::ClickFocus);
}

} // namespace verrano
