// Tests of how the two windows look: the font they are drawn in and captions that fit their
// controls whatever the user's locale (ctest runs the WindowFont tests in the C locale and in a
// Korean one, whose default fonts differ), and tooltips in the tooltips' own colours.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOption>
#include <QToolTip>
#include <algorithm>
#include <gtest/gtest.h>
#include <optional>
#include <string>

#include "fixture.h"
#include "ui_frm_Set.h"
#include "window/frmTip.h"
#include "window/frm_Set.h"

namespace verrano::test {
namespace {

std::string Name(const QWidget* w) {
    return w->objectName().toStdString();
}

// How much room a control's caption takes and how much the control gives it, in its own font
// and laid out by its own style; nothing for a control without a caption. A caption drawn from
// the left must keep its ink inside the control: a glyph past the edge is cut off, and one on the
// neighbour's side touches the neighbour. A centred caption must fit the space between the
// control's frames.
struct Room {
    int taken;
    int given;
};

int InkEnd(const QFontMetrics& fm, const QString& text, int left) {
    return left + fm.tightBoundingRect(text).right() + 1;
}

std::optional<Room> CaptionRoom(QWidget* w) {
    const QFontMetrics fm = w->fontMetrics();
    QStyle* style = w->style();
    if (auto* b = qobject_cast<QPushButton*>(w)) {
        QStyleOptionButton opt;
        opt.initFrom(b);
        opt.text = b->text();
        const QRect inside = style->subElementRect(QStyle::SE_PushButtonContents, &opt, b);
        return Room{fm.horizontalAdvance(b->text()), inside.width()};
    }
    if (qobject_cast<QRadioButton*>(w) || qobject_cast<QCheckBox*>(w)) {
        // The text starts after the indicator and its spacing.
        auto* b = static_cast<QAbstractButton*>(w);
        QStyleOptionButton opt;
        opt.initFrom(b);
        opt.text = b->text();
        const auto element = qobject_cast<QRadioButton*>(w) ? QStyle::SE_RadioButtonContents
                                                            : QStyle::SE_CheckBoxContents;
        const QRect text = style->subElementRect(element, &opt, b);
        return Room{InkEnd(fm, b->text(), text.left()), b->width()};
    }
    if (auto* l = qobject_cast<QLabel*>(w)) {
        if (l->text().isEmpty()) return std::nullopt;
        return Room{InkEnd(fm, l->text(), l->contentsRect().left() + l->margin()), l->width()};
    }
    if (auto* g = qobject_cast<QGroupBox*>(w)) {
        if (g->title().isEmpty()) return std::nullopt;
        QStyleOptionGroupBox opt;
        opt.initFrom(g);
        opt.text = g->title();
        opt.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
        const QRect title =
            style->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, g);
        return Room{InkEnd(fm, g->title(), title.left()), g->width()};
    }
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
        // Inside the frame, less the line edit's own margin of 2 pixels a side.
        QStyleOptionFrame opt;
        opt.initFrom(e);
        opt.lineWidth = style->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, e);
        const QRect inside = style->subElementRect(QStyle::SE_LineEditContents, &opt, e);
        return Room{fm.horizontalAdvance(e->text()), inside.width() - 2 * 2};
    }
    if (auto* c = qobject_cast<QComboBox*>(w)) {
        // The widest item, beside the drop-down arrow.
        if (c->count() == 0) return std::nullopt;
        int widest = 0;
        for (int i = 0; i < c->count(); ++i)
            widest = std::max(widest, InkEnd(fm, c->itemText(i), 0));
        QStyleOptionComboBox opt;
        opt.initFrom(c);
        opt.subControls = QStyle::SC_All;
        const QRect field =
            style->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, c);
        return Room{widest, field.width()};
    }
    return std::nullopt;
}

void ExpectCaptionsFit(QWidget* window) {
    int measured = 0;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const auto room = CaptionRoom(w);
        if (!room) continue;
        ++measured;
        EXPECT_LE(room->taken, room->given)
            << Name(w) << " \"" << w->property("text").toString().toStdString() << '"';
    }
    EXPECT_GT(measured, 0);
}

// How much ink a text takes, drawn in black on white.
double Ink(const QFont& font, const QString& text) {
    QImage image(QFontMetrics(font).horizontalAdvance(text) + 4, 30, QImage::Format_Grayscale8);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.drawText(2, 20, text);
    painter.end();
    double ink = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ink += 255 - qGray(image.pixel(x, y));
    return ink;
}

class WindowFont : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        // The family the windows are designed in; without it every check below is void.
        ASSERT_TRUE(QFontDatabase::hasFamily(QStringLiteral("NanumGothic")));
        StartWindow();
        w->show();
        tip.show();
    }

    frmTip tip;
};

TEST_F(WindowFont, EveryControlIsDrawnInTheWindowsFamilyAtItsDesignSize) {
    // Font names come in the locale's language ("나눔고딕" in Korean); compare the faces found.
    const QString family = QFontInfo(QFont(QStringLiteral("NanumGothic"))).family();
    const Ui::frm_Set& ui = *w->ui;
    const QWidget* smaller[] = {ui.cmd_move_10,
                                ui.cmd_move_55,
                                ui.cmd_move_100,
                                ui.cmd_move_145,
                                ui.cmd_move_190,
                                ui.cmd_Performance_low,
                                ui.cmd_Performance_hi,
                                ui.cmd_Servo_Read,
                                ui.cmd_Servo_Save,
                                ui.Label7_0,
                                ui.Label7_1,
                                ui.Label7_2,
                                ui.Label7_3};
    // A control's parts (the port list's drop-down, say) take the control's size.
    auto designSize = [&](const QWidget* c) {
        for (; c; c = c->parentWidget()) {
            if (std::find(std::begin(smaller), std::end(smaller), c) != std::end(smaller))
                return 8.25;
            if (c == ui.Combo1) return 9.75;
            if (c == ui.lab_motor_type) return 12.0;
        }
        return 9.0;
    };

    // The menus are among the controls: windows of their own, yet part of this one.
    int bold = 0;
    for (QWidget* window : {static_cast<QWidget*>(w.get()), static_cast<QWidget*>(&tip)}) {
        QList<QWidget*> controls = window->findChildren<QWidget*>();
        controls.prepend(window);
        for (QWidget* c : controls) {
            SCOPED_TRACE(Name(c));
            const QFontInfo face(c->font());
            EXPECT_EQ(face.family().toStdString(), family.toStdString());
            EXPECT_DOUBLE_EQ(c->font().pointSizeF(), designSize(c));
            // A bold caption is drawn with the family's bold face, not the regular one thickened.
            EXPECT_EQ(face.styleName().toStdString(), c->font().bold() ? "Bold" : "Regular");
            bold += c->font().bold();
        }
    }
    EXPECT_GT(bold, 0);
    // And it shows: the bold face draws clearly heavier strokes.
    QFont regular = ui.Frame4->font();
    regular.setBold(false);
    EXPECT_GT(Ink(ui.Frame4->font(), ui.Frame4->title()), 1.2 * Ink(regular, ui.Frame4->title()));
}

TEST_F(WindowFont, EveryCaptionOfBothWindowsFitsItsControl) {
    ExpectCaptionsFit(w.get());
    ExpectCaptionsFit(&tip);

    // The model label shows each model's full menu caption.
    QLabel* model = w->ui->lab_motor_type;
    for (auto choose : {&frm_Set::Tavrik_Click, &frm_Set::Bellun_Click, &frm_Set::Quorrin_Click,
                        &frm_Set::Dimmar_Click}) {
        (w.get()->*choose)();
        const Room room = CaptionRoom(model).value();
        EXPECT_LE(room.taken, room.given) << model->text().toStdString();
    }
    EXPECT_EQ(model->text(), "Dimmar 13Kg");
}

// The label that shows the tooltip now on view.
QWidget* ShownToolTip() {
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == "qtooltip_label" && top->isVisible()) return top;
    return nullptr;
}

// A style sheet rule without a selector matches the tooltip too, which takes its style from the
// control it is shown for: the red "0" of the centre trim would have a red tooltip.
using Tooltips = WindowTest;

TEST_F(Tooltips, KeepTheirOwnColoursOverEveryControl) {
    StartWindow();
    w->show();
    frmTip tip;
    tip.show();
    const QColor text = QToolTip::palette().color(QPalette::ToolTipText);
    const QColor base = QToolTip::palette().color(QPalette::ToolTipBase);
    int styled = 0;
    for (QWidget* window : {static_cast<QWidget*>(w.get()), static_cast<QWidget*>(&tip)}) {
        for (QWidget* c : window->findChildren<QWidget*>()) {
            if (c->isWindow()) continue; // the menus
            SCOPED_TRACE(Name(c));
            styled += !c->styleSheet().isEmpty();
            QToolTip::showText(c->mapToGlobal(c->rect().center()), QStringLiteral("tip"), c);
            QWidget* shown = ShownToolTip();
            ASSERT_NE(shown, nullptr);
            shown->ensurePolished();
            EXPECT_EQ(shown->palette().color(shown->foregroundRole()).name().toStdString(),
                      text.name().toStdString());
            EXPECT_EQ(shown->palette().color(shown->backgroundRole()).name().toStdString(),
                      base.name().toStdString());
        }
    }
    QToolTip::hideText();
    EXPECT_GT(styled, 0);

    // While the controls keep theirs: a rule whose selector misses its control would lose it.
    const QColor red(255, 0, 0), blue(0, 0, 255);
    const std::pair<QWidget*, QColor> coloured[] = {
        {w->ui->txt_zero, red},       {w->ui->txt_left_limit, red}, {w->ui->txt_right_limit, red},
        {w->ui->lab_motor_type, red}, {w->ui->opt_dir_0, blue},     {w->ui->opt_dir_1, blue},
        {w->ui->Label7_0, blue},      {w->ui->Label7_1, blue},      {w->ui->Label7_2, blue},
        {w->ui->Label7_3, blue}};
    for (const auto& [c, colour] : coloured)
        EXPECT_EQ(c->palette().color(c->foregroundRole()).name().toStdString(),
                  colour.name().toStdString())
            << Name(c);
}

} // namespace
} // namespace verrano::test
