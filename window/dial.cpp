// The position dial on Picture1: placing needles, the yellow half circle, and the dial steps of
// start-up.
#include <QColor>
#include <QStringList>

#include "platform/picture_box.h"
#include "ui_frm_Set.h"
#include "window/frm_Set.h"
#include "window/pure/dial_geometry.h"

namespace verrano {

namespace {

// Picture 1 is the dial background, 2..10 the help pictures, 11 and 12 the brand pictures.
const QStringList& HelpPictureResources() {
    static const QStringList resources = {
        QStringLiteral(":/pictures/servo.svg"),     QStringLiteral(":/pictures/dgain1.svg"),
        QStringLiteral(":/pictures/dgain2.svg"),    QStringLiteral(":/pictures/dgain3.svg"),
        QStringLiteral(":/pictures/deadzone3.svg"), QStringLiteral(":/pictures/deadzone2.svg"),
        QStringLiteral(":/pictures/deadzone1.svg"), QStringLiteral(":/pictures/pgain1.svg"),
        QStringLiteral(":/pictures/pgain2.svg"),    QStringLiteral(":/pictures/pgain3.svg"),
        QStringLiteral(":/pictures/brand.svg"),     QStringLiteral(":/pictures/idle.svg"),
    };
    return resources;
}

constexpr int kServoPicture = 1;
constexpr int kIdlePicture = 12;

} // namespace

void frm_Set::HideDialNeedles() {
    Line2->setVisible(false);
    Line3->setVisible(false);
    Line4->setVisible(false);
    Line5->setVisible(false);
}

void frm_Set::ShowDial() {
    // A new picture drops the old arc, so hovering again never stacks arcs; the picture box keeps
    // the arc it holds through later repaints.
    ShowPicture(kServoPicture);
    DrawHalfCircle();
    Line2->setVisible(true);
    Line3->setVisible(true);
    Line4->setVisible(true);
    Line5->setVisible(true);
}

void frm_Set::DrawHalfCircle() {
    ui->Picture1->drawArc(kDialCentreX, kDialCentreY, kDialRadius, QColor(255, 255, 0),
                          CAL::DegToRad(0), CAL::DegToRad(180));
}

void frm_Set::PlaceNeedle(LineControl* line, double angleDeg) {
    const PolarResult end = PolarPoint({kDialCentreX, kDialCentreY}, angleDeg, kDialRadius);
    // An angle that yields no point leaves the needle where it stood rather than at the origin.
    if (!line || !end) return;
    line->setX1(kDialCentreX);
    line->setY1(kDialCentreY);
    line->setX2((*end)[0]);
    line->setY2((*end)[1]);
}

void frm_Set::DialStartup() {
    if (ImageList2.Count() == 0) ImageList2 = ImageList(QSize(146, 159), HelpPictureResources());

    CAL::InitAngleConstants();
    ShowPicture(kServoPicture);
    DrawHalfCircle();
    // The limit needles start where limit value 190 would put them, level at 180 and 360.
    PlaceNeedle(Line4, RightLimitAngle(190));
    PlaceNeedle(Line2, LeftLimitAngle(190));
    PlaceNeedle(Line3, 270);
    PlaceNeedle(Line5, 270);
    HideDialNeedles();
    ui->Picture1->cls();
    ShowPicture(kIdlePicture);
}

} // namespace verrano
