// Printing a widget's client area as one page, on the default printer or, for tests, to a PDF.
#include "platform/printer.h"

#include <QPainter>
#include <QPixmap>
#include <QPrinter>
#include <QPrinterInfo>
#include <QWidget>
#include <algorithm>
#include <memory>

namespace verrano {

namespace {

QString& PdfTarget() {
    static QString path;
    return path;
}

void SetError(QString* error, const QString& text) {
    if (error) *error = text;
}

} // namespace

void SetPrintToFile(const QString& pdfPath) {
    PdfTarget() = pdfPath;
}

bool PrintClientArea(QWidget* widget, QString* error) {
    if (!widget) {
        SetError(error, QStringLiteral("Nothing to print."));
        return false;
    }

    std::unique_ptr<QPrinter> printer;
    if (!PdfTarget().isEmpty()) {
        printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(PdfTarget());
    } else {
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull()) {
            SetError(error, QStringLiteral("No printer is installed."));
            return false;
        }
        printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    }
    printer->setDocName(widget->windowTitle());

    const QPixmap image = widget->grab();
    if (image.isNull()) {
        SetError(error, QStringLiteral("The window could not be captured."));
        return false;
    }

    QPainter painter;
    if (!painter.begin(printer.get())) {
        SetError(error, QStringLiteral("The print job could not be started."));
        return false;
    }
    // The window at its size on screen, shrunk only when it would not fit the page.
    const QRect page = painter.viewport();
    const double screenDpi = widget->logicalDpiX() > 0 ? widget->logicalDpiX() : 96.0;
    const QSizeF logical = image.deviceIndependentSize();
    const double natural = printer->resolution() / screenDpi;
    const double fit = std::min(page.width() / logical.width(), page.height() / logical.height());
    const double scale = std::min(natural, fit);
    painter.drawPixmap(QRectF(QPointF(0, 0), logical * scale), image, QRectF(image.rect()));
    if (!painter.end() || printer->printerState() == QPrinter::Error) {
        SetError(error, QStringLiteral("The page could not be printed."));
        return false;
    }
    SetError(error, QString());
    return true;
}

} // namespace verrano
