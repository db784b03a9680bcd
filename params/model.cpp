// The servo-model menu: which model's step tables, factory image and name the window uses.
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <array>

#include "params/pure/step_tables.h"
#include "ui_frm_Set.h"
#include "window/frm_Set.h"

namespace verrano {

namespace {

// One procedure for the four items: the chosen item's caption names the model everywhere.
void ChooseModel(frm_Set& w, int code) {
    const std::array<QAction*, model::Count> items{w.ui->Tavrik, w.ui->Bellun, w.ui->Quorrin,
                                                   w.ui->Dimmar};
    for (int i = 0; i < model::Count; ++i)
        items[static_cast<std::size_t>(i)]->setChecked(i == code);
    w.ui->ServoType1->setTitle(items[static_cast<std::size_t>(code)]->text());
    w.ui->lab_motor_type->setText(w.ui->ServoType1->title());
    w.MotorType = static_cast<uint8_t>(code);
}

} // namespace

void frm_Set::Tavrik_Click() {
    ChooseModel(*this, model::Tavrik);
}
void frm_Set::Bellun_Click() {
    ChooseModel(*this, model::Bellun);
}
void frm_Set::Quorrin_Click() {
    ChooseModel(*this, model::Quorrin);
}
void frm_Set::Dimmar_Click() {
    ChooseModel(*this, model::Dimmar);
}

} // namespace verrano
