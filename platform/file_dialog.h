// The open/save file dialog: a filter in "description|pattern" form, the chosen path (trimmed)
// and its file title; an empty path means the user cancelled. Answerable by tests.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace verrano {

class FileDialog {
public:
    QString Filter;    // "QEL Servo set (*.qel)|*.qel"
    QString FileName;  // the chosen path, blanks trimmed; empty when cancelled
    QString FileTitle; // the chosen file's name without its folder
    // Added to a saved file's name that doesn't already end in it ("qel": "a" and "tavrik_7.4kg"
    // become "a.qel" and "tavrik_7.4kg.qel"). Replacing the file that name then names is asked
    // about, so the file written is always one the user confirmed.
    QString DefaultExt;

    void ShowOpen(QWidget* parent);
    void ShowSave(QWidget* parent);

    // With an answerer set no dialog is shown: it gets (save?, filter) and returns a path.
    using Answerer = std::function<QString(bool save, const QString& filter)>;
    static void SetAnswerer(Answerer answerer);

    // "desc|pattern[|desc|pattern...]" as a Qt name filter list that shows each description
    // and filters by its pattern (patterns separated by ';').
    static QString QtFilter(const QString& filter);

private:
    void show(QWidget* parent, bool save);
    // path (chosen, blanks trimmed) with DefaultExt added; empty when the user would not
    // replace what it names.
    QString withDefaultExt(QWidget* parent, const QString& chosen, const QString& path) const;
};

} // namespace verrano
