// A drop-down list of the settings window.
#pragma once

#include <QComboBox>

namespace verrano {

// A combo box whose screen-reader access an input guard can judge; the toolkit answers a reader
// for every plain combo box itself.
class ComboBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
};

} // namespace verrano
