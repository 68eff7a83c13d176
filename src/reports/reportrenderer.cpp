#include "reportrenderer.h"

#include "db/error.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextTable>

#include <algorithm>
#include <cmath>
#include <optional>

namespace reports {

namespace {

// Document lengths are quarter pixels of a 96 dpi page. Fonts are given in pixels
// too, so the layout is the same on every machine whatever its screen, and the
// half-pixel cell borders stay whole units.
constexpr qreal unitsPerPixel = 4.0;

constexpr qreal px(qreal pixels)
{
    return pixels * unitsPerPixel;
}

constexpr qreal mm(qreal millimetres)
{
    return millimetres / 25.4 * 96.0 * unitsPerPixel;
}

constexpr qreal pageWidthMm = 297.0;
constexpr qreal pageHeightMm = 210.0;
constexpr qreal marginMm = 10.0;
constexpr qreal titleIndentMm = 5.0;
constexpr qreal titleWidthMm = 269.0;
constexpr qreal tableIndentMm = 3.0;
constexpr qreal contentWidth = mm(pageWidthMm - 2 * marginMm);
constexpr qreal contentHeight = mm(pageHeightMm - 2 * marginMm);
// Every cell draws its own half-pixel frame, so neighbouring cells share a
// one-pixel line and the table's own half-pixel border completes the outer one.
constexpr qreal border = px(0.5);
constexpr qreal cellPadding = px(3);
constexpr qreal minimumColumn = px(30);
// Kept free at the foot of each page: the layout wants a little more room below
// a page's table than the table's own geometry accounts for before it lets the
// next page's table begin on the next page (measured here: 4 pixels were not
// always enough, 5 were).
constexpr qreal pageSafety = px(8);
const QColor moneyGreen(192, 220, 192);

struct Band
{
    qreal height;     // the title band
    qreal textHeight; // the title's text area inside it, from its top
};

Band titleBand(SheetKind kind)
{
    return kind == SheetKind::ErrorReport ? Band{mm(52.87), mm(41.05)} : Band{mm(31.0), mm(28.0)};
}

QFont reportFont(qreal pixels, bool bold = false)
{
    QFont font;
    // Arial where it is installed; Liberation Sans has the same metrics elsewhere.
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(qRound(px(pixels)));
    font.setBold(bold);
    return font;
}

// Cells are right-aligned unless a row says otherwise; design metrics keep the
// text where it was laid out whatever the resolution it is printed at.
QTextOption documentTextOption()
{
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setAlignment(Qt::AlignRight);
    option.setUseDesignMetrics(true);
    return option;
}

// "\r" is the line break of titles and cells; a line separator breaks the line
// without starting a new paragraph, so a cell stays one block.
QString withLineBreaks(QString text)
{
    text.replace(QStringLiteral("\r\n"), QString(QChar::LineSeparator));
    text.replace(u'\r', QChar::LineSeparator);
    text.replace(u'\n', QChar::LineSeparator);
    return text;
}

// How one cell's text sets out: its widest line, its longest unbreakable word and
// its height when no line has to wrap.
struct CellExtent
{
    qreal maxWidth = 0;
    qreal minWidth = 0;
    qreal height = 0;
};

// Measures texts the way the document lays out a paragraph: the same font,
// the same text option, lines of whole units stacked one under the other.
class CellMeasure
{
public:
    CellMeasure(const QFont &font, const QTextOption &option) : m_font(font), m_option(option) {}

    CellExtent extent(const QString &text)
    {
        if (text.isEmpty()) {
            if (!m_empty)
                m_empty = layOut(text, 1e6);
            return *m_empty;
        }
        return layOut(text, 1e6);
    }

    qreal height(const QString &text, qreal width) { return layOut(text, width).height; }

private:
    CellExtent layOut(const QString &text, qreal width) const
    {
        QTextLayout layout(text, m_font);
        layout.setTextOption(m_option);
        layout.setCacheEnabled(false);
        CellExtent extent;
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            // The document counts each line's leading in its height.
            line.setLeadingIncluded(true);
            line.setLineWidth(width);
            extent.height += line.height();
        }
        layout.endLayout();
        extent.maxWidth = layout.maximumWidth();
        extent.minWidth = layout.minimumWidth();
        return extent;
    }

    QFont m_font;
    QTextOption m_option;
    std::optional<CellExtent> m_empty;
};

// The sheet's table measured: the width of each column (padding included) and
// the height of each row (padding included, cell frames not).
struct TableMeasure
{
    QList<qreal> columnWidths;
    QList<qreal> rowHeights;
};

// The rows of each page.
struct Pagination
{
    QList<int> pageStarts;    // the first row of each page's table
    bool breakBefore = false; // the first table starts on a page after the title's
};

// Each column as wide as its widest text, at least the minimum; when the page is
// too narrow, every column keeps its longest word and the rest of the width is
// shared out as the document's own table layout would.
QList<qreal> columnWidths(const QList<QList<CellExtent>> &extents, int columns)
{
    const qreal padding = 2 * cellPadding;
    QList<qreal> widest(columns, minimumColumn);
    QList<qreal> narrowest(columns, minimumColumn);
    for (const QList<CellExtent> &row : extents) {
        for (int c = 0; c < columns; ++c) {
            widest[c] = std::max(widest[c], std::ceil(row[c].maxWidth + padding) + 1);
            narrowest[c] = std::max(narrowest[c], std::ceil(row[c].minWidth + padding) + 1);
        }
    }
    // The page's width less the table's indent, its border and each cell's frame
    // (and a pixel to spare for the layout's rounding).
    const qreal available = contentWidth - mm(tableIndentMm) - 2 * border - columns * 2 * border - px(1);
    qreal total = 0;
    for (qreal w : widest)
        total += w;
    if (total <= available)
        return widest;

    qreal least = 0;
    for (qreal w : narrowest)
        least += w;
    if (least > available) {
        // Not even the longest words fit: words break anywhere, in proportion.
        for (qreal &w : narrowest)
            w = std::max(minimumColumn, std::floor(w * available / least));
        return narrowest;
    }
    QList<qreal> widths = narrowest;
    qreal remaining = available - least;
    for (int round = 0; round < columns && remaining >= 1; ++round) {
        int growing = 0;
        for (int c = 0; c < columns; ++c)
            growing += widths[c] < widest[c] ? 1 : 0;
        if (growing == 0)
            break;
        const qreal share = std::floor(remaining / growing);
        if (share < 1)
            break;
        for (int c = 0; c < columns; ++c) {
            const qreal step = std::min(share, widest[c] - widths[c]);
            if (step > 0) {
                widths[c] += step;
                remaining -= step;
            }
        }
    }
    return widths;
}

TableMeasure measureTable(const ReportSheet &sheet, const QFont &cellFont, const QTextOption &option)
{
    const int rows = sheet.rowCount();
    const int columns = sheet.columnCount();
    CellMeasure measure(cellFont, option);
    QList<QList<CellExtent>> extents(rows);
    for (int r = 0; r < rows; ++r) {
        const QStringList cells = sheet.row(r);
        extents[r].reserve(columns);
        for (const QString &text : cells)
            extents[r] << measure.extent(withLineBreaks(text));
    }

    TableMeasure table;
    table.columnWidths = columnWidths(extents, columns);
    table.rowHeights.reserve(rows);
    for (int r = 0; r < rows; ++r) {
        qreal height = 0;
        const QStringList cells = sheet.row(r);
        for (int c = 0; c < columns; ++c) {
            const qreal width = table.columnWidths[c] - 2 * cellPadding;
            const qreal text = extents[r][c].maxWidth <= width ? extents[r][c].height
                                                               : measure.height(withLineBreaks(cells[c]), width);
            // Rounded to whole units, as the layout rounds each row.
            height = std::max(height, std::floor(text + 2 * cellPadding + 0.5));
        }
        table.rowHeights << height;
    }
    return table;
}

// Puts the rows on pages as the document's layout will, so that each page gets a
// table of its own: one long table is laid out and drawn in more than linear
// time, and two tables meeting on a page would leave a doubled line.
Pagination paginate(const QList<qreal> &rowHeights, qreal tableTop, qreal safety)
{
    // Positions count from the top of the current page. A page's table has its
    // border and each row its cell frames above and below the row.
    const qreal rowTopAtPageTop = 2 * border;
    Pagination pagination;
    qreal y = std::fmod(tableTop, contentHeight) + rowTopAtPageTop;
    bool breakNext = false;
    for (int r = 0; r < rowHeights.size(); ++r) {
        const qreal height = rowHeights[r];
        const auto fitsAt = [&](qreal top) { return top + height + 2 * border <= contentHeight - safety; };
        if (breakNext || (!fitsAt(y) && y > rowTopAtPageTop)) {
            if (pagination.pageStarts.isEmpty())
                pagination.breakBefore = true;
            pagination.pageStarts << r;
            y = rowTopAtPageTop;
        } else if (pagination.pageStarts.isEmpty()) {
            pagination.pageStarts << r;
        }
        // A row higher than a page is broken by the layout itself; whatever
        // follows it starts on a fresh page.
        breakNext = !fitsAt(y);
        y += height + 2 * border;
    }
    return pagination;
}

// Whether every page's table stands on a page of its own, one after the other.
bool laidOutAsPlanned(const QTextDocument &document)
{
    const QAbstractTextDocumentLayout *layout = document.documentLayout();
    const qreal pageHeight = document.pageSize().height();
    const auto block = [&](const QTextTableCell &cell) {
        return layout->blockBoundingRect(cell.firstCursorPosition().block());
    };
    int previous = -1;
    for (QTextFrame *frame : document.rootFrame()->childFrames()) {
        const auto *table = qobject_cast<QTextTable *>(frame);
        if (!table)
            continue;
        const int first = int(block(table->cellAt(0, 0)).top() / pageHeight);
        // A single row higher than a page is the only one allowed to span pages.
        const int last = int((block(table->cellAt(table->rows() - 1, 0)).bottom() - 1) / pageHeight);
        if ((previous >= 0 && first != previous + 1) || (first != last && table->rows() > 1))
            return false;
        previous = last;
    }
    return true;
}

void insertTitle(QTextCursor &cursor, const ReportSheet &sheet)
{
    QTextBlockFormat block;
    block.setAlignment(Qt::AlignLeft);
    block.setLeftMargin(mm(titleIndentMm));
    block.setRightMargin(mm(pageWidthMm - 2 * marginMm - titleIndentMm - titleWidthMm));
    QTextCharFormat text;
    text.setFont(reportFont(13, true));
    cursor.setBlockFormat(block);
    cursor.setBlockCharFormat(text);
    cursor.insertText(withLineBreaks(sheet.titleLines.join(QChar::LineSeparator)), text);
}

void insertTables(QTextCursor &cursor, const ReportSheet &sheet, const TableMeasure &measure,
                  const Pagination &pagination, const QFont &cellFont, const QTextCharFormat &tiny)
{
    QTextTableFormat format;
    format.setBorder(border);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    format.setBorderBrush(Qt::black);
    format.setCellSpacing(0);
    format.setCellPadding(cellPadding);
    format.setLeftMargin(mm(tableIndentMm));
    format.setAlignment(Qt::AlignLeft);
    // The first row is data of the sheet like any other; it is not repeated.
    format.setHeaderRowCount(0);
    QList<QTextLength> widths;
    for (qreal w : measure.columnWidths)
        widths << QTextLength(QTextLength::FixedLength, w);
    format.setColumnWidthConstraints(widths);

    // A cell's format is also the character format of its first paragraph, so it
    // carries the cell font too: an empty cell is then as high as a written one.
    QTextTableCellFormat cellFormat;
    cellFormat.setFont(cellFont);
    cellFormat.setVerticalAlignment(QTextCharFormat::AlignMiddle);
    QTextTableCellFormat firstRowFormat = cellFormat;
    firstRowFormat.setBackground(moneyGreen);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    QTextCharFormat text;
    text.setFont(cellFont);

    for (int page = 0; page < pagination.pageStarts.size(); ++page) {
        const int first = pagination.pageStarts[page];
        const int end = page + 1 < pagination.pageStarts.size() ? pagination.pageStarts[page + 1] : sheet.rowCount();
        // Each page's table ends its page. (A break after a table rather than
        // before the next one: the empty paragraph between two tables would
        // otherwise be laid out at the foot of the page and push the next table a
        // page further.)
        const bool last = page + 1 == pagination.pageStarts.size();
        format.setPageBreakPolicy(last ? QTextFormat::PageBreak_Auto : QTextFormat::PageBreak_AlwaysAfter);
        cursor.movePosition(QTextCursor::End);
        QTextTable *table = cursor.insertTable(end - first, sheet.columnCount(), format);
        for (int r = first; r < end; ++r) {
            const QStringList cells = sheet.row(r);
            for (int c = 0; c < cells.size(); ++c) {
                QTextTableCell cell = table->cellAt(r - first, c);
                cell.setFormat(r == 0 ? firstRowFormat : cellFormat);
                QTextCursor inCell = cell.firstCursorPosition();
                if (r == 0)
                    inCell.setBlockFormat(centred);
                if (!cells[c].isEmpty())
                    inCell.insertText(withLineBreaks(cells[c]), text);
            }
        }
        // The paragraph after each table shrinks to nothing.
        cursor.movePosition(QTextCursor::End);
        cursor.setBlockCharFormat(tiny);
    }
}

// Paints pages first..last (from 1) on a device whose painter is active.
void paintPages(const QTextDocument &document, QPainter &painter, QPagedPaintDevice &device, int first,
                int last)
{
    const QSizeF page = document.pageSize();
    const qreal scale = std::min(device.width() / page.width(), device.height() / page.height());
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, Qt::black);
    for (int number = first; number <= last; ++number) {
        if (number > first)
            device.newPage();
        const QRectF view(QPointF(0, (number - 1) * page.height()), page);
        painter.save();
        painter.scale(scale, scale);
        painter.translate(0, -view.top());
        painter.setClipRect(view);
        context.clip = view;
        document.documentLayout()->draw(&painter, context);
        painter.restore();
    }
}

std::unique_ptr<QTextDocument> buildDocument(const ReportSheet &sheet, SheetKind kind, const TableMeasure &table,
                                             const QFont &cellFont, qreal safety)
{
    auto document = std::make_unique<QTextDocument>();
    document->setUndoRedoEnabled(false);
    document->setMetaInformation(QTextDocument::DocumentTitle, sheet.titleLines.value(0));
    document->setDocumentMargin(0);
    document->setDefaultFont(reportFont(11));
    document->setDefaultTextOption(documentTextOption());
    document->setPageSize(QSizeF(contentWidth, contentHeight));

    QTextCursor cursor(document.get());
    insertTitle(cursor, sheet);
    // The band keeps its height when the title fits it and grows with a longer
    // title, so that no title line is ever cut off.
    const Band band = titleBand(kind);
    const qreal titleHeight = document->documentLayout()->blockBoundingRect(document->firstBlock()).height();
    const qreal bandHeight = std::max(band.height, titleHeight + band.height - band.textHeight);
    const Pagination pagination = paginate(table.rowHeights, bandHeight, safety);

    cursor.beginEditBlock();
    if (pagination.breakBefore) {
        // No row fits below the title: the table starts on the next page.
        QTextBlockFormat title = cursor.blockFormat();
        title.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysAfter);
        cursor.setBlockFormat(title);
    }
    // The rest of the band is the top margin of the empty paragraph before the
    // table, which the layout draws no line for: a table's own top margin would
    // be repeated on every page, and a paragraph's bottom margin is dropped before
    // a table. That paragraph and the ones between tables get a tiny font, so
    // that they never reach the foot of a page.
    QTextBlockFormat spacer;
    spacer.setTopMargin(pagination.breakBefore ? 0 : bandHeight - titleHeight);
    QTextCharFormat tiny;
    tiny.setProperty(QTextFormat::FontPixelSize, 1);
    cursor.insertBlock(spacer, tiny);
    insertTables(cursor, sheet, table, pagination, cellFont, tiny);
    cursor.endEditBlock();
    return document;
}

} // namespace

QPageLayout sheetPageLayout()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                       QMarginsF(marginMm, marginMm, marginMm, marginMm), QPageLayout::Millimeter);
}

std::unique_ptr<QTextDocument> renderSheet(const ReportSheet &sheet, SheetKind kind)
{
    const QFont cellFont = reportFont(9);
    const TableMeasure table = measureTable(sheet, cellFont, documentTextOption());
    std::unique_ptr<QTextDocument> document = buildDocument(sheet, kind, table, cellFont, pageSafety);
    // Should the layout still have moved a row to another page, the pages are
    // planned again with a wider reserve; the document is complete either way.
    if (!laidOutAsPlanned(*document))
        document = buildDocument(sheet, kind, table, cellFont, 4 * pageSafety);
    return document;
}

void printSheet(const QTextDocument &document, QPrinter &printer)
{
    const int pages = document.pageCount();
    int first = 1;
    int last = pages;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = std::max(1, printer.fromPage());
        last = std::min(pages, printer.toPage() > 0 ? printer.toPage() : pages);
    }
    QPainter painter;
    if (!painter.begin(&printer))
        throw db::Error(QStringLiteral("Nie można rozpocząć drukowania raportu."));
    if (first <= last)
        paintPages(document, painter, printer, first, last);
    painter.end();
}

void writePdf(const QTextDocument &document, const QString &path)
{
    const QString shown = QDir::toNativeSeparators(path);
    const QFileInfo target(path);
    if (!QDir().mkpath(target.absolutePath()))
        throw db::Error(QStringLiteral("Nie można utworzyć folderu \"%1\" na plik PDF \"%2\".")
                            .arg(QDir::toNativeSeparators(target.absolutePath()), shown));
    if (target.isDir())
        throw db::Error(QStringLiteral("Nie można zapisać pliku PDF \"%1\": w tym miejscu jest folder.").arg(shown));

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw db::Error(QStringLiteral("Nie można zapisać pliku PDF \"%1\": %2").arg(shown, file.errorString()));
    {
        QPdfWriter writer(&file);
        writer.setPageLayout(sheetPageLayout());
        writer.setCreator(QStringLiteral("Tervala"));
        writer.setTitle(document.metaInformation(QTextDocument::DocumentTitle));
        QPainter painter;
        if (!painter.begin(&writer))
            throw db::Error(QStringLiteral("Nie można zapisać pliku PDF \"%1\".").arg(shown));
        paintPages(document, painter, writer, 1, document.pageCount());
        painter.end();
    }
    // The file takes the old one's place only now, complete; on any failure the
    // old file, if any, stays as it was and no part of the new one is left.
    if (!file.commit())
        throw db::Error(QStringLiteral("Nie można zapisać pliku PDF \"%1\": %2").arg(shown, file.errorString()));
}

void writeSheetPdf(const ReportSheet &sheet, SheetKind kind, const QString &path)
{
    writePdf(*renderSheet(sheet, kind), path);
}

} // namespace reports
