#pragma once
// The banded report: a report bound to an engine table that prints one detail band per row,
// in one or more columns filled top to bottom and then left to right.
//
// UNIT. Every position and size of the report (page, margins, gap, band, controls) is in
// millimetres. Insets of 1 to 3 units inside a band are then a small, visible gap between a
// card's frame and its content, and whole-unit band heights waste at most a millimetre per
// band; a coarser unit would make the insets wide and the rounding of band heights cost
// whole centimetres of the page.
//
// PAGE. Portrait, of the paper given by its code (paperSize()) or by a Qt page size. The
// columns share the width inside the left and right margins, less the gaps between them.
// A column holds bandsPerColumn bands when that is set (the caller makes them fit), otherwise
// as many as fit between the top and bottom margins (at least one).
//
// RUN. A run goes to the table's first row and, for every row of the view: beforePrint, the
// band drawn on the row's place, afterPrint, next row. The events see the table on the
// band's row and may edit it; the controls read their fields after beforePrint, from the
// record or from the edit buffer when the row is being edited. An exception from an event or
// from drawing ends the run and reaches the caller of print(). With printIfEmpty, an empty
// table still gives one empty page.
//
// Every run records what it drew (drawn()): each band's page, column, place and rectangle on
// the page, and what each control showed, so that layouts can be checked without reading
// pixels.
#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QList>
#include <QPageSize>
#include <QRectF>
#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QPagedPaintDevice;
class QPainter;
class QPrinter;
class QWidget;

namespace engine {
class Table;
}

namespace platform {

// The nearest whole number, a half going to the even one (2.5 -> 2, 3.5 -> 4, -0.5 -> 0).
double roundHalfEven(double value);

// Paper codes of the printing system: 1 Letter, 7 Executive (7 1/4 x 10 1/2 in), 9 A4,
// 18 Note (8 1/2 x 11 in). Other codes give an invalid page size.
QPageSize paperOfCode(int code);

class ReportControl {
public:
    enum class Kind { Text, RichText, Image };
    ReportControl(Kind kind, std::string field) : kind(kind), field(std::move(field)) {}
    virtual ~ReportControl() = default;

    const Kind kind;
    std::string field; // the data set's field it shows
    double left = 0, top = 0, width = 0, height = 0; // inside the band
    bool enabled = false; // a disabled control does not print

    QRectF rect() const { return QRectF(left, top, width, height); }
};

// A line of text from a string field: aligned, wrapped at word boundaries when asked,
// clipped to its box, on its own background.
class ReportText : public ReportControl {
public:
    explicit ReportText(std::string field) : ReportControl(Kind::Text, std::move(field)) {}
    Qt::Alignment alignment = Qt::AlignHCenter;
    bool wordWrap = true;
    QFont font;
    QColor color = Qt::white; // background; invalid: transparent
};

// Rich text from an RTF field (plain text when it is not RTF), in the box's width, clipped.
class ReportRichText : public ReportControl {
public:
    explicit ReportRichText(std::string field) : ReportControl(Kind::RichText, std::move(field)) {}
    QFont font; // for text without a font of its own
};

// A picture from a blob field (BMP or JPEG bytes): stretched to the box, or at its own size
// (at 96 dots an inch) from the box's top left corner, clipped.
class ReportImage : public ReportControl {
public:
    explicit ReportImage(std::string field) : ReportControl(Kind::Image, std::move(field)) {}
    bool stretch = false;
};

class ReportBand {
public:
    double height = 20;
    bool borderTop = true, borderBottom = true, borderLeft = true, borderRight = true;
    QColor color = Qt::white;
    std::function<void()> beforePrint;
    std::function<void()> afterPrint;

    template <class Control>
    Control *add(std::string field)
    {
        auto c = std::make_unique<Control>(std::move(field));
        Control *raw = c.get();
        controls.push_back(std::move(c));
        return raw;
    }
    std::vector<std::unique_ptr<ReportControl>> controls;
};

// What a run drew: one entry per band, in report units and page coordinates.
struct DrawnControl {
    ReportControl::Kind kind;
    QRectF rect;  // on the page
    QString text; // text: the line shown; rich text: its plain text; image: empty
    QSize imageSize; // image: the picture's own size in pixels (empty when none)
};
struct DrawnBand {
    int page = 0;   // from 0
    int column = 0; // from 0
    int slot = 0;   // place in the column, from 0
    QRectF rect;    // on the page
    std::vector<DrawnControl> controls; // the enabled controls, in band order
};

class Report {
public:
    Report();

    engine::Table *dataSet = nullptr;

    // Paper by its code (see paperOfCode); an unknown code changes nothing and returns false.
    bool setPaperSize(int code);
    int paperSize() const { return m_paperCode; }
    void setPageSize(const QPageSize &size); // code 0 unless it is one of the codes' sizes
    QPageSize pageSize() const { return m_pageSize; }
    double pageLength() const; // portrait height
    double pageWidth() const;

    double topMargin = 10, bottomMargin = 10, leftMargin = 10, rightMargin = 10;
    double columnGap = 4;
    int columns = 1;
    int bandsPerColumn = 0; // 0: as many as fit
    bool printIfEmpty = true;
    QString title; // the document name given to printers

    ReportBand band;

    double columnWidth() const;
    int bandsInColumn() const;
    // The place of a band on the page, by column and place in the column.
    QRectF bandRect(int column, int slot) const;

    // Runs the report onto the device (a printer, a PDF writer), one device page per page;
    // returns the page count. Sets the device's page layout to the report's paper, without
    // margins.
    int print(QPagedPaintDevice &device);
    // Runs the report into images, one per page, of the given resolution.
    QList<QImage> renderImages(double dotsPerInch = 96);

    const std::vector<DrawnBand> &drawn() const { return m_drawn; }
    int pagesDrawn() const { return m_pages; }

private:
    // pageStart(i) gives the painter for page i (from 0) and its dots per millimetre.
    using PageStart = std::function<QPainter *(int page, double &dotsPerMm)>;
    int run(const PageStart &pageStart);
    void drawBand(QPainter &painter, double dotsPerMm, DrawnBand &record);

    QPageSize m_pageSize;
    int m_paperCode = 9;
    std::vector<DrawnBand> m_drawn;
    int m_pages = 0;
};

// Shows the report's preview window (object name "ReportPreview") modally, through the modal
// layer. The report runs once before the window shows and again whenever the window asks
// (page set-up, printing from the preview). Whatever a run throws ends the preview and is
// thrown again to the caller once the window is gone.
void previewReport(Report &report, QWidget *parent = nullptr);

// Shows the system print dialog (object name "ReportPrintDialog") modally and, when the user
// confirms it, runs the report on the chosen printer. False when the dialog was cancelled.
// What the run throws reaches the caller.
bool printReport(Report &report, QWidget *parent = nullptr);

} // namespace platform
