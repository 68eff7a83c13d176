#include "reportrenderer.h"

#include "db/error.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

#include <algorithm>
#include <QElapsedTimer>
#include <QDebug>

// The resolution QTextDocument measures its lengths in (the screen's logical
// resolution, or 96 where the application says so). Qt exports it for exactly
// this use; without it millimetres could not be turned into document units.
QT_BEGIN_NAMESPACE
Q_GUI_EXPORT int qt_defaultDpiY();
QT_END_NAMESPACE

namespace reports {

namespace {

constexpr qreal pageWidthMm = 297.0;
constexpr qreal pageHeightMm = 210.0;
constexpr qreal marginMm = 10.0;
constexpr qreal titleIndentMm = 5.0;
constexpr qreal titleWidthMm = 269.0;
constexpr qreal tableIndentMm = 3.0;
// Lengths in pixels are pixels of a 96 dpi screen, the unit the reports were drawn in.
constexpr qreal cellPaddingPx = 3.0;
constexpr qreal borderPx = 1.0;
constexpr qreal minimumColumnPx = 30.0;
const QColor moneyGreen(192, 220, 192);

struct Band
{
    qreal heightMm;     // the title band
    qreal textHeightMm; // the title's text area inside it, from its top
};

Band titleBand(SheetKind kind)
{
    return kind == SheetKind::ErrorReport ? Band{52.87, 41.05} : Band{31.0, 28.0};
}

qreal documentDpi()
{
    return qreal(qt_defaultDpiY());
}

qreal fromMm(qreal mm)
{
    return mm / 25.4 * documentDpi();
}

qreal fromPx(qreal px)
{
    return px * documentDpi() / 96.0;
}

QFont reportFont(qreal points, bool bold = false)
{
    QFont font;
    // Arial where it is installed; Liberation Sans has the same metrics elsewhere.
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
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

// The column widths: every column may take the width its texts need (the
// document's own table layout decides, wrapping only when the page is too
// narrow), but none is narrower than the minimum.
QList<QTextLength> columnConstraints(const ReportSheet &sheet, const QFont &cellFont)
{
    const QFontMetricsF metrics(cellFont);
    const qreal minimum = fromPx(minimumColumnPx);
    // Some slack so that a text measured just under the minimum never wraps.
    const qreal frame = fromPx(2 * cellPaddingPx + borderPx + 2.0);
    QList<qreal> natural(sheet.columnCount(), 0.0);
    for (int r = 0; r < sheet.rowCount(); ++r) {
        const QStringList cells = sheet.row(r);
        for (int c = 0; c < cells.size(); ++c) {
            if (natural[c] >= minimum || cells[c].isEmpty())
                continue;
            for (const QString &line : withLineBreaks(cells[c]).split(QChar::LineSeparator))
                natural[c] = std::max(natural[c], metrics.horizontalAdvance(line) + frame);
        }
    }
    QList<QTextLength> constraints;
    for (qreal width : natural)
        constraints << (width < minimum ? QTextLength(QTextLength::FixedLength, minimum) : QTextLength());
    return constraints;
}

void insertTitle(QTextCursor &cursor, const ReportSheet &sheet)
{
    QTextBlockFormat block;
    block.setAlignment(Qt::AlignLeft);
    block.setLeftMargin(fromMm(titleIndentMm));
    block.setRightMargin(fromMm(pageWidthMm - 2 * marginMm - titleIndentMm - titleWidthMm));
    QTextCharFormat text;
    text.setFont(reportFont(9.75, true));
    cursor.setBlockFormat(block);
    cursor.setBlockCharFormat(text);
    cursor.insertText(withLineBreaks(sheet.titleLines.join(QChar::LineSeparator)), text);
}

void insertTable(QTextCursor &cursor, const ReportSheet &sheet)
{
    const QFont cellFont = reportFont(6.75);
    QTextTableFormat format;
    format.setBorder(fromPx(borderPx));
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    format.setBorderBrush(Qt::black);
    format.setBorderCollapse(!qEnvironmentVariableIsSet("NOCOLLAPSE"));
    format.setCellSpacing(0);
    format.setCellPadding(fromPx(cellPaddingPx));
    format.setLeftMargin(fromMm(tableIndentMm));
    format.setAlignment(Qt::AlignLeft);
    // The first row is data of the sheet like any other; it is not repeated.
    format.setHeaderRowCount(0);
    if (!qEnvironmentVariableIsSet("NOCONSTR")) format.setColumnWidthConstraints(columnConstraints(sheet, cellFont));

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

    QElapsedTimer tt; tt.start();
    const int chunk = qEnvironmentVariableIsSet("CHUNK") ? qEnvironmentVariableIntValue("CHUNK") : sheet.rowCount();
    for (int start = 0; start < sheet.rowCount(); start += chunk) {
    const int n = std::min(chunk, sheet.rowCount() - start);
    cursor.movePosition(QTextCursor::End);
    QTextTable *table = cursor.insertTable(n, sheet.columnCount(), format);
    for (int r = start; r < start + n; ++r) {
        const QStringList cells = sheet.row(r);
        for (int c = 0; c < cells.size(); ++c) {
            QTextTableCell cell = table->cellAt(r - start, c);
            cell.setFormat(r == 0 ? firstRowFormat : cellFormat);
            QTextCursor inCell = cell.firstCursorPosition();
            if (r == 0)
                inCell.setBlockFormat(centred);
            if (!cells[c].isEmpty())
                inCell.insertText(withLineBreaks(cells[c]), text);
        }
    }
    }
    qDebug() << "fill" << tt.restart();
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

} // namespace

QPageLayout sheetPageLayout()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                       QMarginsF(marginMm, marginMm, marginMm, marginMm), QPageLayout::Millimeter);
}

std::unique_ptr<QTextDocument> renderSheet(const ReportSheet &sheet, SheetKind kind)
{
    auto document = std::make_unique<QTextDocument>();
    document->setUndoRedoEnabled(false);
    document->setUseDesignMetrics(true);
    document->setDocumentMargin(0);
    document->setDefaultFont(reportFont(8.25));
    // Cells are right-aligned unless a row says otherwise.
    QTextOption option = document->defaultTextOption();
    option.setAlignment(Qt::AlignRight);
    document->setDefaultTextOption(option);
    document->setPageSize(QSizeF(fromMm(pageWidthMm - 2 * marginMm), fromMm(pageHeightMm - 2 * marginMm)));

    QTextCursor cursor(document.get());
    insertTitle(cursor, sheet);
    // The band keeps its height when the title fits it and grows with a longer
    // title, so that no title line is ever cut off.
    const Band band = titleBand(kind);
    const qreal titleHeight = document->documentLayout()->blockBoundingRect(document->firstBlock()).height();
    // The rest of the band is the top margin of a tiny empty paragraph below the
    // title: a table's own top margin would be repeated on every page the table
    // continues on, and a paragraph's bottom margin is dropped before a table.
    QTextBlockFormat spacer;
    spacer.setTopMargin(std::max(fromMm(band.heightMm) - titleHeight, fromMm(band.heightMm - band.textHeightMm)));
    QTextCharFormat tiny;
    tiny.setFontPointSize(1);

    if (qEnvironmentVariableIsSet("NOPAGE")) document->setPageSize(QSizeF(document->pageSize().width(), 1e9));
    cursor.beginEditBlock();
    cursor.insertBlock(spacer, tiny);
    insertTable(cursor, sheet);
    // The paragraph that always follows a table: kept tiny so that it never
    // spills onto a page of its own.
    cursor.movePosition(QTextCursor::End);
    cursor.setBlockFormat(QTextBlockFormat());
    cursor.setBlockCharFormat(tiny);
    QElapsedTimer tt; tt.start();
    cursor.endEditBlock();
    qDebug() << "endEdit" << tt.restart();
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

void writeSheetPdf(const ReportSheet &sheet, SheetKind kind, const QString &path)
{
    const QString shown = QDir::toNativeSeparators(path);
    const QFileInfo target(path);
    if (!QDir().mkpath(target.absolutePath()))
        throw db::Error(QStringLiteral("Nie można utworzyć folderu \"%1\" na plik PDF \"%2\".")
                            .arg(QDir::toNativeSeparators(target.absolutePath()), shown));
    if (target.isDir())
        throw db::Error(QStringLiteral("Nie można zapisać pliku PDF \"%1\": w tym miejscu jest folder.").arg(shown));

    const std::unique_ptr<QTextDocument> document = renderSheet(sheet, kind);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw db::Error(QStringLiteral("Nie można zapisać pliku PDF \"%1\": %2").arg(shown, file.errorString()));
    {
        QPdfWriter writer(&file);
        writer.setPageLayout(sheetPageLayout());
        writer.setCreator(QStringLiteral("Tervala"));
        writer.setTitle(sheet.titleLines.value(0));
        QPainter painter;
        if (!painter.begin(&writer))
            throw db::Error(QStringLiteral("Nie można zapisać pliku PDF \"%1\".").arg(shown));
        QElapsedTimer tt; tt.start();
        paintPages(*document, painter, writer, 1, document->pageCount());
        qDebug() << "paint" << tt.restart();
        painter.end();
    }
    if (file.error() != QFileDevice::NoError || !file.commit())
        throw db::Error(QStringLiteral("Nie można zapisać pliku PDF \"%1\": %2").arg(shown, file.errorString()));
}

} // namespace reports
