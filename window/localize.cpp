// The localiser: replaces the string ids that the window's design carries with texts of the
// string table in the user's language.
#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QVariant>
#include <optional>
#include <string>

#include "platform/resource_strings.h"
#include "window/frm_Set.h"
#include "window/pure/string_table.h"

namespace verrano {

namespace {

// A control's caption id, when it has one, is kept in a dynamic property named "Tag".
QString TagOf(const QObject* object) {
    return object->property("Tag").toString();
}

std::optional<int> Strict(const QString& text) {
    return StrictNumber(text.toStdString());
}

// A text that does not begin with a number reads as 0, which names no entry.
std::optional<int> Leading(const QString& text) {
    const auto id = LeadingNumber(text.toStdString());
    if (!id || *id <= 0) return std::nullopt;
    return id;
}

std::optional<QString> Text(std::optional<int> id, int language) {
    if (!id) return std::nullopt;
    return LoadResString(*id, language);
}

void SetCaption(QWidget* widget, const QString& text) {
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        button->setText(text);
    else if (auto* label = qobject_cast<QLabel*>(widget))
        label->setText(text);
    else if (auto* frame = qobject_cast<QGroupBox*>(widget))
        frame->setTitle(text);
    // Other kinds have no caption to replace.
}

void LocalizeWidget(QWidget* widget, int language) {
    // A label's caption is an id only as a whole; other controls take the number their Tag
    // begins with. Labels take their tooltips like every other control, so the four labels of
    // the trims and the ID frame show texts rather than bare numbers.
    const bool isLabel = qobject_cast<QLabel*>(widget) != nullptr;
    const QString tag = TagOf(widget);
    if (const auto caption = Text(isLabel ? Strict(tag) : Leading(tag), language))
        SetCaption(widget, *caption);
    if (const auto tip = Text(Leading(widget->toolTip()), language)) widget->setToolTip(*tip);
}

// Menu items (menu titles included, through their menu action) are replaced only when their
// caption itself is a number; "File", "-" and the like stay as they are.
void LocalizeAction(QAction* action, int language) {
    if (action->isSeparator()) return;
    if (const auto caption = Text(Strict(action->text()), language)) action->setText(*caption);
}

} // namespace

void frm_Set::LocalizeForm() {
    const int language = UserLanguageId();

    if (const auto caption = Text(Strict(TagOf(this)), language)) setWindowTitle(*caption);

    // findChildren walks depth first in the order the children were created.
    for (QObject* child : findChildren<QObject*>()) {
        if (auto* widget = qobject_cast<QWidget*>(child))
            LocalizeWidget(widget, language);
        else if (auto* action = qobject_cast<QAction*>(child))
            LocalizeAction(action, language);
    }
}

} // namespace verrano
