// A text box of the settings window.
#pragma once

#include <QLineEdit>

namespace verrano {

// A line edit whose screen-reader access an input guard can judge: the toolkit answers a reader
// for every plain line edit itself, so a text box needs a class of its own for the window's
// guarded accessibility to answer for it.
class TextBox : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;
};

} // namespace verrano
