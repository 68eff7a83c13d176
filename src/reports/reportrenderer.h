#pragma once

#include "reportsheet.h"

#include <QList>
#include <QPageLayout>
#include <QRectF>
#include <QString>

#include <functional>
#include <memory>

class QPagedPaintDevice;
class QPainter;
class QTextLayout;

namespace reports {

class CellMeasure;

// The two report definitions differ only in the height of the title band.
enum class SheetKind { ImportReport, ErrorReport };

// Landscape A4 with 10 mm margins on every side: the page of every report.
QPageLayout sheetPageLayout();

// Called now and then while a long sheet is laid out or painted, so that the
// window can redraw itself in the meantime.
using Heartbeat = std::function<void()>;

// A sheet laid out on pages of sheetPageLayout(): the bold title band, then the
// sheet's table of framed cells with the first row on money green, broken between
// rows onto as many pages as it needs (the first row is data and is not
// repeated). Texts are laid out with design metrics, so the pages are the same on
// every device.
//
// Lengths are quarter pixels of a 96 dpi page, counted from the top left corner
// of a page's printable area.
class SheetPages
{
public:
    SheetPages(const ReportSheet &sheet, SheetKind kind, const Heartbeat &heartbeat = {});
    ~SheetPages();
    SheetPages(const SheetPages &) = delete;
    SheetPages &operator=(const SheetPages &) = delete;

    int pageCount() const { return int(m_firstPartOfPage.size()) - 1; }
    // The first title line: the title of the PDF file and of the print job.
    QString title() const { return m_sheet.titleLines.value(0); }
    // The printable area of a page.
    static QSizeF pageSize();

    // Where a cell is drawn: its page (from 0) and its rectangle inside the frame
    // lines. A row higher than a page continues on the next pages; the place is
    // that of its first part.
    struct Place
    {
        int page = 0;
        QRectF rect;
    };
    Place cellPlace(int row, int column) const;
    // The number of lines the title is laid out in.
    int titleLineCount() const;

    // Paints page `page` (from 0) with a painter whose coordinates are those of
    // the page (see pageSize).
    void paintPage(QPainter &painter, int page) const;

private:
    // One row, or the part of a row that is drawn on one page.
    struct RowPart
    {
        int row;
        int page;
        qreal top;       // inside the frame line above
        qreal height;    // inside the frame lines
        qreal skipped;   // how much of the row earlier pages drew
        qreal rowHeight; // of the whole row
    };

    // Where the title band ends: its last page and the foot of the band there.
    struct BandEnd
    {
        int page;
        qreal bottom;
    };
    BandEnd planTitle(SheetKind kind);
    void planRows(const QList<qreal> &rowHeights, qreal lineHeight, BandEnd band);
    void paintRow(QPainter &painter, const RowPart &part, const CellMeasure &measure) const;

    ReportSheet m_sheet;
    std::unique_ptr<QTextLayout> m_titleLayout;
    QList<int> m_titleLinePages; // the page of each title line
    QList<qreal> m_columnLefts;  // inside the frame line left of each column
    QList<qreal> m_columnWidths; // inside the frame lines
    QList<RowPart> m_parts;      // in order of rows and pages
    QList<int> m_firstPartOfRow;
    QList<int> m_firstPartOfPage; // one more than there are pages
};

// Paints pages first to last (numbered from 1) on a paged device, each scaled to
// its page, a new page before each but the first.
void paintPages(const SheetPages &pages, QPainter &painter, QPagedPaintDevice &device, int first, int last,
                const Heartbeat &heartbeat = {});

// Writes the pages as a PDF file, whole or not at all: an existing file is
// replaced without asking (output::OutputGuard asks first), a missing folder is an error. Throws db::Error with a
// Polish message naming the file when it cannot be written.
void writePdf(const SheetPages &pages, const QString &path, const Heartbeat &heartbeat = {});

// Lays the sheet out and writes it with writePdf.
void writeSheetPdf(const ReportSheet &sheet, SheetKind kind, const QString &path, const Heartbeat &heartbeat = {});

} // namespace reports
