// Printing a widget's client area as one page, on the default printer or, for tests, to a PDF:
// the print system is asked on a worker thread while the window goes on taking events.
#include "platform/printer.h"

#include <QMetaObject>
#include <QMutex>
#include <QObject>
#include <QPainter>
#include <QPixmap>
#include <QPrinter>
#include <QPrinterInfo>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>

namespace verrano {

namespace {

void SetError(QString* error, const QString& text) {
    if (error) *error = text;
}

// The window at its size on screen, shrunk only when it would not fit the page.
bool PaintPage(QPrinter& printer, const PrintPage& page, QString* error) {
    QPainter painter;
    if (!painter.begin(&printer)) {
        SetError(error, QStringLiteral("The print job could not be started."));
        return false;
    }
    const QRect area = painter.viewport();
    const QSizeF logical = page.image.deviceIndependentSize();
    const double natural = printer.resolution() / page.screenDpi;
    const double fit = std::min(area.width() / logical.width(), area.height() / logical.height());
    const double scale = std::min(natural, fit);
    painter.drawImage(QRectF(QPointF(0, 0), logical * scale), page.image,
                      QRectF(page.image.rect()));
    // What the toolkit reports of the job ends here: a page written to the spool counts as
    // printed whatever the print queue then does with it.
    if (!painter.end() || printer.printerState() == QPrinter::Error) {
        SetError(error, QStringLiteral("The page could not be printed."));
        return false;
    }
    return true;
}

class SystemPrinters : public PrintSystem {
public:
    QString defaultPrinter() override { return QPrinterInfo::defaultPrinter().printerName(); }

    bool print(const QString& name, const PrintPage& page, QString* error) override {
        const QPrinterInfo info = QPrinterInfo::printerInfo(name);
        if (info.isNull()) {
            SetError(error, QStringLiteral("The printer is no longer installed."));
            return false;
        }
        QPrinter printer(info, QPrinter::HighResolution);
        printer.setDocName(page.docName);
        return PaintPage(printer, page, error);
    }
};

class PdfFile : public PrintSystem {
public:
    explicit PdfFile(QString path) : path_(std::move(path)) {}

    QString defaultPrinter() override { return QStringLiteral("PDF"); }

    bool print(const QString&, const PrintPage& page, QString* error) override {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path_);
        printer.setDocName(page.docName);
        return PaintPage(printer, page, error);
    }

private:
    QString path_;
};

std::shared_ptr<PrintSystem>& InstalledSystem() {
    static std::shared_ptr<PrintSystem> system;
    return system;
}

// One job at a time: while one waits on the print system, a second would only wait behind it.
std::atomic<bool>& JobRunning() {
    static std::atomic<bool> running{false};
    return running;
}

// What the worker and the waiting window share. The worker holds its own reference, so a job the
// window gave up on can end at any time, even after the program has let go of everything else.
struct Job {
    QMutex mutex;
    bool finished = false;
    bool abandoned = false;
    bool printed = false;
    QString error;
    QObject* waker = nullptr; // lives on the window's thread while it waits; wakes its wait
};

void RunJob(const std::shared_ptr<Job>& job, const std::shared_ptr<PrintSystem>& system,
            const PrintPage& page) {
    QString error;
    bool printed = false;
    const QString printer = system->defaultPrinter();
    bool abandoned = false;
    {
        QMutexLocker lock(&job->mutex);
        abandoned = job->abandoned;
    }
    // A page the user was told had failed must not come out later.
    if (!abandoned) {
        if (printer.isEmpty())
            error = QStringLiteral("No printer is installed.");
        else
            printed = system->print(printer, page, &error);
    }
    {
        QMutexLocker lock(&job->mutex);
        job->finished = true;
        job->printed = printed;
        job->error = error;
        if (job->waker)
            QMetaObject::invokeMethod(
                job->waker, [] {}, Qt::QueuedConnection);
    }
    JobRunning() = false;
}

} // namespace

void SetPrintSystem(std::shared_ptr<PrintSystem> system) {
    InstalledSystem() = std::move(system);
}

void SetPrintToFile(const QString& pdfPath) {
    SetPrintSystem(pdfPath.isEmpty() ? nullptr : std::make_shared<PdfFile>(pdfPath));
}

bool PrintClientArea(QWidget* widget, const PrintWait& wait, int boundMs, QString* error) {
    if (!widget) {
        SetError(error, QStringLiteral("Nothing to print."));
        return false;
    }
    if (!wait) {
        SetError(error, QStringLiteral("Nothing to wait for the printer with."));
        return false;
    }
    PrintPage page;
    page.image = widget->grab().toImage();
    if (page.image.isNull()) {
        SetError(error, QStringLiteral("The window could not be captured."));
        return false;
    }
    if (widget->logicalDpiX() > 0) page.screenDpi = widget->logicalDpiX();
    page.docName = widget->windowTitle();

    std::shared_ptr<PrintSystem> system = InstalledSystem();
    if (!system) system = std::make_shared<SystemPrinters>();

    if (JobRunning().exchange(true)) {
        SetError(error, QStringLiteral("An earlier print job is still waiting on the printer."));
        return false;
    }
    auto job = std::make_shared<Job>();
    QObject waker;
    job->waker = &waker;
    try {
        std::thread(RunJob, job, system, page).detach();
    } catch (const std::system_error&) {
        JobRunning() = false;
        SetError(error, QStringLiteral("The print job could not be started."));
        return false;
    }

    wait(
        [&job] {
            QMutexLocker lock(&job->mutex);
            return job->finished;
        },
        boundMs);

    QMutexLocker lock(&job->mutex);
    job->waker = nullptr;
    if (!job->finished) {
        job->abandoned = true;
        SetError(error, QStringLiteral("The printer has not answered."));
        return false;
    }
    SetError(error, job->error);
    return job->printed;
}

} // namespace verrano
