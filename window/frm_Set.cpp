// Construction of the settings window: its controls, control arrays, needles, event wiring and
// the small helpers every handler uses (status line, scroll bar and option button values).
#include "window/frm_Set.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStatusBar>
#include <stdexcept>

#include "platform/click_label.h"
#include "platform/menu_bar_keys.h"
#include "platform/menu_check_style.h"
#include "platform/option_group.h"
#include "platform/picture_box.h"
#include "platform/scroll_bar.h"
#include "ui_frm_Set.h"
#include "window/window_font.h"

namespace verrano {

namespace {

// A control the form names but cannot find is a broken form; stop at once rather than run with a
// null control somewhere in a handler.
template <typename T> T* Child(QWidget* root, const QString& name) {
    T* found = root->findChild<T*>(name);
    if (!found) throw std::logic_error("frm_Set: control missing: " + name.toStdString());
    return found;
}

template <typename T, std::size_t N>
void FillArray(QWidget* root, std::array<T*, N>& arr, const char* base) {
    for (std::size_t i = 0; i < N; ++i)
        arr[i] = Child<T>(root, QStringLiteral("%1_%2").arg(QLatin1String(base)).arg(i));
}

// The form file holds whole point sizes only; these controls are designed a little smaller or
// larger than the window's 9 pt.
void SetPointSize(QWidget* widget, double points) {
    QFont f = widget->font();
    f.setPointSizeF(points);
    widget->setFont(f);
}

// Pointer movement over the bare part of a container: not over any of its controls.
bool OverBarePart(QWidget* container, const QMouseEvent* event) {
    return container->childAt(event->position().toPoint()) == nullptr;
}

template <std::size_t N> QList<QRadioButton*> ToList(const std::array<QRadioButton*, N>& arr) {
    return QList<QRadioButton*>(arr.begin(), arr.end());
}

template <typename T, std::size_t N> int IndexOf(const std::array<T*, N>& arr, const QObject* obj) {
    for (std::size_t i = 0; i < N; ++i)
        if (arr[i] == obj) return static_cast<int>(i);
    return -1;
}

// A screen reader names a control without a caption of its own after its frame, so the three
// trims' bars and boxes would all be "Position Setting", and the two Repeat boxes "Move and
// Direction"; and the three performance rows' buttons are each only "1", "2" and "3". Each gets
// the caption the window shows beside it. The rows' buttons keep their own captions as names and
// take their row's as description, which is also their frame's name.
void NameForReaders(Ui::frm_Set& ui, const std::array<QLabel*, 3>& rowLabels,
                    const std::array<std::array<QRadioButton*, 3>, 3>& rows,
                    const std::array<QLabel*, 2>& repeatLabels,
                    const std::array<QLineEdit*, 2>& repeatBoxes) {
    const std::array<QGroupBox*, 3> rowFrames{ui.Frame6, ui.Frame7, ui.Frame8};
    for (std::size_t r = 0; r < rows.size(); ++r) {
        QString caption = rowLabels[r]->text().trimmed();
        if (caption.endsWith(QLatin1Char(':'))) caption.chop(1);
        rowFrames[r]->setAccessibleName(caption);
        for (QRadioButton* button : rows[r])
            button->setAccessibleDescription(caption);
    }
    const std::pair<QLabel*, std::array<QWidget*, 2>> trims[] = {
        {ui.Label4, {ui.HScroll_zero, ui.txt_zero}},
        {ui.Label1, {ui.HScroll_Limit_min, ui.txt_left_limit}},
        {ui.Label2, {ui.HScroll_Limit_max, ui.txt_right_limit}},
    };
    for (const auto& [label, controls] : trims)
        for (QWidget* control : controls)
            control->setAccessibleName(label->text());
    for (std::size_t i = 0; i < repeatBoxes.size(); ++i)
        repeatBoxes[i]->setAccessibleName(ui.cmd_Repeat->text() + QLatin1Char(' ') +
                                          repeatLabels[i]->text());
}

} // namespace

frm_Set::frm_Set(QWidget* parent) : QMainWindow(parent), ui(std::make_unique<Ui::frm_Set>()) {
    // Before any control exists, so that a screen reader already running meets none unguarded.
    guard.coverAccessibility(this);
    ui->setupUi(this);
    setWindowIcon(QIcon(QStringLiteral(":/pictures/icon.svg")));

    for (QWidget* w : std::initializer_list<QWidget*>{
             ui->cmd_move_10, ui->cmd_move_55, ui->cmd_move_100, ui->cmd_move_145, ui->cmd_move_190,
             ui->cmd_Performance_low, ui->cmd_Performance_hi, ui->cmd_Servo_Read,
             ui->cmd_Servo_Save, ui->Label7_0, ui->Label7_1, ui->Label7_2, ui->Label7_3})
        SetPointSize(w, 8.25);
    SetPointSize(ui->Combo1, 9.75);
    SpreadWindowFont(this);

    buildControlArrays();
    NameForReaders(*ui, Label3, {opt_Damp, opt_Hold, opt_Punch}, Label5, txt_Repeat);

    // The model and route menus mark their chosen item with a check mark alone; the handlers
    // set every mark themselves.
    auto* checkStyle = new MenuCheckStyle(QApplication::style()->name());
    checkStyle->setParent(this);
    ui->ServoType1->setStyle(checkStyle);
    ui->Control_Option->setStyle(checkStyle);
    // F10 opens the menus during a wait too, as a click on the bar does, so that Exit can be
    // chosen from the keys.
    guard.allowAction(OpenMenuBarFromKeys(menuBar()));

    Line2 = ui->Picture1->addLine(QColor(255, 0, 0), 1);
    Line3 = ui->Picture1->addLine(QColor(128, 128, 255), 1);
    Line4 = ui->Picture1->addLine(QColor(255, 0, 0), 1);
    Line5 = ui->Picture1->addLine(QColor(0, 255, 0), 2);

    SetStatusText(QString());
    wireEvents();
}

frm_Set::~frm_Set() {
    qApp->removeEventFilter(&guard);
    if (Comm.portOpen()) Comm.setPortOpen(false);
}

void frm_Set::buildControlArrays() {
    QWidget* root = this;
    FillArray(root, opt_servo, "opt_servo");
    FillArray(root, opt_time, "opt_time");
    FillArray(root, opt_Damp, "opt_Damp");
    FillArray(root, opt_Hold, "opt_Hold");
    FillArray(root, opt_Punch, "opt_Punch");
    FillArray(root, opt_dir, "opt_dir");
    FillArray(root, Label3, "Label3");
    FillArray(root, Label5, "Label5");
    FillArray(root, Label7, "Label7");
    FillArray(root, txt_Repeat, "txt_Repeat");
    // The design numbers the two performance-set buttons 0 and 3; 1 and 2 stay empty.
    opt_Special[0] = ui->opt_Special_0;
    opt_Special[3] = ui->opt_Special_3;

    // Each frame of option buttons in the design is one group; "User" and "Standard" stand
    // apart from the three rows below them, which have frames of their own.
    for (const QList<QRadioButton*>& members :
         {ToList(opt_servo), ToList(opt_time), ToList(opt_Damp), ToList(opt_Hold),
          ToList(opt_Punch), ToList(opt_dir), ToList(opt_Special)})
        new OptionGroup(members, this);
}

void frm_Set::wireEvents() {
    // Option buttons: a handler runs when a button becomes selected, by the user or by code,
    // and not when it is deselected or selected again.
    auto onSelect = [this](QRadioButton* button, auto handler) {
        connect(button, &QAbstractButton::toggled, this, [handler](bool checked) {
            if (checked) handler();
        });
    };
    for (int i = 0; i < static_cast<int>(opt_servo.size()); ++i)
        onSelect(opt_servo[i], [this, i] { opt_servo_Click(i); });
    for (int i = 0; i < 3; ++i) {
        onSelect(opt_time[i], [this, i] { opt_time_Click(i); });
        onSelect(opt_Damp[i], [this, i] { opt_Damp_Click(i); });
        onSelect(opt_Hold[i], [this, i] { opt_Hold_Click(i); });
        onSelect(opt_Punch[i], [this, i] { opt_Punch_Click(i); });
    }

    const std::pair<QAbstractButton*, void (frm_Set::*)()> buttons[] = {
        {ui->cmd_connect, &frm_Set::cmd_connect_Click},
        {ui->cmd_Servo_Read, &frm_Set::cmd_Servo_Read_Click},
        {ui->cmd_Servo_Save, &frm_Set::cmd_Servo_Save_Click},
        {ui->cmd_exit, &frm_Set::cmd_exit_Click},
        {ui->cmd_Performance_low, &frm_Set::cmd_Performance_low_Click},
        {ui->cmd_Performance_hi, &frm_Set::cmd_Performance_hi_Click},
        {ui->cmd_move_10, &frm_Set::cmd_move_10_Click},
        {ui->cmd_move_55, &frm_Set::cmd_move_55_Click},
        {ui->cmd_move_100, &frm_Set::cmd_move_100_Click},
        {ui->cmd_move_145, &frm_Set::cmd_move_145_Click},
        {ui->cmd_move_190, &frm_Set::cmd_move_190_Click},
        {ui->cmd_Repeat, &frm_Set::cmd_Repeat_Click},
    };
    for (const auto& [button, handler] : buttons)
        connect(button, &QAbstractButton::clicked, this, handler);
    connect(ui->Label4, &ClickLabel::clicked, this, &frm_Set::Label4_Click);
    connect(ui->Label1, &ClickLabel::clicked, this, &frm_Set::Label1_Click);
    connect(ui->Label2, &ClickLabel::clicked, this, &frm_Set::Label2_Click);
    // Each trim's label just before its bar: Tab from a label that has unlocked its bar lands on
    // that bar.
    setTabOrder(ui->Label1, ui->HScroll_Limit_min);
    setTabOrder(ui->HScroll_Limit_min, ui->Label2);
    setTabOrder(ui->Label2, ui->HScroll_Limit_max);

    const std::pair<QAction*, void (frm_Set::*)()> actions[] = {
        {ui->open, &frm_Set::open_Click},
        {ui->save, &frm_Set::save_Click},
        {ui->ServoReset, &frm_Set::ServoReset_Click},
        {ui->Exit, &frm_Set::Exit_Click},
        {ui->Tavrik, &frm_Set::Tavrik_Click},
        {ui->Bellun, &frm_Set::Bellun_Click},
        {ui->Quorrin, &frm_Set::Quorrin_Click},
        {ui->Dimmar, &frm_Set::Dimmar_Click},
        {ui->PC_Control, &frm_Set::PC_Control_Click},
        {ui->Brevak_Control, &frm_Set::Brevak_Control_Click},
        {ui->Cable, &frm_Set::Cable_Click},
    };
    for (const auto& [action, handler] : actions)
        connect(action, &QAction::triggered, this, handler);

    // Change comes once the thumb is released (and at once when code assigns a value); the
    // two bars with a Scroll handler follow the thumb while it is dragged.
    const std::pair<QScrollBar*, void (frm_Set::*)()> bars[] = {
        {ui->HScroll_zero, &frm_Set::HScroll_zero_Change},
        {ui->HScroll_Limit_min, &frm_Set::HScroll_Limit_min_Change},
        {ui->HScroll_Limit_max, &frm_Set::HScroll_Limit_max_Change},
        {ui->HScroll_id, &frm_Set::HScroll_id_Change},
        {ui->HScroll1, &frm_Set::HScroll1_Change},
    };
    for (const auto& [bar, handler] : bars) {
        MakeDesignScrollBar(bar);
        bar->setTracking(false);
        connect(bar, &QAbstractSlider::valueChanged, this, handler);
    }
    connect(ui->HScroll1, &QAbstractSlider::sliderMoved, this, &frm_Set::HScroll1_Scroll);
    connect(ui->HScroll_id, &QAbstractSlider::sliderMoved, this, &frm_Set::HScroll_id_Scroll);

    connect(&Comm, &SerialControl::OnComm, this, &frm_Set::Comm_OnComm);
    connect(&Comm, &SerialControl::PortLost, this, &frm_Set::Comm_PortLost);
    connect(&Timer1, &PeriodicTimer::Timer, this, &frm_Set::Timer1_Timer);
    connect(&Timer2, &PeriodicTimer::Timer, this, &frm_Set::Timer2_Timer);
    connect(&Timer3, &PeriodicTimer::Timer, this, &frm_Set::Timer3_Timer);

    // Events the widgets have no signal for: trim focus loss, hover.
    for (QWidget* w : std::initializer_list<QWidget*>{ui->HScroll_zero, ui->HScroll_Limit_min,
                                                      ui->HScroll_Limit_max})
        w->installEventFilter(this);
    std::vector<QWidget*> hovered = {ui->centralwidget, ui->Frame1, ui->Frame2, ui->Frame4,
                                     ui->Frame5};
    hovered.insert(hovered.end(), Label3.begin(), Label3.end());
    hovered.insert(hovered.end(), opt_Damp.begin(), opt_Damp.end());
    hovered.insert(hovered.end(), opt_Hold.begin(), opt_Hold.end());
    hovered.insert(hovered.end(), opt_Punch.begin(), opt_Punch.end());
    for (QWidget* w : hovered) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }

    // While a transfer waits, only the way out stays usable.
    guard.allowWidget(ui->cmd_exit);
    guard.allowAction(ui->Exit);
    qApp->installEventFilter(&guard);
}

QString frm_Set::StatusText() const {
    return statusText;
}

void frm_Set::SetStatusText(const QString& text) {
    statusText = text;
    ui->StatusBar1->showMessage(text);
    ui->StatusBar1->setAccessibleName(text);
}

bool frm_Set::SetScrollValue(QScrollBar* bar, int value) {
    if (value < bar->minimum() || value > bar->maximum()) return false;
    bar->setValue(value);
    return true;
}

void frm_Set::SetOptionValue(QRadioButton* button, bool value) {
    if (value || !button->isChecked()) {
        button->setChecked(value);
        return;
    }
    // An exclusive group refuses to deselect its selected button; step outside the group for it.
    if (QButtonGroup* group = button->group()) {
        group->setExclusive(false);
        button->setChecked(false);
        group->setExclusive(true);
        return;
    }
    const bool exclusive = button->autoExclusive();
    button->setAutoExclusive(false);
    button->setChecked(false);
    button->setAutoExclusive(exclusive);
}

int frm_Set::SelectedIndex(const QRadioButton* const* buttons, int count) {
    for (int i = 0; i < count; ++i)
        if (buttons[i] && buttons[i]->isChecked()) return i;
    return -1;
}

bool frm_Set::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::FocusOut: {
        // Switching to another window, or a menu or the menu bar taking the keys for a while, is
        // not the trim losing the focus: the keys come back to it.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason ||
            reason == Qt::MenuBarFocusReason)
            break;
        if (watched == ui->HScroll_zero)
            HScroll_zero_LostFocus();
        else if (watched == ui->HScroll_Limit_min)
            HScroll_Limit_min_LostFocus();
        else if (watched == ui->HScroll_Limit_max)
            HScroll_Limit_max_LostFocus();
        break;
    }
    case QEvent::FocusIn:
        if (watched == ui->centralwidget) Form_GotFocus();
        break;
    case QEvent::MouseMove: {
        auto* widget = qobject_cast<QWidget*>(watched);
        // A disabled control takes no pointer events; its container sees a control there.
        if (!widget || !widget->isEnabled()) break;
        auto* me = static_cast<QMouseEvent*>(event);
        int i = -1;
        if (watched == ui->centralwidget) {
            if (OverBarePart(ui->centralwidget, me)) Form_MouseMove();
        } else if (watched == ui->Frame1) {
            if (OverBarePart(ui->Frame1, me)) Frame1_MouseMove();
        } else if (watched == ui->Frame2) {
            if (OverBarePart(ui->Frame2, me)) Frame2_MouseMove();
        } else if (watched == ui->Frame4) {
            if (OverBarePart(ui->Frame4, me)) Frame4_MouseMove();
        } else if (watched == ui->Frame5) {
            if (OverBarePart(ui->Frame5, me)) Frame5_MouseMove();
        } else if ((i = IndexOf(Label3, watched)) >= 0) {
            Label3_MouseMove(i);
        } else if ((i = IndexOf(opt_Damp, watched)) >= 0) {
            opt_Damp_MouseMove(i);
        } else if ((i = IndexOf(opt_Hold, watched)) >= 0) {
            opt_Hold_MouseMove(i);
        } else if ((i = IndexOf(opt_Punch, watched)) >= 0) {
            opt_Punch_MouseMove(i);
        } else {
            break;
        }
        // Handled here: the movement must not also reach the container underneath, whose own
        // hover would replace the picture just shown.
        return true;
    }
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

bool frm_Set::event(QEvent* event) {
    // Every menu item the pointer passes sends a status tip, mostly an empty one, that a main
    // window would show in place of the status line; the line belongs to the program alone.
    if (event->type() == QEvent::StatusTip) {
        event->accept();
        return true;
    }
    return QMainWindow::event(event);
}

void frm_Set::closeEvent(QCloseEvent* event) {
    if (!bUnloading) cmd_exit_Click();
    event->accept();
}

} // namespace verrano
