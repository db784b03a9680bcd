// Printing a widget's client area as one page on the default printer.
#pragma once

#include <QString>

class QWidget;

namespace verrano {

// False (with a reason) when no printer is available or the job fails.
bool PrintClientArea(QWidget* widget, QString* error);

// Tests send the page to a PDF file instead of the default printer; empty restores the printer.
void SetPrintToFile(const QString& pdfPath);

} // namespace verrano
