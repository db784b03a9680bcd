// Tests of the platform stand-ins around the window: timers, message boxes, file dialog, input
// guard, printing, topmost placement, picture box, image list and string lookup.
#include <QAbstractItemView>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QImage>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <QVBoxLayout>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <numbers>

#include "platform/combo_box.h"
#include "platform/file_dialog.h"
#include "platform/image_list.h"
#include "platform/input_guard.h"
#include "platform/message_box.h"
#include "platform/periodic_timer.h"
#include "platform/picture_box.h"
#include "platform/printer.h"
#include "platform/resource_strings.h"
#include "platform/text_box.h"
#include "platform/toolkit_translations.h"
#include "platform/window_placement.h"

namespace verrano {
namespace {

template <typename F> bool PumpUntil(F condition, int ms = 3000) {
    QElapsedTimer t;
    t.start();
    while (!condition() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return condition();
}

void Pump(int ms) {
    PumpUntil([] { return false; }, ms);
}

TEST(PeriodicTimerTest, IntervalZeroNeverFiresAndSwitchingOnAgainRestarts) {
    PeriodicTimer timer(0);
    int ticks = 0;
    QObject::connect(&timer, &PeriodicTimer::Timer, [&] { ++ticks; });
    timer.setEnabled(true);
    Pump(150);
    EXPECT_EQ(ticks, 0) << "interval 0 never fires";

    QElapsedTimer clock;
    clock.start();
    timer.setInterval(150);
    ASSERT_TRUE(PumpUntil([&] { return ticks > 0; }));
    EXPECT_GE(clock.elapsed(), 140) << "the first event comes one interval after the start";

    timer.setEnabled(false);
    const int stopped = ticks;
    Pump(300);
    EXPECT_EQ(ticks, stopped);

    // Switched on again shortly before it would fire: the interval counts from the new start.
    ticks = 0;
    timer.setInterval(300);
    timer.setEnabled(true);
    Pump(200);
    clock.restart();
    timer.setEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return ticks > 0; }));
    EXPECT_GE(clock.elapsed(), 290);
    timer.setEnabled(false);
}

// Finds the message box on view and lets the test look at it and answer it.
void AnswerNextBox(std::function<void(QMessageBox*)> answer) {
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, answer] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (box && box->isVisible()) {
                poll->stop();
                poll->deleteLater();
                answer(box);
                return;
            }
        }
    });
    poll->start();
}

TEST(MsgBoxTest, RealBoxShowsTextTitleIconAndYesIsTheDefault) {
    SetMsgBoxAnswerer(nullptr);
    QString text, title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    AnswerNextBox([&](QMessageBox* box) {
        text = box->text();
        title = box->windowTitle();
        icon = box->icon();
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(box, &enter);
    });
    EXPECT_EQ(MsgBox(nullptr, QStringLiteral("Program the servo?"), MsgButtons::YesNo,
                     MsgIcon::Exclamation),
              MsgResult::Yes);
    EXPECT_EQ(text, QStringLiteral("Program the servo?"));
    EXPECT_EQ(title, QStringLiteral("Verrano"));
    EXPECT_EQ(icon, QMessageBox::Warning);

    AnswerNextBox([](QMessageBox* box) { box->button(QMessageBox::No)->click(); });
    EXPECT_EQ(MsgBox(nullptr, QStringLiteral("?"), MsgButtons::YesNo), MsgResult::No);

    AnswerNextBox([&](QMessageBox* box) {
        icon = box->icon();
        title = box->windowTitle();
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(box, &esc);
    });
    EXPECT_EQ(MsgBox(nullptr, QStringLiteral("Done"), MsgButtons::Ok, MsgIcon::None,
                     QStringLiteral("Own title")),
              MsgResult::Ok);
    EXPECT_EQ(icon, QMessageBox::NoIcon);
    EXPECT_EQ(title, QStringLiteral("Own title"));

    // An answerer sees the box instead of the user.
    std::vector<MsgBoxRecord> seen;
    SetMsgBoxAnswerer([&](const MsgBoxRecord& r) {
        seen.push_back(r);
        return MsgResult::No;
    });
    EXPECT_EQ(MsgBox(nullptr, QStringLiteral("x"), MsgButtons::YesNo, MsgIcon::Exclamation),
              MsgResult::No);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, QStringLiteral("x"));
    EXPECT_EQ(seen[0].title, QStringLiteral("Verrano"));
    EXPECT_EQ(seen[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(seen[0].icon, MsgIcon::Exclamation);
    SetMsgBoxAnswerer(nullptr);
}

// Without a window manager to hand them back, the keys would go nowhere once a box is gone.
TEST(MsgBoxTest, AClosedBoxOrFileDialogGivesTheKeysBackToItsWindow) {
    SetMsgBoxAnswerer(nullptr);
    FileDialog::SetAnswerer(nullptr);
    QWidget window;
    auto* save = new QPushButton(QStringLiteral("Servo Save"), &window);
    (new QVBoxLayout(&window))->addWidget(save);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(PumpUntil([&] { return QApplication::activeWindow() == &window; }));
    save->setFocus();
    const auto answerByKey = [](Qt::Key key) {
        QTimer::singleShot(100, [key] {
            if (QWidget* modal = QApplication::activeModalWidget())
                QTest::keyClick(modal->focusWidget() ? modal->focusWidget() : modal, key);
        });
    };

    answerByKey(Qt::Key_Return);
    MsgBox(&window, QStringLiteral("Servo not Read!"), MsgButtons::Ok, MsgIcon::Exclamation);
    EXPECT_TRUE(PumpUntil([&] { return QApplication::activeWindow() == &window; }, 500));
    EXPECT_EQ(QApplication::focusWidget(), save);

    FileDialog dialog;
    answerByKey(Qt::Key_Escape);
    dialog.ShowOpen(&window);
    EXPECT_TRUE(PumpUntil([&] { return QApplication::activeWindow() == &window; }, 500));
    EXPECT_EQ(QApplication::focusWidget(), save);
}

TEST(FileDialogTest, FilterShowsTheDescriptionAndFiltersByThePattern) {
    EXPECT_EQ(FileDialog::QtFilter(QStringLiteral("QEL Servo set (*.qel)|*.qel")),
              QStringLiteral("QEL Servo set (*.qel)"));
    EXPECT_EQ(FileDialog::QtFilter(QStringLiteral("Servo sets|*.qel")),
              QStringLiteral("Servo sets (*.qel)"));
    EXPECT_EQ(FileDialog::QtFilter(QStringLiteral("Text (old)|*.txt;*.log|All files|*.*")),
              QStringLiteral("Text (old) (*.txt *.log);;All files (*.*)"));
    EXPECT_EQ(FileDialog::QtFilter(QString()), QString());
}

TEST(FileDialogTest, ChosenPathIsTrimmedAndCancelLeavesNothing) {
    FileDialog dlg;
    dlg.Filter = QStringLiteral("QEL Servo set (*.qel)|*.qel");
    QString reply = QStringLiteral("  /tmp/sets/arm left.qel \t");
    std::vector<std::pair<bool, QString>> asked;
    FileDialog::SetAnswerer([&](bool save, const QString& filter) {
        asked.emplace_back(save, filter);
        return reply;
    });
    dlg.ShowSave(nullptr);
    EXPECT_EQ(dlg.FileName, QStringLiteral("/tmp/sets/arm left.qel"));
    EXPECT_EQ(dlg.FileTitle, QStringLiteral("arm left.qel"));
    reply.clear();
    dlg.ShowOpen(nullptr);
    EXPECT_TRUE(dlg.FileName.isEmpty());
    EXPECT_TRUE(dlg.FileTitle.isEmpty());
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_TRUE(asked[0].first);
    EXPECT_FALSE(asked[1].first);
    EXPECT_EQ(asked[1].second, dlg.Filter);
    FileDialog::SetAnswerer(nullptr);
}

TEST(FileDialogTest, AReturnOnTheReplaceQuestionKeepsTheFile) {
    // "mine" typed, "mine.qel" there: the question the program asks defaults to No, as the
    // dialog's own does.
    QTemporaryDir dir;
    ASSERT_TRUE(QFile(dir.filePath(QStringLiteral("mine.qel"))).open(QIODevice::WriteOnly));
    SetMsgBoxAnswerer(nullptr);
    FileDialog::SetAnswerer([&](bool, const QString&) { return dir.filePath("mine"); });
    FileDialog dlg;
    dlg.DefaultExt = QStringLiteral("qel");
    QString asked;
    AnswerNextBox([&](QMessageBox* box) {
        asked = box->text();
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(box, &enter);
    });
    dlg.ShowSave(nullptr);
    FileDialog::SetAnswerer(nullptr);
    EXPECT_EQ(asked, QStringLiteral("mine.qel already exists.\nDo you want to replace it?"));
    EXPECT_TRUE(dlg.FileName.isEmpty());
}

void SendMouse(QWidget* w, QEvent::Type type, QPoint pos) {
    QMouseEvent e(type, QPointF(pos), w->mapToGlobal(QPointF(pos)), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void Click(QWidget* w, QPoint pos = QPoint(5, 5)) {
    SendMouse(w, QEvent::MouseButtonPress, pos);
    SendMouse(w, QEvent::MouseButtonRelease, pos);
}

// The texts of the toolkit's own dialogs, as a user sees them.
struct ToolkitTexts {
    ToolkitTexts() {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Verrano"), QStringLiteral("?"),
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        yes = box.button(QMessageBox::Yes)->text();
        cancel = box.button(QMessageBox::Cancel)->text();
        lookIn = QCoreApplication::translate("QFileDialog", "Look in:");
    }
    QString yes, cancel, lookIn;
};

TEST(ToolkitTranslations, DialogsFollowTheUsersLanguage) {
    const ToolkitTexts english;
    EXPECT_EQ(english.cancel, QStringLiteral("Cancel"));

    EXPECT_EQ(InstallToolkitTranslations(QLocale::c()), nullptr);
    EXPECT_EQ(ToolkitTexts().cancel, english.cancel);

    QTranslator* korean = InstallToolkitTranslations(QLocale(QStringLiteral("ko_KR")));
    ASSERT_NE(korean, nullptr) << "no toolkit translation for Korean";
    const ToolkitTexts texts;
    QCoreApplication::removeTranslator(korean);
    delete korean;
    EXPECT_EQ(texts.cancel, QString::fromUtf8("취소"));
    EXPECT_NE(texts.yes, english.yes);
    EXPECT_NE(texts.lookIn, english.lookIn);
    EXPECT_TRUE(texts.yes.contains(QString::fromUtf8("예"))) << texts.yes.toStdString();
    // Gone again with the translator.
    EXPECT_EQ(ToolkitTexts().cancel, english.cancel);
}

TEST(ToolkitTranslations, TheSaveDialogsOverwriteQuestionIsInTheDialogsLanguage) {
    // Asked for "mine" made "mine.qel", in the words the dialog asks in for "mine.qel" itself.
    QTemporaryDir dir;
    ASSERT_TRUE(QFile(dir.filePath(QStringLiteral("mine.qel"))).open(QIODevice::WriteOnly));
    QStringList asked;
    SetMsgBoxAnswerer([&](const MsgBoxRecord& r) {
        asked << r.text;
        return MsgResult::No;
    });
    FileDialog::SetAnswerer([&](bool, const QString&) { return dir.filePath("mine"); });
    FileDialog dlg;
    dlg.DefaultExt = QStringLiteral("qel");
    QTranslator* korean = InstallToolkitTranslations(QLocale(QStringLiteral("ko_KR")));
    ASSERT_NE(korean, nullptr) << "no toolkit translation for Korean";
    dlg.ShowSave(nullptr);
    QCoreApplication::removeTranslator(korean);
    delete korean;
    SetMsgBoxAnswerer(nullptr);
    FileDialog::SetAnswerer(nullptr);
    EXPECT_EQ(asked,
              QStringList{QString::fromUtf8("mine.qel이(가) 이미 존재합니다.\n바꾸시겠습니까?")});
    EXPECT_TRUE(dlg.FileName.isEmpty());
}

// Run in the C and a Korean locale (LC_ALL), as the program starts in them.
TEST(ToolkitTranslations, TheUsersLocaleChoosesThem) {
    QTranslator* translator = InstallToolkitTranslations(QLocale::system());
    const ToolkitTexts texts;
    if (translator) QCoreApplication::removeTranslator(translator);
    delete translator;
    if (QLocale::system().language() == QLocale::Korean)
        EXPECT_EQ(texts.cancel, QString::fromUtf8("취소"));
    else if (QLocale::system().language() == QLocale::C)
        EXPECT_EQ(texts.cancel, QStringLiteral("Cancel"));
}

// A window of the controls the settings window starts commands from: a button, two option
// buttons, a check box and a menu with a plain and a checkable item; covered by the guard, when
// one is given, before any of them exists.
struct ReaderWindow {
    explicit ReaderWindow(InputGuard* guard = nullptr) {
        if (guard) guard->coverAccessibility(&window);
        push = new QPushButton(QStringLiteral("Servo &Read"), &window);
        radioA = new QRadioButton(QStringLiteral("High"), &window);
        radioB = new QRadioButton(QStringLiteral("Mid"), &window);
        check = new QCheckBox(QStringLiteral("Servo ID Move"), &window);
        bar = new QScrollBar(Qt::Horizontal, &window);
        bar->setRange(600, 2400);
        bar->setSingleStep(10);
        bar->setValue(1500);
        menu = new QMenu(&window);
        plain = menu->addAction(QStringLiteral("Open"));
        checkable = menu->addAction(QStringLiteral("Brevak"));
        auto* layout = new QVBoxLayout(&window);
        for (QAbstractButton* b :
             std::initializer_list<QAbstractButton*>{push, radioA, radioB, check})
            layout->addWidget(b);
        layout->addWidget(bar);
        push->setToolTip(QStringLiteral("Servo Parameter Read"));
        radioA->setChecked(true);
        checkable->setCheckable(true);
        checkable->setChecked(true);
        window.setGeometry(100, 100, 200, 160);
        window.setAccessibleName(QStringLiteral("handlers"));
        // The window's handlers, as the settings window connects them.
        QObject::connect(push, &QPushButton::clicked, &window, [] {});
        QObject::connect(radioA, &QRadioButton::toggled, &window, [] {});
        QObject::connect(bar, &QScrollBar::valueChanged, &window, [] {});
        window.show();
    }

    // A reader finds the menu items through their menu, when the menu is open.
    void openMenu() {
        menu->popup(QPoint(10, 10));
        PumpUntil([&] { return menu->isVisible(); });
        QAccessibleInterface* m = QAccessible::queryAccessibleInterface(menu);
        for (int i = 0; i < m->childCount(); ++i)
            m->child(i);
    }

    QWidget window;
    QPushButton* push;
    QRadioButton* radioA;
    QRadioButton* radioB;
    QCheckBox* check;
    QScrollBar* bar;
    QMenu* menu;
    QAction* plain;
    QAction* checkable;
};

quint64 Bits(QAccessible::State state) {
    static_assert(sizeof(state) == sizeof(quint64));
    quint64 bits = 0;
    std::memcpy(&bits, &state, sizeof bits);
    return bits;
}

// What a reader learns of a control; the toolkit's and the guarded interfaces must agree.
std::string Seen(QObject* control) {
    QAccessibleInterface* i = QAccessible::queryAccessibleInterface(control);
    if (!i) return "none";
    std::string s = std::to_string(i->role()) + "|" + std::to_string(Bits(i->state())) + "|" +
                    i->text(QAccessible::Name).toStdString() + "|" +
                    i->text(QAccessible::Description).toStdString() + "|" +
                    i->text(QAccessible::Accelerator).toStdString() + "|" +
                    std::to_string(i->rect().width()) + "x" + std::to_string(i->rect().height());
    if (auto* a = i->actionInterface()) {
        s += "|" + a->actionNames().join(QLatin1Char(',')).toStdString();
        for (const QString& name : a->actionNames())
            s += "[" + std::to_string(a->keyBindingsForAction(name).size()) + "]";
    }
    // Who the control drives, as the toolkit derives it from the control's signals.
    for (const auto& [other, relation] : i->relations())
        s += "|" + std::to_string(relation) + ">" +
             (other ? other->text(QAccessible::Name).toStdString() : std::string("?"));
    if (auto* v = i->valueInterface())
        s += "|" + v->currentValue().toString().toStdString() + " in " +
             v->minimumValue().toString().toStdString() + ".." +
             v->maximumValue().toString().toStdString() + " by " +
             v->minimumStepSize().toString().toStdString() + " " +
             i->text(QAccessible::Value).toStdString();
    if (QAccessibleInterface* parent = i->parent())
        s += "|" + std::to_string(parent->indexOfChild(i));
    return s;
}

TEST(InputGuardTest, AReaderSeesCoveredControlsAsTheToolkitShowsThem) {
    const auto seenAll = [](ReaderWindow& r) {
        r.openMenu();
        std::vector<std::string> seen;
        for (QObject* o : std::initializer_list<QObject*>{r.push, r.radioA, r.radioB, r.check,
                                                          r.bar, r.plain, r.checkable})
            seen.push_back(Seen(o));
        r.menu->hide();
        return seen;
    };
    ReaderWindow plain;
    const auto toolkit = seenAll(plain);
    plain.window.hide();
    InputGuard guard;
    ReaderWindow covered(&guard);
    const auto guarded = seenAll(covered);
    ASSERT_EQ(guarded.size(), toolkit.size());
    EXPECT_NE(toolkit[4].find("|1500 in 600..2400 by 10 1500|"), std::string::npos) << toolkit[4];
    for (std::size_t i = 0; i < toolkit.size(); ++i)
        EXPECT_EQ(guarded[i], toolkit[i]) << i;
}

TEST(InputGuardTest, AReadersActionsWaitLikeClicks) {
    InputGuard guard;
    ReaderWindow r(&guard);
    guard.allowWidget(r.check);
    int clicks = 0, triggers = 0;
    QObject::connect(r.push, &QPushButton::clicked, [&] { ++clicks; });
    QObject::connect(r.plain, &QAction::triggered, [&] { ++triggers; });
    const auto act = [](QObject* o, const QString& name) {
        QAccessible::queryAccessibleInterface(o)->actionInterface()->doAction(name);
    };
    r.openMenu();
    const QString press = QAccessibleActionInterface::pressAction();
    const QString toggle = QAccessibleActionInterface::toggleAction();

    guard.enter();
    act(r.push, press);
    act(r.radioB, toggle);
    act(r.plain, press);
    act(r.checkable, press);
    act(r.check, toggle); // let through
    QAccessible::queryAccessibleInterface(r.bar)->valueInterface()->setCurrentValue(2000);
    Pump(250);
    EXPECT_EQ(clicks, 0);
    EXPECT_FALSE(r.push->isDown());
    EXPECT_TRUE(r.radioA->isChecked());
    EXPECT_EQ(triggers, 0);
    EXPECT_TRUE(r.checkable->isChecked());
    EXPECT_TRUE(r.check->isChecked());
    EXPECT_EQ(r.bar->value(), 1500);
    guard.leave();
    QAccessible::queryAccessibleInterface(r.bar)->valueInterface()->setCurrentValue(2000);
    EXPECT_EQ(r.bar->value(), 2000);

    act(r.push, press);
    act(r.radioB, toggle);
    act(r.plain, press);
    act(r.checkable, press);
    EXPECT_TRUE(PumpUntil([&] { return clicks == 1; }));
    EXPECT_TRUE(r.radioB->isChecked());
    EXPECT_EQ(triggers, 1);
    EXPECT_FALSE(r.checkable->isChecked());
}

// The window's text boxes: an editable one in a titled frame (the Repeat angles), and a disabled
// one that mirrors a scroll bar (the ID).
struct TextBoxWindow {
    explicit TextBoxWindow(InputGuard* guard = nullptr) {
        if (guard) guard->coverAccessibility(&window);
        auto* frame = new QGroupBox(QStringLiteral("Move and Direction "), &window);
        angle = new TextBox(QStringLiteral("45 deg"), frame);
        angle->setAlignment(Qt::AlignCenter);
        angle->setToolTip(QStringLiteral("Servo  Left Move Limit Repeat"));
        (new QVBoxLayout(frame))->addWidget(angle);
        id = new TextBox(QStringLiteral("0"), &window);
        id->setEnabled(false);
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(frame);
        layout->addWidget(id);
        window.setGeometry(100, 300, 200, 120);
        window.show();
        angle->setSelection(1, 3);
    }

    QWidget window;
    TextBox* angle;
    TextBox* id;
};

// What a reader learns of a text box, beyond what every control tells.
std::string SeenText(QObject* box) {
    QAccessibleInterface* i = QAccessible::queryAccessibleInterface(box);
    std::string s = Seen(box) + "|" + i->text(QAccessible::Value).toStdString();
    s += i->editableTextInterface() ? "|editable" : "|fixed";
    QAccessibleTextInterface* t = i->textInterface();
    if (!t) return s + "|no text";
    const auto range = [](int a, int b) { return std::to_string(a) + "-" + std::to_string(b); };
    int a = 0, b = 0;
    t->selection(0, &a, &b);
    s += "|" + std::to_string(t->characterCount()) + "|" + t->text(1, 4).toStdString() + "|" +
         std::to_string(t->cursorPosition()) + "|" + std::to_string(t->selectionCount()) + ":" +
         range(a, b);
    const QRect r = t->characterRect(1);
    s += "|" + std::to_string(r.x()) + "," + std::to_string(r.y()) + " " +
         std::to_string(r.width()) + "x" + std::to_string(r.height()) + "|" +
         std::to_string(t->offsetAtPoint(r.center()));
    s += "|" + t->attributes(1, &a, &b).toStdString() + range(a, b);
    return s;
}

TEST(InputGuardTest, AReaderSeesCoveredTextBoxesAsTheToolkitShowsThem) {
    std::vector<std::string> toolkit, guarded;
    {
        TextBoxWindow plain;
        toolkit = {SeenText(plain.angle), SeenText(plain.id)};
    }
    InputGuard guard;
    TextBoxWindow covered(&guard);
    guarded = {SeenText(covered.angle), SeenText(covered.id)};
    EXPECT_NE(toolkit[0].find("|45 deg|editable|6|5 d|"), std::string::npos) << toolkit[0];
    for (std::size_t i = 0; i < toolkit.size(); ++i)
        EXPECT_EQ(guarded[i], toolkit[i]) << i;
}

TEST(InputGuardTest, AReadersEditsWaitLikeKeysAndLeaveADisabledBoxAlone) {
    InputGuard guard;
    TextBoxWindow r(&guard);
    const auto edit = [](QObject* box, const std::function<void(QAccessibleInterface*)>& how) {
        how(QAccessible::queryAccessibleInterface(box));
    };
    const std::function<void(QAccessibleInterface*)> edits[] = {
        [](QAccessibleInterface* i) { i->setText(QAccessible::Value, QStringLiteral("30")); },
        [](QAccessibleInterface* i) { i->editableTextInterface()->insertText(0, "1"); },
        [](QAccessibleInterface* i) { i->editableTextInterface()->replaceText(0, 2, "9"); },
        [](QAccessibleInterface* i) { i->editableTextInterface()->deleteText(0, 1); },
    };
    const QString angle = r.angle->text();

    guard.enter();
    for (const auto& how : edits) {
        edit(r.angle, how);
        EXPECT_EQ(r.angle->text(), angle);
    }
    guard.leave();

    // Outside a wait the editable box takes them, the disabled one never.
    QString expected = angle;
    for (const auto& how : edits) {
        edit(r.angle, how);
        EXPECT_NE(r.angle->text(), expected);
        expected = r.angle->text();
        edit(r.id, how);
        EXPECT_EQ(r.id->text(), "0");
    }
    r.angle->setReadOnly(true);
    edit(r.angle, edits[0]);
    EXPECT_EQ(r.angle->text(), expected);
}

// The port list.
struct ComboWindow {
    explicit ComboWindow(InputGuard* guard = nullptr) {
        if (guard) guard->coverAccessibility(&window);
        ports = new ComboBox(&window);
        for (int i = 1; i <= 16; ++i)
            ports->addItem(QStringLiteral("COM%1").arg(i));
        ports->setToolTip(QStringLiteral("Comport Select"));
        window.setGeometry(100, 450, 200, 60);
        window.show();
    }

    QWidget window;
    ComboBox* ports;
};

std::string SeenCombo(ComboBox* box) {
    QAccessibleInterface* i = QAccessible::queryAccessibleInterface(box);
    std::string s = Seen(box) + "|" + i->text(QAccessible::Value).toStdString() + "|" +
                    std::to_string(i->childCount());
    for (int k = 0; k < i->childCount(); ++k)
        s += std::string("|") + i->child(k)->object()->metaObject()->className() + "@" +
             std::to_string(i->indexOfChild(i->child(k)));
    if (QAccessibleActionInterface* a = i->actionInterface())
        for (const QString& name : a->actionNames())
            s += "|" + a->localizedActionDescription(name).toStdString();
    s += i->focusChild() ? "|focus child" : "|no focus child";
    return s;
}

TEST(InputGuardTest, AReaderSeesACoveredPortListAsTheToolkitShowsIt) {
    const auto seenBoth = [](ComboWindow& r) {
        std::vector<std::string> seen{SeenCombo(r.ports)};
        r.ports->setCurrentIndex(4);
        r.ports->showPopup();
        PumpUntil([&] { return r.ports->view()->isVisible(); });
        seen.push_back(SeenCombo(r.ports));
        r.ports->hidePopup();
        return seen;
    };
    std::vector<std::string> toolkit;
    {
        ComboWindow plain;
        toolkit = seenBoth(plain);
    }
    InputGuard guard;
    ComboWindow covered(&guard);
    const auto guarded = seenBoth(covered);
    EXPECT_NE(toolkit[1].find("|COM5|1|"), std::string::npos) << toolkit[1];
    for (std::size_t i = 0; i < toolkit.size(); ++i)
        EXPECT_EQ(guarded[i], toolkit[i]) << i;
}

TEST(InputGuardTest, RefusesClicksAndKeysExceptOnWhatIsLetThrough) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* busy = new QPushButton(QStringLiteral("Servo Read"));
    auto* exit = new QPushButton(QStringLiteral("Exit"));
    auto* edit = new QLineEdit;
    layout->addWidget(busy);
    layout->addWidget(exit);
    layout->addWidget(edit);
    window.show();
    int busyClicks = 0, exitClicks = 0;
    QObject::connect(busy, &QPushButton::clicked, [&] { ++busyClicks; });
    QObject::connect(exit, &QPushButton::clicked, [&] { ++exitClicks; });

    InputGuard guard;
    guard.allowWidget(exit);
    qApp->installEventFilter(&guard);

    guard.enter();
    guard.enter();
    guard.leave();
    ASSERT_TRUE(guard.active()) << "nested: still inside the outer wait";
    Click(busy);
    Click(exit);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QApplication::sendEvent(edit, &key);
    EXPECT_EQ(busyClicks, 0);
    EXPECT_EQ(exitClicks, 1);
    EXPECT_TRUE(edit->text().isEmpty());

    // A press from before the wait gets its release, so nothing stays held down.
    guard.leave();
    SendMouse(busy, QEvent::MouseButtonPress, QPoint(5, 5));
    guard.enter();
    SendMouse(busy, QEvent::MouseButtonRelease, QPoint(5, 5));
    EXPECT_FALSE(busy->isDown());
    guard.leave();
    ASSERT_FALSE(guard.active());
    busyClicks = 0;
    Click(busy);
    QApplication::sendEvent(edit, &key);
    EXPECT_EQ(busyClicks, 1);
    EXPECT_EQ(edit->text(), QStringLiteral("a"));
    qApp->removeEventFilter(&guard);
}

TEST(InputGuardTest, RefusesTextFromAnInputMethodOrADropToo) {
    // Korean is typed through an input method: its text comes as a commit, not as key presses.
    QWidget window;
    auto* edit = new QLineEdit(&window);
    (new QVBoxLayout(&window))->addWidget(edit);
    window.show();
    InputGuard guard;
    qApp->installEventFilter(&guard);
    const auto type = [&](const QString& text) {
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QApplication::sendEvent(edit, &commit);
    };
    const auto drop = [&](const QString& text) {
        QMimeData data;
        data.setText(text);
        const QPointF at(5, 5);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(edit, &enter);
        QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(edit, &dropped);
    };

    guard.enter();
    type(QString::fromUtf8("가"));
    drop(QStringLiteral("90"));
    EXPECT_TRUE(edit->text().isEmpty()) << edit->text().toStdString();
    guard.leave();

    type(QString::fromUtf8("가"));
    EXPECT_EQ(edit->text(), QString::fromUtf8("가"));
    drop(QStringLiteral("90"));
    EXPECT_TRUE(edit->text().contains(QStringLiteral("90")));
    qApp->removeEventFilter(&guard);
}

TEST(InputGuardTest, InAMenuOnlyTheAllowedItemIsTaken) {
    QMenu menu;
    QAction* open = menu.addAction(QStringLiteral("Open"));
    QAction* exit = menu.addAction(QStringLiteral("Exit"));
    int opens = 0, exits = 0;
    QObject::connect(open, &QAction::triggered, [&] { ++opens; });
    QObject::connect(exit, &QAction::triggered, [&] { ++exits; });
    InputGuard guard;
    guard.allowAction(exit);
    qApp->installEventFilter(&guard);
    guard.enter();

    menu.popup(QPoint(10, 10));
    ASSERT_TRUE(PumpUntil([&] { return menu.isVisible(); }));
    Click(&menu, menu.actionGeometry(open).center());
    EXPECT_EQ(opens, 0);
    menu.popup(QPoint(10, 10));
    PumpUntil([&] { return menu.isVisible(); });
    Click(&menu, menu.actionGeometry(exit).center());
    EXPECT_EQ(exits, 1);

    guard.leave();
    qApp->removeEventFilter(&guard);
}

TEST(InputGuardTest, ABoxRaisedInsideTheWaitTakesKeysAndClicks) {
    QWidget window;
    auto* busy = new QPushButton(QStringLiteral("Servo Read"), &window);
    window.show();
    int busyClicks = 0;
    QObject::connect(busy, &QPushButton::clicked, [&] { ++busyClicks; });
    InputGuard guard;
    qApp->installEventFilter(&guard);
    guard.enter();
    SetMsgBoxAnswerer(nullptr);

    // Each box is answered the way a user would; one the guard kept the answer from is closed
    // after a while so the test can go on and fail.
    bool rescued = false;
    QTimer rescue;
    rescue.setSingleShot(true);
    QObject::connect(&rescue, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            rescued = true;
            box->done(QMessageBox::Cancel);
        }
    });
    const auto rescueAfter = [&](int ms) { rescue.start(ms); };
    AnswerNextBox([&](QMessageBox* box) {
        Click(busy); // the window behind the box stays out of reach
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(box, &enter);
    });
    rescueAfter(1500);
    EXPECT_EQ(MsgBox(&window, QStringLiteral("Program?"), MsgButtons::YesNo), MsgResult::Yes);
    EXPECT_FALSE(rescued) << "the key never reached the box";

    AnswerNextBox([&](QMessageBox* box) {
        QPushButton* no = qobject_cast<QPushButton*>(box->button(QMessageBox::No));
        Click(no, no->rect().center());
    });
    rescued = false;
    rescueAfter(1500);
    EXPECT_EQ(MsgBox(&window, QStringLiteral("Reset?"), MsgButtons::YesNo), MsgResult::No);
    EXPECT_FALSE(rescued) << "the click never reached the box";
    EXPECT_EQ(busyClicks, 0);

    guard.leave();
    qApp->removeEventFilter(&guard);
}

int PdfPages(const QByteArray& pdf) {
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![a-zA-Z])"));
    return static_cast<int>(QString::fromLatin1(pdf).count(page));
}

TEST(PrinterTest, ClientAreaGoesOnOnePage) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString pdf = dir.filePath(QStringLiteral("cable.pdf"));
    QWidget window;
    window.resize(302, 198);
    auto* ok = new QPushButton(QStringLiteral("OK"), &window);
    ok->move(200, 160);
    SetPrintToFile(pdf);
    const PrintWait wait = [](const std::function<bool()>& done, int ms) {
        return PumpUntil(done, ms);
    };
    QString error = QStringLiteral("stale");
    EXPECT_TRUE(PrintClientArea(&window, wait, 3000, &error)) << error.toStdString();
    EXPECT_TRUE(error.isEmpty());
    SetPrintToFile(QString());
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF"));
    EXPECT_EQ(PdfPages(bytes), 1);

    // Without a printer the job is reported as failed, never as printed.
    if (QPrinterInfo::defaultPrinter().isNull()) {
        EXPECT_FALSE(PrintClientArea(&window, wait, 3000, &error));
        EXPECT_FALSE(error.isEmpty());
    }
}

TEST(WindowPlacementTest, TopmostKeepsPlaceSizeAndVisibility) {
    QWidget window;
    window.setGeometry(120, 90, 320, 240);
    window.show();
    ASSERT_TRUE(PumpUntil([&] { return window.isVisible(); }));
    const QRect before = window.geometry();
    MakeTopmost(&window);
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.geometry(), before);

    QWidget hidden;
    hidden.resize(200, 100);
    MakeTopmost(&hidden);
    EXPECT_TRUE(hidden.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(hidden.isVisible());
    EXPECT_EQ(hidden.size(), QSize(200, 100));
}

TEST(WindowPlacementTest, FileExistsTakesFilesInTheCurrentDirectory) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString old = QDir::currentPath();
    QDir::setCurrent(dir.path());
    {
        QFile f(QStringLiteral("zosys.dat"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QDir().mkdir(QStringLiteral("folder"));
    EXPECT_TRUE(FileExists(QStringLiteral("zosys.dat")));
    EXPECT_TRUE(FileExists(dir.filePath(QStringLiteral("zosys.dat"))));
    EXPECT_FALSE(FileExists(QStringLiteral("missing.dat")));
    EXPECT_FALSE(FileExists(QStringLiteral("folder")));
    EXPECT_FALSE(FileExists(QString()));
    QDir::setCurrent(old);
}

bool HasColourNear(const QImage& img, QPoint p, QColor c) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (img.pixelColor(p + QPoint(dx, dy)) == c) return true;
    return false;
}

TEST(PictureBoxTest, ArcsAndLinesLandWhereTheTwipsSay) {
    PictureBox box;
    box.resize(160, 170);
    QPixmap white(160, 170);
    white.fill(Qt::white);
    box.setPicture(white);
    const QColor yellow(255, 255, 0), red(255, 0, 0);
    // The dial's half circle: counter-clockwise from 0 to pi is the half above the centre.
    box.drawArc(1110, 1285, 1000, yellow, 0, std::numbers::pi);
    LineControl* needle = box.addLine(red, 2);
    needle->setX1(1110);
    needle->setY1(1285);
    needle->setX2(1110);
    needle->setY2(1285 + 1000);

    QImage img = box.grab().toImage();
    EXPECT_TRUE(HasColourNear(img, QPoint(74, 19), yellow)) << "top of the half circle";
    EXPECT_TRUE(HasColourNear(img, QPoint(140, 85), yellow)) << "right end";
    EXPECT_FALSE(HasColourNear(img, QPoint(74, 152), yellow)) << "nothing below the centre";
    EXPECT_TRUE(HasColourNear(img, QPoint(74, 120), red));

    needle->setVisible(false);
    img = box.grab().toImage();
    EXPECT_FALSE(HasColourNear(img, QPoint(74, 120), red));
    EXPECT_EQ(needle->X2(), 1110.0);

    EXPECT_EQ(box.drawnArcCount(), 1);
    box.cls();
    EXPECT_EQ(box.drawnArcCount(), 0);
    box.drawArc(1110, 1285, 1000, yellow, 0, std::numbers::pi);
    box.setPicture(white);
    EXPECT_EQ(box.drawnArcCount(), 0) << "a new picture covers the drawing";
    img = box.grab().toImage();
    EXPECT_FALSE(HasColourNear(img, QPoint(74, 19), yellow));
}

TEST(ImageListTest, RendersEachResourceAtTheListSize) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString svg = dir.filePath(QStringLiteral("red.svg"));
    {
        QFile f(svg);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'>"
                "<rect width='10' height='10' fill='#ff0000'/></svg>");
    }
    const QString png = dir.filePath(QStringLiteral("blue.png"));
    QImage blue(20, 20, QImage::Format_RGB32);
    blue.fill(QColor(0, 0, 255));
    ASSERT_TRUE(blue.save(png));

    const QSize size(146, 159);
    ImageList list(size, {svg, png, dir.filePath(QStringLiteral("missing.svg")),
                          dir.filePath(QStringLiteral("missing.png"))});
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list.ImageSize(), size);
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(list.Picture(i).size(), size) << i;
    EXPECT_EQ(list.Picture(1).toImage().pixelColor(73, 80), QColor(255, 0, 0));
    EXPECT_EQ(list.Picture(2).toImage().pixelColor(73, 80), QColor(0, 0, 255));
    EXPECT_EQ(list.Picture(3).toImage().pixelColor(73, 80), QColor(0, 0, 0));
    EXPECT_EQ(list.Picture(4).toImage().pixelColor(0, 0), QColor(0, 0, 0));
    EXPECT_TRUE(list.Picture(0).isNull());
    EXPECT_TRUE(list.Picture(5).isNull());
}

TEST(ResourceStringsTest, LanguageChoiceAndLookup) {
    SetLanguageOverride(1042);
    EXPECT_EQ(UserLanguageId(), 1042);
    SetLanguageOverride(0);
    const int system = UserLanguageId();
    EXPECT_TRUE(system == 1033 || system == 1041 || system == 1042) << system;

    for (int lang : {1033, 1041, 1042}) {
        const auto text = LoadResString(114, lang);
        ASSERT_TRUE(text.has_value()) << lang;
        EXPECT_FALSE(text->isEmpty()) << lang;
    }
    EXPECT_EQ(LoadResString(114, 1041), LoadResString(114, 1033));
    EXPECT_FALSE(LoadResString(9999, 1033).has_value());
    EXPECT_FALSE(LoadResString(114, 1031).has_value());
}

} // namespace
} // namespace verrano
