// The open/save file dialog over QFileDialog, with the "description|pattern" filter and an
// answerer that stands in for the user in tests.
#include "platform/file_dialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

#include "platform/message_box.h"
#include "platform/window_placement.h"

namespace verrano {

namespace {

FileDialog::Answerer& TheAnswerer() {
    static FileDialog::Answerer answerer;
    return answerer;
}

} // namespace

void FileDialog::SetAnswerer(Answerer answerer) {
    TheAnswerer() = std::move(answerer);
}

QString FileDialog::QtFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString desc = parts[i].trimmed();
        QStringList patterns;
        if (i + 1 < parts.size())
            patterns = parts[i + 1].split(QRegularExpression(QStringLiteral("[;\\s]+")),
                                          Qt::SkipEmptyParts);
        if (patterns.isEmpty()) patterns << QStringLiteral("*");
        if (desc.isEmpty() && i + 1 >= parts.size()) continue;
        const QString list = patterns.join(QLatin1Char(' '));
        // Qt filters by the last parenthesised group; a description that already ends in the
        // same patterns is shown as it stands rather than with the patterns twice.
        const QString tail = QStringLiteral("(%1)").arg(list);
        if (desc.endsWith(tail))
            out << desc;
        else if (desc.isEmpty())
            out << tail;
        else
            out << QStringLiteral("%1 %2").arg(desc, tail);
    }
    return out.join(QStringLiteral(";;"));
}

void FileDialog::ShowOpen(QWidget* parent) {
    show(parent, false);
}

void FileDialog::ShowSave(QWidget* parent) {
    show(parent, true);
}

void FileDialog::show(QWidget* parent, bool save) {
    QString path;
    if (TheAnswerer()) {
        path = TheAnswerer()(save, Filter);
    } else if (!QCoreApplication::closingDown() &&
               qobject_cast<QApplication*>(QCoreApplication::instance())) {
        const QString filter = QtFilter(Filter);
        path = save ? QFileDialog::getSaveFileName(parent, QString(), QString(), filter)
                    : QFileDialog::getOpenFileName(parent, QString(), QString(), filter);
        ReactivateOwner(parent);
    }
    const QString chosen = path;
    path = path.trimmed();
    if (save && !path.isEmpty()) path = withDefaultExt(parent, chosen, path);
    FileName = path;
    FileTitle = path.isEmpty() ? QString() : QFileInfo(path).fileName();
}

QString FileDialog::withDefaultExt(QWidget* parent, const QString& chosen,
                                   const QString& path) const {
    const QString suffix = QLatin1Char('.') + DefaultExt;
    QString full = path;
    if (!DefaultExt.isEmpty() && !path.endsWith(suffix, Qt::CaseInsensitive))
        full = path.endsWith(QLatin1Char('.')) ? path + DefaultExt : path + suffix;
    // The dialog asked about the name it returned; one that trimming its blanks or adding the
    // extension made is asked about here.
    if (full == chosen) return full;
    const QFileInfo info(full);
    if (!info.exists() && !info.isSymLink()) return full;
    // The dialog's own question, from the toolkit's catalogue, so it reads as the dialog does
    // for a name typed with the extension; like the dialog's, a reflex Return keeps the file.
    const QString question =
        QCoreApplication::translate("QFileDialog", "%1 already exists.\nDo you want to replace it?")
            .arg(info.fileName());
    const MsgResult answer = MsgBox(parent, question, MsgButtons::YesNo, MsgIcon::Exclamation,
                                    QString::fromLatin1(kProgramTitle), MsgDefault::Second);
    return answer == MsgResult::Yes ? full : QString();
}

} // namespace verrano
