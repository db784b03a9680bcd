// Printing a widget's client area as one page on the default printer.
#pragma once

#include <QImage>
#include <QString>
#include <functional>
#include <memory>

class QWidget;

namespace verrano {

// The page as the window showed it: its picture, the screen's resolution that sets its size on
// paper, and the job's name.
struct PrintPage {
    QImage image;
    double screenDpi = 96.0;
    QString docName;
};

// The print system's calls, any of which can take as long as a print server that doesn't answer;
// they run on a worker thread of their own, never on the window's. Tests put a fake in its place.
class PrintSystem {
public:
    virtual ~PrintSystem() = default;
    // The default printer's name; empty when none is installed.
    virtual QString defaultPrinter() = 0;
    // Hands the page to the printer as one job. False, with a reason, when the job could not be
    // started or written. Once the job is handed to the print queue the toolkit reports nothing
    // more, so a queue that refuses it still counts as printed.
    virtual bool print(const QString& printer, const PrintPage& page, QString* error) = 0;
};

// Null restores the system's own printing.
void SetPrintSystem(std::shared_ptr<PrintSystem> system);

// Tests send the page to a PDF file instead of the default printer; empty restores the printer.
void SetPrintToFile(const QString& pdfPath);

// Waits, taking events, until done() holds or boundMs passes; true when done() held.
using PrintWait = std::function<bool(const std::function<bool()>& done, int boundMs)>;

// False (with a reason) when no printer is installed, the job could not be started or written, or
// the print system has not answered within boundMs. A job still waiting on the print system is
// left to finish or stay stuck on its own, touching nothing of the caller's, and a new one is
// refused until it ends.
bool PrintClientArea(QWidget* widget, const PrintWait& wait, int boundMs, QString* error);

} // namespace verrano
