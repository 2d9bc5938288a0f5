#include "platform/Report.h"

#include "platform/RtfReader.h"

#include "engine/Table.h"
#include "platform/ModalShow.h"
#include "platform/Picture.h"
#include "platform/Rtf.h"

#include <QAbstractTextDocumentLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QAction>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTextDocument>

#include <cfenv>
#include <cmath>
#include <stdexcept>

namespace platform {

double roundHalfEven(double value)
{
    const int mode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(value);
    std::fesetround(mode);
    return r == 0 ? 0.0 : r; // no negative zero
}

QPageSize paperOfCode(int code)
{
    switch (code) {
    case 1:
        return QPageSize(QPageSize::Letter);
    case 7:
        return QPageSize(QPageSize::ExecutiveStandard); // 7 1/4 x 10 1/2 in
    case 9:
        return QPageSize(QPageSize::A4);
    case 18:
        return QPageSize(QSizeF(8.5, 11), QPageSize::Inch, QStringLiteral("Note"), QPageSize::ExactMatch);
    default:
        return QPageSize();
    }
}

namespace {
// The most of a rich text a band reads: more than a band's box can show on any paper.
constexpr qsizetype kBandMaxChars = 4000;
constexpr qsizetype kBandMaxLines = 200;

// The size as the paper is defined (inch papers exactly, not through rounded millimetres).
QSizeF sizeMm(const QPageSize &page)
{
    const QSizeF d = page.definitionSize();
    switch (page.definitionUnits()) {
    case QPageSize::Millimeter:
        return d;
    case QPageSize::Inch:
        return d * 25.4;
    case QPageSize::Point:
        return d * (25.4 / 72);
    default:
        return page.size(QPageSize::Millimeter);
    }
}
} // namespace

Report::Report() : m_pageSize(QPageSize::A4) {}

bool Report::setPaperSize(int code)
{
    const QPageSize size = paperOfCode(code);
    if (!size.isValid())
        return false;
    m_pageSize = size;
    m_paperCode = code;
    return true;
}

void Report::setPageSize(const QPageSize &size)
{
    m_pageSize = size;
    m_paperCode = 0;
    for (int code : {9, 7, 1, 18})
        if (sizeMm(paperOfCode(code)) == sizeMm(size)) {
            m_paperCode = code;
            break;
        }
}


double Report::pageLength() const
{
    return sizeMm(m_pageSize).height();
}

double Report::pageWidth() const
{
    return sizeMm(m_pageSize).width();
}

double Report::columnWidth() const
{
    const int n = columns < 1 ? 1 : columns;
    return (pageWidth() - leftMargin - rightMargin - (n - 1) * columnGap) / n;
}

int Report::bandsInColumn() const
{
    if (bandsPerColumn > 0)
        return bandsPerColumn;
    const double room = pageLength() - topMargin - bottomMargin;
    const int fit = band.height > 0 ? int(std::floor(room / band.height)) : 1;
    return fit < 1 ? 1 : fit;
}

QRectF Report::bandRect(int column, int slot) const
{
    const double w = columnWidth();
    return QRectF(leftMargin + column * (w + columnGap), topMargin + slot * band.height, w, band.height);
}

int Report::run(const PageStart &pageStart)
{
    m_drawn.clear();
    m_pages = 0;
    if (!dataSet || !dataSet->active())
        throw std::runtime_error("El informe no tiene una tabla abierta.");
    const int perColumn = bandsInColumn();
    const int cols = columns < 1 ? 1 : columns;
    const int perPage = perColumn * cols;
    QPainter *painter = nullptr;
    double dotsPerMm = 1;
    int index = 0;
    dataSet->first();
    while (!dataSet->eof()) {
        const int within = index % perPage;
        if (within == 0) {
            painter = pageStart(m_pages, dotsPerMm);
            ++m_pages;
        }
        DrawnBand record;
        record.page = m_pages - 1;
        record.column = within / perColumn;
        record.slot = within % perColumn;
        record.rect = bandRect(record.column, record.slot);
        if (band.beforePrint)
            band.beforePrint();
        drawBand(*painter, dotsPerMm, record);
        m_drawn.push_back(std::move(record));
        if (band.afterPrint)
            band.afterPrint();
        dataSet->next();
        ++index;
    }
    if (m_pages == 0 && printIfEmpty) {
        pageStart(0, dotsPerMm);
        m_pages = 1;
    }
    return m_pages;
}

namespace {
QRectF toDevice(const QRectF &mm, double dotsPerMm)
{
    return QRectF(mm.x() * dotsPerMm, mm.y() * dotsPerMm, mm.width() * dotsPerMm, mm.height() * dotsPerMm);
}

QByteArray bytesOf(engine::Table &table, const std::string &field)
{
    const std::string b = table.fieldByName(field).asBytes();
    return QByteArray(b.data(), qsizetype(b.size()));
}
} // namespace

void Report::drawBand(QPainter &painter, double dotsPerMm, DrawnBand &record)
{
    const QRectF bandPx = toDevice(record.rect, dotsPerMm);
    if (band.color.isValid())
        painter.fillRect(bandPx, band.color);
    for (const auto &c : band.controls) {
        if (!c->enabled)
            continue;
        const QRectF boxMm = c->rect().translated(record.rect.topLeft());
        const QRectF box = toDevice(boxMm, dotsPerMm);
        DrawnControl drawn{c->kind, boxMm, QString(), QSize()};
        struct Saved { // the painter's state comes back also when a control throws
            QPainter &p;
            explicit Saved(QPainter &p) : p(p) { p.save(); }
            ~Saved() { p.restore(); }
        } saved(painter);
        painter.setClipRect(box);
        switch (c->kind) {
        case ReportControl::Kind::Text: {
            const auto &t = static_cast<const ReportText &>(*c);
            drawn.text = QString::fromStdString(dataSet->fieldByName(t.field).asString());
            if (t.color.isValid())
                painter.fillRect(box, t.color);
            painter.setFont(t.font);
            painter.setPen(Qt::black);
            int flags = int(t.alignment) | Qt::AlignTop;
            if (t.wordWrap)
                flags |= Qt::TextWordWrap;
            painter.drawText(box, flags, drawn.text);
            break;
        }
        case ReportControl::Kind::RichText: {
            const auto &r = static_cast<const ReportRichText &>(*c);
            QTextDocument doc;
            doc.setDefaultFont(r.font);
            doc.setDocumentMargin(0);
            // A band's box shows a few lines: the text is read no further than it could hold.
            rtf::contentToDocument(rtf::readPart(bytesOf(*dataSet, r.field), {kBandMaxChars, kBandMaxLines}), doc);
            doc.documentLayout()->setPaintDevice(painter.device());
            doc.setTextWidth(box.width());
            drawn.text = doc.toPlainText();
            painter.translate(box.topLeft());
            doc.drawContents(&painter, QRectF(0, 0, box.width(), box.height()));
            break;
        }
        case ReportControl::Kind::Image: {
            const auto &im = static_cast<const ReportImage &>(*c);
            const QByteArray bytes = bytesOf(*dataSet, im.field);
            if (bytes.isEmpty())
                break;
            const QImage picture = decodePictureOrThrow(bytes);
            drawn.imageSize = picture.size();
            if (im.stretch) {
                painter.drawImage(box, picture);
            } else {
                const double px = dotsPerMm * 25.4 / 96.0;
                painter.drawImage(QRectF(box.topLeft(), QSizeF(picture.width() * px, picture.height() * px)), picture);
            }
            break;
        }
        }
        record.controls.push_back(std::move(drawn));
    }
    QPen pen(Qt::black);
    pen.setWidthF(0.25 * dotsPerMm);
    painter.setPen(pen);
    if (band.borderTop)
        painter.drawLine(bandPx.topLeft(), bandPx.topRight());
    if (band.borderBottom)
        painter.drawLine(bandPx.bottomLeft(), bandPx.bottomRight());
    if (band.borderLeft)
        painter.drawLine(bandPx.topLeft(), bandPx.bottomLeft());
    if (band.borderRight)
        painter.drawLine(bandPx.topRight(), bandPx.bottomRight());
}

int Report::print(QPagedPaintDevice &device)
{
    if (auto *printer = dynamic_cast<QPrinter *>(&device)) {
        printer->setFullPage(true);
        if (!title.isEmpty())
            printer->setDocName(title);
    }
    device.setPageLayout(QPageLayout(m_pageSize, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    QPainter painter;
    return run([&](int page, double &dotsPerMm) -> QPainter * {
        if (page == 0) {
            if (!painter.begin(&device))
                throw std::runtime_error("No se pudo empezar a imprimir.");
        } else if (!device.newPage()) {
            throw std::runtime_error("No se pudo empezar una página nueva.");
        }
        dotsPerMm = device.logicalDpiX() / 25.4;
        return &painter;
    });
}

QList<QImage> Report::renderImages(double dotsPerInch)
{
    QList<QImage> pages;
    QPainter painter;
    const double dotsPerMm = dotsPerInch / 25.4;
    const QSize size(int(std::lround(pageWidth() * dotsPerMm)), int(std::lround(pageLength() * dotsPerMm)));
    run([&](int, double &perMm) -> QPainter * {
        if (painter.isActive())
            painter.end();
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::white);
        image.setDotsPerMeterX(int(std::lround(dotsPerMm * 1000)));
        image.setDotsPerMeterY(int(std::lround(dotsPerMm * 1000)));
        pages << image;
        painter.begin(&pages.last());
        painter.setRenderHint(QPainter::Antialiasing);
        perMm = dotsPerMm;
        return &painter;
    });
    if (painter.isActive())
        painter.end();
    return pages;
}

void previewReport(Report &report, QWidget *parent)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(report.title);
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setObjectName(QStringLiteral("ReportPreview"));
    dialog.setWindowTitle(report.title);
    std::exception_ptr failure;
    bool skipShowRun = false;
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&](QPrinter *device) {
        if (failure)
            return;
        if (skipShowRun) {
            // The dialog asks for the pages once more as it shows; it keeps those of the run
            // just made.
            skipShowRun = false;
            return;
        }
        try {
            report.print(*device);
        } catch (...) {
            failure = std::current_exception();
            if (dialog.isVisible())
                dialog.reject();
        }
    });
    // The first run happens here, so that a failing report never shows a window. The page
    // opens as wide as the window, through the toolbar's own button so that the button shown
    // pressed is the one that matches.
    if (auto *pages = dialog.findChild<QPrintPreviewWidget *>()) {
        if (auto *fitWidth = dialog.findChild<QAction *>(QStringLiteral("fitWidthAction")))
            fitWidth->trigger();
        else
            pages->setZoomMode(QPrintPreviewWidget::FitToWidth);
        pages->updatePreview();
    }
    if (failure)
        std::rethrow_exception(failure);
    skipShowRun = !isScripted();
    showModal(&dialog);
    if (failure)
        std::rethrow_exception(failure);
}

bool printReport(Report &report, QWidget *parent)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(report.pageSize());
    printer.setDocName(report.title);
    QPrintDialog dialog(&printer, parent);
    dialog.setObjectName(QStringLiteral("ReportPrintDialog"));
    showModal(&dialog);
    if (dialog.result() != QDialog::Accepted)
        return false;
    report.print(printer);
    return true;
}

} // namespace platform
