#include "reportrenderer.h"

#include "common/failures.h"
#include "common/fileerror.h"
#include "common/outputfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace reports {

// How one cell's text sets out: its widest line, its longest unbreakable word and
// its height when no line has to wrap.
struct CellExtent
{
    qreal maxWidth = 0;
    qreal minWidth = 0;
    qreal height = 0;
};

// Lays texts out as the pages draw them: lines stacked one under the other.
class CellMeasure
{
public:
    CellMeasure(const QFont &font, const QTextOption &option) : m_font(font), m_option(option) {}

    // Texts repeat in a report (empty cells, dates, kinds of client): each is
    // measured once.
    CellExtent extent(const QString &text)
    {
        const auto known = m_extents.constFind(text);
        if (known != m_extents.cend())
            return *known;
        return *m_extents.insert(text, measure(text, 1e6));
    }

    qreal height(const QString &text, qreal width) const { return measure(text, width).height; }
    // The height of one line.
    qreal lineHeight() { return extent(QString()).height; }

    // Lays the text out in lines of the width, the first at the top of the
    // layout; returns the height of the lines.
    qreal layOut(QTextLayout &layout, qreal width) const
    {
        layout.setFont(m_font);
        layout.setTextOption(m_option);
        layout.setCacheEnabled(false);
        qreal height = 0;
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            // Each line's leading counts in its height.
            line.setLeadingIncluded(true);
            line.setLineWidth(width);
            line.setPosition(QPointF(0, height));
            height += line.height();
        }
        layout.endLayout();
        return height;
    }

private:
    CellExtent measure(const QString &text, qreal width) const
    {
        QTextLayout layout(text);
        CellExtent extent;
        extent.height = layOut(layout, width);
        // (The layout's own maximum width adds up the lines of a text with line
        // breaks instead of taking the widest.)
        for (int i = 0; i < layout.lineCount(); ++i)
            extent.maxWidth = std::max(extent.maxWidth, layout.lineAt(i).naturalTextWidth());
        extent.minWidth = layout.minimumWidth();
        return extent;
    }

    QFont m_font;
    QTextOption m_option;
    QHash<QString, CellExtent> m_extents;
};

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
// The frame lines around and between the cells are one pixel wide.
constexpr qreal frameLine = px(1);
constexpr qreal cellPadding = px(3);
constexpr qreal minimumColumn = px(30);
const QColor moneyGreen(192, 220, 192);
// How many rows are measured between two heartbeats.
constexpr int rowsPerBeat = 500;

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

// Design metrics keep the text where it was laid out whatever the resolution it
// is printed at.
QTextOption textOption(Qt::Alignment alignment)
{
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setAlignment(alignment);
    option.setUseDesignMetrics(true);
    return option;
}

// "\r" is the line break of titles and cells; a line separator is a layout's
// forced line break.
QString withLineBreaks(QString text)
{
    text.replace(QStringLiteral("\r\n"), QString(QChar::LineSeparator));
    text.replace(u'\r', QChar::LineSeparator);
    text.replace(u'\n', QChar::LineSeparator);
    return text;
}

// Each column as wide as its widest text, at least the minimum; when the page is
// too narrow, every column keeps its longest word and the rest of the width is
// shared out evenly among the columns that want more.
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
    // The page's width less the table's indent and the frame lines (and a pixel
    // to spare).
    const qreal available = contentWidth - mm(tableIndentMm) - (columns + 1) * frameLine - px(1);
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

// The sheet's table measured: the width of each column and the height of each
// row (its highest cell), padding included, frame lines not.
struct TableMeasure
{
    QList<qreal> columnWidths;
    QList<qreal> rowHeights;
};

TableMeasure measureTable(const ReportSheet &sheet, CellMeasure &measure, const Heartbeat &heartbeat)
{
    const int rows = sheet.rowCount();
    const int columns = sheet.columnCount();
    QList<QList<CellExtent>> extents(rows);
    for (int r = 0; r < rows; ++r) {
        if (heartbeat && r % rowsPerBeat == rowsPerBeat - 1)
            heartbeat();
        const QStringList cells = sheet.row(r);
        extents[r].reserve(columns);
        for (const QString &text : cells)
            extents[r] << measure.extent(withLineBreaks(text));
    }
    TableMeasure table;
    table.columnWidths = columnWidths(extents, columns);
    table.rowHeights.reserve(rows);
    for (int r = 0; r < rows; ++r) {
        if (heartbeat && r % rowsPerBeat == rowsPerBeat - 1)
            heartbeat();
        qreal height = 0;
        for (int c = 0; c < columns; ++c) {
            const qreal width = table.columnWidths[c] - 2 * cellPadding;
            const qreal text = extents[r][c].maxWidth <= width
                                   ? extents[r][c].height
                                   : measure.height(withLineBreaks(sheet.cell(c, r)), width);
            // Rounded to whole units.
            height = std::max(height, std::floor(text + 2 * cellPadding + 0.5));
        }
        table.rowHeights << height;
    }
    return table;
}

QFont cellFont()
{
    return reportFont(9);
}

QFont titleFont()
{
    return reportFont(13, true);
}

} // namespace

QPageLayout sheetPageLayout()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                       QMarginsF(marginMm, marginMm, marginMm, marginMm), QPageLayout::Millimeter);
}

SheetPages::SheetPages(const ReportSheet &sheet, SheetKind kind, const Heartbeat &heartbeat) : m_sheet(sheet)
{
    const BandEnd band = planTitle(kind);
    CellMeasure measure(cellFont(), textOption(Qt::AlignRight));
    const TableMeasure table = measureTable(sheet, measure, heartbeat);
    m_columnWidths = table.columnWidths;
    qreal left = mm(tableIndentMm) + frameLine;
    for (qreal width : m_columnWidths) {
        m_columnLefts << left;
        left += width + frameLine;
    }
    planRows(table.rowHeights, measure.lineHeight(), band);
}

SheetPages::~SheetPages() = default;

QSizeF SheetPages::pageSize()
{
    return QSizeF(contentWidth, contentHeight);
}

// The title's lines stacked from the top of the first page, a line that does not
// fit going to the next page; the band below the last line is as high as the
// report's band leaves below its text (it never shrinks below the band).
SheetPages::BandEnd SheetPages::planTitle(SheetKind kind)
{
    m_titleLayout = std::make_unique<QTextLayout>(withLineBreaks(m_sheet.titleLines.join(QChar::LineSeparator)));
    const CellMeasure measure(titleFont(), textOption(Qt::AlignLeft));
    measure.layOut(*m_titleLayout, mm(titleWidthMm));
    int page = 0;
    qreal shift = 0; // how far the lines of this page are moved up
    qreal bottom = 0;
    for (int i = 0; i < m_titleLayout->lineCount(); ++i) {
        QTextLine line = m_titleLayout->lineAt(i);
        qreal top = line.y() - shift;
        if (top + line.height() > contentHeight && top > 0) {
            ++page;
            shift += top;
            top = 0;
        }
        line.setPosition(QPointF(line.x(), top));
        m_titleLinePages << page;
        bottom = top + line.height();
    }
    const Band band = titleBand(kind);
    return {page, std::max(page == 0 ? band.height : 0.0, bottom + band.height - band.textHeight)};
}

// Rows go on the page while they fit above its foot, frame lines included. A row
// higher than a whole page starts on a page of its own and is cut into parts
// of whole text lines, one part per page.
void SheetPages::planRows(const QList<qreal> &heights, qreal lineHeight, BandEnd band)
{
    const qreal pageRoom = contentHeight - 2 * frameLine; // for rows on an empty page
    int page = band.page;
    qreal top = band.bottom + frameLine; // of the next row
    const auto newPage = [&] {
        ++page;
        top = frameLine;
    };
    m_firstPartOfRow.reserve(heights.size());
    for (int r = 0; r < heights.size(); ++r) {
        const qreal height = heights[r];
        // (A row higher than a page fits only at the top of an empty page.)
        if (top + std::min(height, pageRoom) + frameLine > contentHeight)
            newPage();
        m_firstPartOfRow << int(m_parts.size());
        qreal skipped = 0;
        while (height - skipped > pageRoom) {
            // Whole lines of the top-aligned text, the padding above them included.
            const qreal lines = std::floor((pageRoom - (skipped == 0 ? cellPadding : 0)) / lineHeight);
            const qreal part = std::max(lineHeight, lines * lineHeight) + (skipped == 0 ? cellPadding : 0);
            m_parts << RowPart{r, page, top, part, skipped, height};
            skipped += part;
            newPage();
        }
        m_parts << RowPart{r, page, top, height - skipped, skipped, height};
        top += height - skipped + frameLine;
    }
    const int pages = page + 1;
    m_firstPartOfPage.fill(int(m_parts.size()), pages + 1);
    for (int i = int(m_parts.size()) - 1; i >= 0; --i)
        m_firstPartOfPage[m_parts[i].page] = i;
    for (int p = pages - 1; p >= 0; --p)
        m_firstPartOfPage[p] = std::min(m_firstPartOfPage[p], m_firstPartOfPage[p + 1]);
}

SheetPages::Place SheetPages::cellPlace(int row, int column) const
{
    const RowPart &part = m_parts.at(m_firstPartOfRow.at(row));
    return {part.page, QRectF(m_columnLefts.at(column), part.top, m_columnWidths.at(column), part.height)};
}

int SheetPages::titleLineCount() const
{
    return m_titleLayout->lineCount();
}

void SheetPages::paintPage(QPainter &painter, int page) const
{
    painter.save();
    painter.setClipRect(QRectF(QPointF(0, 0), pageSize()));
    painter.setPen(Qt::black);
    for (int i = 0; i < m_titleLayout->lineCount(); ++i) {
        if (m_titleLinePages[i] == page)
            m_titleLayout->lineAt(i).draw(&painter, QPointF(mm(titleIndentMm), 0));
    }

    const int first = m_firstPartOfPage[page];
    const int end = m_firstPartOfPage[page + 1];
    if (first < end) {
        const CellMeasure heading(cellFont(), textOption(Qt::AlignHCenter));
        const CellMeasure cells(cellFont(), textOption(Qt::AlignRight));
        const qreal left = m_columnLefts.first() - frameLine;
        const qreal right = m_columnLefts.last() + m_columnWidths.last();
        const qreal top = m_parts[first].top - frameLine;
        const qreal bottom = m_parts[end - 1].top + m_parts[end - 1].height;
        for (int i = first; i < end; ++i) {
            const RowPart &part = m_parts[i];
            if (part.row == 0)
                painter.fillRect(QRectF(left, part.top, right - left, part.height), moneyGreen);
            paintRow(painter, part, part.row == 0 ? heading : cells);
            painter.fillRect(QRectF(left, part.top - frameLine, right + frameLine - left, frameLine), Qt::black);
        }
        painter.fillRect(QRectF(left, bottom, right + frameLine - left, frameLine), Qt::black);
        for (qreal x : m_columnLefts)
            painter.fillRect(QRectF(x - frameLine, top, frameLine, bottom + frameLine - top), Qt::black);
        painter.fillRect(QRectF(right, top, frameLine, bottom + frameLine - top), Qt::black);
    }
    painter.restore();
}

// Each cell's text inside the padding, right-aligned (centred in the first row)
// and vertically centred; the cells of a row higher than a page are aligned at
// the top, so that its parts end between lines.
void SheetPages::paintRow(QPainter &painter, const RowPart &part, const CellMeasure &measure) const
{
    const QStringList cells = m_sheet.row(part.row);
    const bool split = part.height < part.rowHeight;
    const qreal rowTop = part.top - part.skipped;
    for (int c = 0; c < cells.size(); ++c) {
        if (cells[c].isEmpty())
            continue;
        QTextLayout layout(withLineBreaks(cells[c]));
        const qreal textHeight = measure.layOut(layout, m_columnWidths[c] - 2 * cellPadding);
        const qreal free = part.rowHeight - 2 * cellPadding - textHeight;
        const QPointF at(m_columnLefts[c] + cellPadding, rowTop + cellPadding + (split ? 0 : free / 2));
        if (!split) {
            layout.draw(&painter, at);
            continue;
        }
        // Only the lines of this part: each line lies wholly in one part.
        for (int i = 0; i < layout.lineCount(); ++i) {
            const QTextLine line = layout.lineAt(i);
            const qreal middle = at.y() + line.y() + line.height() / 2;
            if (middle >= part.top && middle < part.top + part.height)
                line.draw(&painter, at);
        }
    }
}

void paintPages(const SheetPages &pages, QPainter &painter, QPagedPaintDevice &device, int first, int last,
                const Heartbeat &heartbeat)
{
    const QSizeF page = SheetPages::pageSize();
    const qreal scale = std::min(device.width() / page.width(), device.height() / page.height());
    for (int number = first; number <= last; ++number) {
        if (heartbeat)
            heartbeat();
        if (number > first)
            device.newPage();
        painter.save();
        painter.scale(scale, scale);
        pages.paintPage(painter, number - 1);
        painter.restore();
    }
}

void writePdf(const SheetPages &pages, const QString &path, const Heartbeat &heartbeat)
{
    const QString shown = QDir::toNativeSeparators(path);
    const QFileInfo target(path);
    if (!output::ensureFolderOf(path))
        throw FileError(QStringLiteral("Nie można zapisać pliku PDF \"%1\": folder \"%2\" nie istnieje.")
                            .arg(shown, QDir::toNativeSeparators(target.absolutePath())));
    if (target.isDir())
        throw FileError(QStringLiteral("Nie można zapisać pliku PDF \"%1\": w tym miejscu jest folder.").arg(shown));

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw FileError(explainFileFailure(path, file, FileAccess::Write)
                            .text(QStringLiteral("Nie można zapisać pliku PDF \"%1\": ").arg(shown)));
    {
        QPdfWriter writer(&file);
        writer.setPageLayout(sheetPageLayout());
        writer.setCreator(QStringLiteral("Tervala"));
        writer.setTitle(pages.title());
        QPainter painter;
        if (!painter.begin(&writer))
            throw FileError(QStringLiteral("Nie można zapisać pliku PDF \"%1\".").arg(shown));
        paintPages(pages, painter, writer, 1, pages.pageCount(), heartbeat);
        painter.end();
    }
    // The file takes the old one's place only now, complete; on any failure the
    // old file, if any, stays as it was and no part of the new one is left.
    if (!file.commit())
        throw FileError(explainFileFailure(path, file, FileAccess::Write)
                            .text(QStringLiteral("Nie można zapisać pliku PDF \"%1\": ").arg(shown)));
}

void writeSheetPdf(const ReportSheet &sheet, SheetKind kind, const QString &path, const Heartbeat &heartbeat)
{
    writePdf(SheetPages(sheet, kind, heartbeat), path, heartbeat);
}

} // namespace reports
