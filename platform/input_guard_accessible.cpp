// Accessibility of the buttons, clickable labels, scroll bars, text boxes, drop-down lists and menu
// items in windows an input guard covers: what the toolkit offers a screen reader for them, with
// every action, value and text change judged by the guard first.
//
// A screen reader presses, toggles, chooses, sets values and edits text through these interfaces;
// they call the control directly, past the event filter that refuses clicks and keys, so the guard
// is asked here. The toolkit's own interfaces for these controls can be neither reached nor
// wrapped, so these kinds are given again, the same in roles, names, states, values, text and
// actions. A clickable label, to the toolkit mere text, is given the press of a button; text boxes
// and drop-down lists are classes of their own, so that the toolkit's interfaces for line edits
// and combo boxes do not answer for them first.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTextLayout>
#include <QTimer>
#include <QToolButton>
#include <QValidator>
#include <QWindow>

#include "platform/click_label.h"
#include "platform/combo_box.h"
#include "platform/input_guard.h"
#include "platform/text_box.h"

namespace verrano {

namespace {

// A caption without its mnemonic marker; "&&" stands for one ampersand.
QString StripAmp(QString text) {
    for (int i = 0; i + 1 < text.size(); ++i)
        if (text[i] == QLatin1Char('&')) text.remove(i, 1);
    return text;
}

// The key that a caption's mnemonic marker names, as "Alt+X"; empty without one.
QString HotKey(const QString& text) {
    for (int i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != QLatin1Char('&')) continue;
        if (text[i + 1] == QLatin1Char('&')) {
            ++i;
            continue;
        }
        return QKeySequence(Qt::ALT).toString(QKeySequence::NativeText) + text[i + 1].toUpper();
    }
    return QString();
}

bool Refused(const QPointer<InputGuard>& guard, const QObject* target) {
    return guard && guard->refuses(target);
}

// A control out of sight, or disabled, takes no input from a reader either; the toolkit would
// still press, toggle, set or focus a hidden one.
bool Usable(const QWidget* widget) {
    return widget->isEnabled() && widget->isVisible();
}

class GuardedButton : public QAccessibleWidget {
public:
    GuardedButton(QAbstractButton* button, InputGuard* guard)
        : QAccessibleWidget(button), guard_(guard) {
        addControllingSignal(button->isCheckable() ? QStringLiteral("toggled(bool)")
                                                   : QStringLiteral("clicked()"));
        pressTimer_.setSingleShot(true);
        pressTimer_.setInterval(kPressMs);
        QObject::connect(&pressTimer_, &QTimer::timeout, [this] { release(); });
    }

    QAccessible::Role role() const override {
        auto* push = qobject_cast<QPushButton*>(button());
        if (push && push->menu()) return QAccessible::ButtonMenu;
        if (button()->isCheckable())
            return button()->autoExclusive() ? QAccessible::RadioButton : QAccessible::CheckBox;
        return QAccessible::Button;
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        QAbstractButton* b = button();
        auto* check = qobject_cast<QCheckBox*>(b);
        if (b->isCheckable()) s.checkable = true;
        if (b->isChecked())
            s.checked = true;
        else if (check && check->checkState() == Qt::PartiallyChecked)
            s.checkStateMixed = true;
        if (b->isDown()) s.pressed = true;
        if (auto* push = qobject_cast<QPushButton*>(b)) {
            if (push->isDefault()) s.defaultButton = true;
            if (push->menu()) s.hasPopup = true;
        }
        return s;
    }

    // An option button or check box is where its mark and caption are, not its whole widget.
    QRect rect() const override {
        QAbstractButton* b = button();
        if (!b->isVisible()) return QRect();
        const bool check = qobject_cast<QCheckBox*>(b) != nullptr;
        if (!check && !qobject_cast<QRadioButton*>(b)) return QAccessibleWidget::rect();
        QStyleOptionButton opt;
        opt.initFrom(b);
        opt.text = b->text();
        opt.icon = b->icon();
        opt.iconSize = b->iconSize();
        opt.state |= b->isChecked() ? QStyle::State_On : QStyle::State_Off;
        if (b->isDown()) opt.state |= QStyle::State_Sunken;
        const QStyle::SubElement area =
            check ? QStyle::SE_CheckBoxClickRect : QStyle::SE_RadioButtonClickRect;
        return b->style()->subElementRect(area, &opt, b).translated(b->mapToGlobal(QPoint(0, 0)));
    }

    QString text(QAccessible::Text t) const override {
        QString str;
        if (t == QAccessible::Accelerator) {
            auto* push = qobject_cast<QPushButton*>(button());
            if (push && push->isDefault())
                str = QKeySequence(Qt::Key_Enter).toString(QKeySequence::NativeText);
            if (str.isEmpty()) str = HotKey(button()->text());
        } else if (t == QAccessible::Name) {
            str = widget()->accessibleName();
            if (str.isEmpty()) str = StripAmp(button()->text());
        }
        return str.isEmpty() ? QAccessibleWidget::text(t) : str;
    }

    QStringList actionNames() const override {
        QStringList names;
        if (!widget()->isVisible()) return names;
        if (widget()->isEnabled()) {
            switch (role()) {
            case QAccessible::ButtonMenu:
                names << showMenuAction();
                break;
            case QAccessible::RadioButton:
                names << toggleAction();
                break;
            default:
                names << (button()->isCheckable() ? toggleAction() : pressAction());
                break;
            }
        }
        return names + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& name) override {
        if (!Usable(widget()) || Refused(guard_, widget())) return;
        if (name == pressAction() || name == showMenuAction()) {
            auto* push = qobject_cast<QPushButton*>(button());
            if (push && push->menu())
                push->showMenu();
            else
                press();
        } else if (name == toggleAction()) {
            button()->toggle();
        } else {
            QAccessibleWidget::doAction(name);
        }
    }

    QStringList keyBindingsForAction(const QString& name) const override {
        if (name == pressAction()) return QStringList() << button()->shortcut().toString();
        return QStringList();
    }

private:
    // As long as the toolkit's own press shows the button down before it clicks.
    static constexpr int kPressMs = 100;

    QAbstractButton* button() const { return static_cast<QAbstractButton*>(object()); }

    // The toolkit's press clicks when its moment is over, past the guard, and a wait may have
    // begun by then; this one is judged again when it clicks.
    void press() {
        QAbstractButton* b = button();
        if (b->isCheckable() && (b->focusPolicy() & Qt::ClickFocus)) b->setFocus();
        b->setDown(true);
        b->repaint();
        pressTimer_.start();
    }

    void release() {
        QAbstractButton* b = button();
        b->setDown(false);
        if (Usable(b) && !Refused(guard_, b)) b->click();
    }

    QPointer<InputGuard> guard_;
    QTimer pressTimer_;
};

// A scroll bar, whose value a reader can set directly; a new value runs the bar's Change handler,
// which sends a move or a live write.
class GuardedScrollBar : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    GuardedScrollBar(QScrollBar* bar, InputGuard* guard)
        : QAccessibleWidget(bar, QAccessible::ScrollBar), guard_(guard) {
        addControllingSignal(QStringLiteral("valueChanged(int)"));
    }

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return QString::number(bar()->value());
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override {
        return widget()->isVisible() ? QAccessibleWidget::actionNames() : QStringList();
    }

    void doAction(const QString& name) override {
        if (Usable(widget()) && !Refused(guard_, widget())) QAccessibleWidget::doAction(name);
    }

    QVariant currentValue() const override { return bar()->value(); }
    void setCurrentValue(const QVariant& value) override {
        if (!Usable(widget()) || Refused(guard_, widget())) return;
        bar()->setValue(value.toInt());
    }
    QVariant maximumValue() const override { return bar()->maximum(); }
    QVariant minimumValue() const override { return bar()->minimum(); }
    QVariant minimumStepSize() const override { return bar()->singleStep(); }

private:
    QScrollBar* bar() const { return static_cast<QScrollBar*>(object()); }

    QPointer<InputGuard> guard_;
};

// A label whose click runs something, which a reader therefore sees as a button named by its
// caption.
class GuardedLabel : public QAccessibleWidget {
public:
    GuardedLabel(ClickLabel* label, InputGuard* guard)
        : QAccessibleWidget(label, QAccessible::Button), guard_(guard) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return static_cast<ClickLabel*>(widget())->text();
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override {
        QStringList names;
        if (!widget()->isVisible()) return names;
        if (widget()->isEnabled()) names << pressAction();
        return names + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& name) override {
        // The focus too: a trim that loses it locks itself.
        if (!Usable(widget()) || Refused(guard_, widget())) return;
        if (name == pressAction())
            static_cast<ClickLabel*>(widget())->click();
        else
            QAccessibleWidget::doAction(name);
    }

private:
    QPointer<InputGuard> guard_;
};

// A text box, whose text a reader can set, insert into or cut directly: the Repeat angles are
// taken from theirs, the ID from its. The toolkit would change even a disabled or read-only box.
class GuardedTextBox : public QAccessibleWidget,
                       public QAccessibleTextInterface,
                       public QAccessibleEditableTextInterface {
public:
    GuardedTextBox(TextBox* box, InputGuard* guard)
        : QAccessibleWidget(box, QAccessible::EditableText), guard_(guard) {
        addControllingSignal(QStringLiteral("textChanged(const QString&)"));
        addControllingSignal(QStringLiteral("returnPressed()"));
    }

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        if (t == QAccessible::EditableTextInterface)
            return static_cast<QAccessibleEditableTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QString text(QAccessible::Text t) const override {
        QString str;
        if (t == QAccessible::Value) {
            if (box()->echoMode() == QLineEdit::Normal)
                str = box()->text();
            else if (box()->echoMode() != QLineEdit::NoEcho)
                str = QString(box()->text().size(), QLatin1Char('*'));
        }
        if (str.isEmpty()) str = QAccessibleWidget::text(t);
        if (str.isEmpty() && t == QAccessible::Description) str = box()->placeholderText();
        return str;
    }

    void setText(QAccessible::Text t, const QString& text) override {
        if (t != QAccessible::Value) {
            QAccessibleWidget::setText(t, text);
            return;
        }
        QString newText = text;
        if (const QValidator* validator = box()->validator()) {
            int pos = 0;
            if (validator->validate(newText, pos) != QValidator::Acceptable) return;
        }
        change(newText);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        if (box()->isReadOnly())
            s.readOnly = true;
        else
            s.editable = true;
        if (box()->echoMode() != QLineEdit::Normal) s.passwordEdit = true;
        s.selectableText = true;
        return s;
    }

    QStringList actionNames() const override {
        return widget()->isVisible() ? QAccessibleWidget::actionNames() : QStringList();
    }

    void doAction(const QString& name) override {
        if (Usable(widget()) && !Refused(guard_, widget())) QAccessibleWidget::doAction(name);
    }

    // Reading the text, its selection and the caret, as the toolkit gives them.
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = 0;
        if (selectionIndex != 0) return;
        *startOffset = box()->selectionStart();
        *endOffset = *startOffset + static_cast<int>(box()->selectedText().size());
    }
    int selectionCount() const override { return box()->hasSelectedText() ? 1 : 0; }
    void addSelection(int startOffset, int endOffset) override {
        setSelection(0, startOffset, endOffset);
    }
    void removeSelection(int selectionIndex) override {
        if (selectionIndex == 0) box()->deselect();
    }
    void setSelection(int selectionIndex, int startOffset, int endOffset) override {
        if (selectionIndex == 0) box()->setSelection(startOffset, endOffset - startOffset);
    }
    int cursorPosition() const override { return box()->cursorPosition(); }
    void setCursorPosition(int position) override { box()->setCursorPosition(position); }
    QString text(int startOffset, int endOffset) const override {
        if (startOffset > endOffset || box()->echoMode() != QLineEdit::Normal) return QString();
        return box()->text().mid(startOffset, endOffset - startOffset);
    }
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                             int* startOffset, int* endOffset) const override {
        if (HidesText(startOffset, endOffset)) return QString();
        if (offset == -2) offset = cursorPosition();
        return QAccessibleTextInterface::textBeforeOffset(offset, boundaryType, startOffset,
                                                          endOffset);
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                            int* startOffset, int* endOffset) const override {
        if (HidesText(startOffset, endOffset)) return QString();
        if (offset == -2) offset = cursorPosition();
        return QAccessibleTextInterface::textAfterOffset(offset, boundaryType, startOffset,
                                                         endOffset);
    }
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                         int* endOffset) const override {
        if (HidesText(startOffset, endOffset)) return QString();
        if (offset == -2) offset = cursorPosition();
        return QAccessibleTextInterface::textAtOffset(offset, boundaryType, startOffset, endOffset);
    }
    int characterCount() const override { return static_cast<int>(box()->text().size()); }
    QRect characterRect(int offset) const override {
        const QString ch = text(offset, offset + 1);
        if (ch.isEmpty()) return QRect();
        // Where the toolkit places it: along the laid-out line from the box's left edge, below
        // its top text margin.
        QTextLayout layout(box()->displayText(), box()->font());
        layout.beginLayout();
        QTextLine line = layout.createLine();
        layout.endLayout();
        const int x = static_cast<int>(line.cursorToX(offset));
        const QFontMetrics fm(box()->font());
        QRect r(x, box()->textMargins().top(), fm.horizontalAdvance(ch), fm.height());
        r.moveTo(box()->mapToGlobal(r.topLeft()));
        return r;
    }
    int offsetAtPoint(const QPoint& point) const override {
        return box()->cursorPositionAt(box()->mapFromGlobal(point));
    }
    void scrollToSubstring(int startIndex, int endIndex) override {
        box()->setCursorPosition(endIndex);
        box()->setCursorPosition(startIndex);
    }
    QString attributes(int offset, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = offset;
        return QString();
    }

    // Changing it, as typing would, judged as typing is.
    void deleteText(int startOffset, int endOffset) override {
        change(box()->text().remove(startOffset, endOffset - startOffset));
    }
    void insertText(int offset, const QString& text) override {
        change(box()->text().insert(offset, text));
    }
    void replaceText(int startOffset, int endOffset, const QString& text) override {
        change(box()->text().replace(startOffset, endOffset - startOffset, text));
    }

private:
    TextBox* box() const { return static_cast<TextBox*>(object()); }
    // A box that shows no plain text (a password field) gives no piece of it, as the toolkit's
    // own line edit does.
    bool HidesText(int* startOffset, int* endOffset) const {
        if (box()->echoMode() == QLineEdit::Normal) return false;
        *startOffset = *endOffset = -1;
        return true;
    }

    void change(const QString& text) {
        if (box()->isReadOnly() || !Usable(box()) || Refused(guard_, box())) return;
        box()->setText(text);
    }

    QPointer<InputGuard> guard_;
};

// A drop-down list, which a reader opens by pressing it.
class GuardedComboBox : public QAccessibleWidget {
public:
    GuardedComboBox(ComboBox* box, InputGuard* guard)
        : QAccessibleWidget(box, QAccessible::ComboBox), guard_(guard) {}

    // The list, and the text of an editable box.
    int childCount() const override { return box()->isEditable() ? 2 : 1; }
    QAccessibleInterface* child(int index) const override {
        if (index == 0) return QAccessible::queryAccessibleInterface(box()->view());
        if (index == 1 && box()->isEditable())
            return QAccessible::queryAccessibleInterface(box()->lineEdit());
        return nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child) return -1;
        if (child->object() == box()->view()) return 0;
        if (box()->isEditable() && child->object() == box()->lineEdit()) return 1;
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        if (box()->isEditable() && box()->lineEdit()->rect().contains(x, y)) return child(1);
        return nullptr;
    }
    QAccessibleInterface* focusChild() const override {
        return box()->isEditable() ? child(1) : nullptr;
    }

    QString text(QAccessible::Text t) const override {
        QString str;
        // On this platform a reader names the list by what it shows.
        if (t == QAccessible::Name || t == QAccessible::Value)
            str = box()->isEditable() ? box()->lineEdit()->text() : box()->currentText();
        else if (t == QAccessible::Accelerator)
            str = QKeySequence(Qt::Key_Down).toString(QKeySequence::NativeText);
        return str.isEmpty() ? QAccessibleWidget::text(t) : str;
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.expandable = true;
        s.expanded = box()->view()->isVisible();
        return s;
    }

    QStringList actionNames() const override {
        if (!widget()->isVisible()) return QStringList();
        return QStringList() << showMenuAction() << pressAction();
    }
    QString localizedActionDescription(const QString& name) const override {
        if (name == showMenuAction() || name == pressAction())
            return QComboBox::tr("Open the combo box selection popup");
        return QString();
    }
    QStringList keyBindingsForAction(const QString&) const override { return QStringList(); }

    void doAction(const QString& name) override {
        if (name != showMenuAction() && name != pressAction()) return;
        // Closing an open list is let through during a wait, as a click beside it is.
        if (box()->view()->isVisible())
            box()->hidePopup();
        else if (Usable(box()) && !Refused(guard_, box()))
            box()->showPopup();
    }

private:
    ComboBox* box() const { return static_cast<ComboBox*>(object()); }

    QPointer<InputGuard> guard_;
};

// An item of a menu that opens no menu of its own; items that do are left to the toolkit, since
// opening a menu starts nothing.
class GuardedMenuItem : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    GuardedMenuItem(QAction* action, QWidget* owner, InputGuard* guard)
        : action_(action), owner_(owner), guard_(guard) {}

    bool isValid() const override { return action_ && owner_; }
    QObject* object() const override { return action_; }

    QWindow* window() const override {
        for (QWidget* w = owner_; w; w = w->parentWidget())
            if (QWindow* handle = w->windowHandle()) return handle;
        return nullptr;
    }

    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(owner_);
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    QRect rect() const override {
        QRect r;
        if (auto* menu = qobject_cast<QMenu*>(owner_))
            r = menu->actionGeometry(action_);
        else if (auto* bar = qobject_cast<QMenuBar*>(owner_))
            r = bar->actionGeometry(action_);
        if (owner_) r.translate(owner_->mapToGlobal(QPoint(0, 0)));
        return r;
    }

    QAccessible::Role role() const override {
        return action_->isSeparator() ? QAccessible::Separator : QAccessible::MenuItem;
    }

    QAccessible::State state() const override {
        QAccessible::State s;
        if (owner_ && (!owner_->testAttribute(Qt::WA_WState_Visible) || !action_->isVisible()))
            s.invisible = true;
        if (auto* menu = qobject_cast<QMenu*>(owner_); menu && menu->activeAction() == action_)
            s.focused = true;
        if (auto* bar = qobject_cast<QMenuBar*>(owner_); bar && bar->activeAction() == action_)
            s.focused = true;
        if (owner_ && owner_->style()->styleHint(QStyle::SH_Menu_MouseTracking))
            s.hotTracked = true;
        if (action_->isSeparator() || !action_->isEnabled()) s.disabled = true;
        if (action_->isChecked()) s.checked = true;
        if (action_->isCheckable()) s.checkable = true;
        return s;
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return StripAmp(action_->text());
        if (t == QAccessible::Accelerator) {
            const QKeySequence key = action_->shortcut();
            return key.isEmpty() ? HotKey(action_->text()) : key.toString();
        }
        return QString();
    }
    void setText(QAccessible::Text, const QString&) override {}

    void* interface_cast(QAccessible::InterfaceType t) override {
        return t == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                 : nullptr;
    }

    QStringList actionNames() const override {
        if (action_->isSeparator()) return QStringList();
        return QStringList() << pressAction();
    }

    void doAction(const QString& name) override {
        if (!action_->isEnabled() || Refused(guard_, action_.data())) return;
        if (name == pressAction()) action_->trigger();
    }

    QStringList keyBindingsForAction(const QString&) const override { return QStringList(); }

private:
    QPointer<QAction> action_;
    QPointer<QWidget> owner_;
    QPointer<InputGuard> guard_;
};

QAccessibleInterface* GuardedFactory(const QString& className, QObject* object) {
    // Asked once for each class up the object's line; answer for its own class only, before the
    // toolkit's answer for a base class is reached.
    if (!object || className != QLatin1String(object->metaObject()->className())) return nullptr;
    InputGuard* guard = InputGuard::coveringGuard(object);
    if (!guard) return nullptr;
    if (auto* button = qobject_cast<QAbstractButton*>(object)) {
        if (qobject_cast<QToolButton*>(button)) return nullptr;
        return new GuardedButton(button, guard);
    }
    if (auto* bar = qobject_cast<QScrollBar*>(object)) return new GuardedScrollBar(bar, guard);
    if (auto* label = qobject_cast<ClickLabel*>(object)) return new GuardedLabel(label, guard);
    if (auto* box = qobject_cast<TextBox*>(object)) return new GuardedTextBox(box, guard);
    if (auto* box = qobject_cast<ComboBox*>(object)) return new GuardedComboBox(box, guard);
    if (auto* action = qobject_cast<QAction*>(object); action && !action->menu()) {
        for (QObject* o : action->associatedObjects())
            if (auto* menu = qobject_cast<QMenu*>(o))
                return new GuardedMenuItem(action, menu, guard);
    }
    return nullptr;
}

} // namespace

void InstallGuardedAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(&GuardedFactory);
        return true;
    }();
    (void)installed;
}

} // namespace verrano
