#include "common/messages.h"
#include "db/error.h"
#include "reports/reportrenderer.h"
#include "shell/reportpreview.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include <climits>

using reports::ReportSheet;
using reports::SheetKind;

namespace {

// Output of one of poppler's tools for the file.
QString poppler(const QString &tool, const QStringList &arguments)
{
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString pdfText(const QString &path)
{
    return poppler(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
}

QString pdfInfo(const QString &path, const QString &field)
{
    const QRegularExpression line(QStringLiteral("^%1:\\s*(.*)$").arg(field), QRegularExpression::MultilineOption);
    return line.match(poppler(QStringLiteral("pdfinfo"), {path})).captured(1).trimmed();
}

// Rows written from column 0 the way the import fills a sheet.
void addRow(ReportSheet &sheet, int row, const QStringList &cells)
{
    int column = 0;
    for (const QString &text : cells)
        column = sheet.setCell(column, row, text);
}

ReportSheet smallSheet()
{
    ReportSheet sheet;
    sheet.titleLines << QStringLiteral("Raport błędów wynikających z braku danych za okres od '2013-01-01' do '2013-06-30'")
                     << QStringLiteral("Brak ustawień kodów w słownikach.\rZażółć gęślą jaźń");
    addRow(sheet, 0, {QStringLiteral("Lp"), QStringLiteral("Id Umowy"), QStringLiteral("Nazwa"),
                      QStringLiteral("Kwota pożyczki"), QStringLiteral("Typ przedsiębiorstwa\r(Wielkość)")});
    addRow(sheet, 1, {QStringLiteral("1"), QStringLiteral("1024"), QStringLiteral("Łucja Żółkiewska"),
                      reports::FormatAmount(1234567.5), QStringLiteral("Brak typu")});
    addRow(sheet, 2, {QStringLiteral("2"), QStringLiteral("1025"), QStringLiteral("Spółdzielnia Ćma"),
                      reports::FormatAmount(50), QString()});
    addRow(sheet, 3, {QStringLiteral("3"), QStringLiteral("1026"), QStringLiteral("Przedsiębiorstwo\rŚwiętokrzyskie")});
    return sheet;
}

// A sheet of numbered rows, every seventh of three lines.
ReportSheet longSheet(int rows)
{
    ReportSheet sheet;
    sheet.titleLines << QStringLiteral("Raport importu");
    addRow(sheet, 0, {QStringLiteral("Nr umowy"), QStringLiteral("Kwota pożyczki"), QStringLiteral("Podklasa")});
    for (int r = 1; r < rows; ++r) {
        addRow(sheet, r, {QStringLiteral("U%1").arg(r, 5, 10, QLatin1Char('0')), reports::plainNumber(r * 10.5),
                          r % 7 ? QStringLiteral("47.11.Z") : QStringLiteral("trzy\rwiersze\rtekstu")});
    }
    return sheet;
}

QList<QTextTable *> tables(const QTextDocument &document)
{
    QList<QTextTable *> result;
    for (QTextFrame *frame : document.rootFrame()->childFrames()) {
        if (auto *table = qobject_cast<QTextTable *>(frame))
            result << table;
    }
    return result;
}

QRectF cellRect(const QTextDocument &document, const QTextTable *table, int row, int column)
{
    return document.documentLayout()->blockBoundingRect(table->cellAt(row, column).firstCursorPosition().block());
}

// Document lengths are quarter pixels of a 96 dpi page.
qreal unitsFromMm(qreal mm)
{
    return mm / 25.4 * 96 * 4;
}

} // namespace

class ReportsTest : public QObject
{
    Q_OBJECT

private slots:
    void pdfHoldsTitleAndCellsInRowOrder();
    void longTableGetsOneTablePerPage_data();
    void longTableGetsOneTablePerPage();
    void firstRowIsMoneyGreenAndCentred();
    void emptyCellsKeepTheirRowFormat();
    void titleBandAndColumns_data();
    void titleBandAndColumns();
    void existingFileIsReplaced();
    void unwritableTargetThrowsAndLeavesNothing_data();
    void unwritableTargetThrowsAndLeavesNothing();
    void previewShowsThePagesAndExports();
};

void ReportsTest::pdfHoldsTitleAndCellsInRowOrder()
{
    QTemporaryDir dir;
    // The folder Eksport does not exist yet: the export makes it.
    const QString path = dir.filePath(QStringLiteral("Eksport/IMP_2013-01-01_2013-06-30.pdf"));
    const ReportSheet sheet = smallSheet();
    reports::writeSheetPdf(sheet, SheetKind::ImportReport, path);

    QCOMPARE(pdfInfo(path, QStringLiteral("Pages")), QStringLiteral("1"));
    // Landscape A4; Qt writes the page box in whole points (842 x 595).
    const QRegularExpressionMatch size =
        QRegularExpression(QStringLiteral("([\\d.]+) x ([\\d.]+) pts")).match(pdfInfo(path, QStringLiteral("Page size")));
    QVERIFY(size.hasMatch());
    QVERIFY(qAbs(size.captured(1).toDouble() - 841.89) < 0.5);
    QVERIFY(qAbs(size.captured(2).toDouble() - 595.28) < 0.5);

    const QString text = pdfText(path);
    const QStringList lines = text.split(u'\n');
    // The first line after `after` and before `before` that holds the text.
    const auto lineOf = [&](const QString &needle, int after = -1, int before = INT_MAX) {
        for (int i = after + 1; i < std::min(before, int(lines.size())); ++i) {
            if (lines[i].contains(needle))
                return i;
        }
        return -1;
    };
    // Each title line and each "\r" part on a line of its own, in order.
    const int title1 = lineOf(QStringLiteral("Raport błędów wynikających z braku danych za okres od '2013-01-01' do '2013-06-30'"));
    const int title2 = lineOf(QStringLiteral("Brak ustawień kodów w słownikach."), title1);
    const int title3 = lineOf(QStringLiteral("Zażółć gęślą jaźń"), title2);
    QVERIFY(title1 >= 0);
    QVERIFY(title2 > title1);
    QVERIFY(title3 > title2);

    // The rows in order (column 1 tells them apart), each cell within its row,
    // the parts of a cell broken by "\r" one under the other.
    QList<int> rowLines{title3};
    for (int r = 0; r < sheet.rowCount(); ++r) {
        rowLines << lineOf(sheet.cell(1, r), rowLines.last());
        QVERIFY2(rowLines.last() > 0, qPrintable(sheet.cell(1, r)));
    }
    rowLines << INT_MAX;
    for (int r = 0; r < sheet.rowCount(); ++r) {
        for (const QString &cell : sheet.row(r)) {
            int partLine = rowLines[r];
            for (const QString &part : cell.trimmed().split(u'\r', Qt::SkipEmptyParts)) {
                partLine = lineOf(part, partLine, rowLines[r + 2]);
                QVERIFY2(partLine > rowLines[r], qPrintable(part));
            }
        }
    }
    QCOMPARE(text.count(QStringLiteral("Kwota pożyczki")), 1);
    QVERIFY(text.contains(QStringLiteral("1234567,50")));
}

void ReportsTest::longTableGetsOneTablePerPage_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("kind");
    QTest::newRow("one page") << 20 << int(SheetKind::ImportReport);
    QTest::newRow("import report, many pages") << 400 << int(SheetKind::ImportReport);
    QTest::newRow("error report, many pages") << 400 << int(SheetKind::ErrorReport);
}

void ReportsTest::longTableGetsOneTablePerPage()
{
    QFETCH(int, rows);
    QFETCH(int, kind);
    const ReportSheet sheet = longSheet(rows);
    const auto document = reports::renderSheet(sheet, SheetKind(kind));

    // Every page holds a table of its own, whole, and the pages follow each other.
    const QList<QTextTable *> pageTables = tables(*document);
    QCOMPARE(pageTables.size(), document->pageCount());
    const qreal pageHeight = document->pageSize().height();
    int rowsSeen = 0;
    for (int page = 0; page < pageTables.size(); ++page) {
        const QTextTable *table = pageTables[page];
        QCOMPARE(table->columns(), 3);
        for (int r = 0; r < table->rows(); ++r) {
            const QRectF cell = cellRect(*document, table, r, 2);
            QCOMPARE(int(cell.top() / pageHeight), page);
            QCOMPARE(int(cell.bottom() / pageHeight), page);
            QCOMPARE(table->cellAt(r, 0).firstCursorPosition().block().text(), sheet.cell(0, rowsSeen + r));
        }
        rowsSeen += table->rows();
    }
    QCOMPARE(rowsSeen, rows);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("raport.pdf"));
    reports::writeSheetPdf(sheet, SheetKind(kind), path);
    QCOMPARE(pdfInfo(path, QStringLiteral("Pages")).toInt(), document->pageCount());
    if (rows > 100)
        QVERIFY(document->pageCount() >= 10);
    const QString text = pdfText(path);
    // The first row is data, printed once, not repeated on every page.
    QCOMPARE(text.count(QStringLiteral("Nr umowy")), 1);
    qsizetype at = 0;
    for (int r = 1; r < rows; ++r) {
        const qsizetype next = text.indexOf(sheet.cell(0, r), at);
        QVERIFY2(next > at, qPrintable(sheet.cell(0, r)));
        at = next;
    }
}

void ReportsTest::firstRowIsMoneyGreenAndCentred()
{
    const auto document = reports::renderSheet(smallSheet(), SheetKind::ErrorReport);
    const QTextTable *table = tables(*document).first();
    const QColor green(192, 220, 192);
    for (int c = 0; c < table->columns(); ++c) {
        QCOMPARE(table->cellAt(0, c).format().background().color(), green);
        QCOMPARE(table->cellAt(0, c).firstCursorPosition().blockFormat().alignment(), Qt::AlignHCenter);
        QCOMPARE(table->cellAt(1, c).format().background().style(), Qt::NoBrush);
    }
    // The other cells are right-aligned and vertically centred: "Lp" sits in the
    // middle of the row that "Typ przedsiębiorstwa\r(Wielkość)" makes two lines high.
    const QRectF lp = cellRect(*document, table, 0, 0);
    const QRectF type = cellRect(*document, table, 0, 4);
    QVERIFY(qAbs(lp.center().y() - type.center().y()) < 1);
    const QTextLine line = table->cellAt(1, 1).firstCursorPosition().block().layout()->lineAt(0);
    QVERIFY(line.naturalTextWidth() < line.width() - 4 * 10);
    QVERIFY(qAbs(line.cursorToX(0) + line.naturalTextWidth() - line.width()) < 1);

    // And the green is what the page shows.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("raport.pdf"));
    reports::writePdf(*document, path);
    QVERIFY(poppler(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("40"),
                                                 path, dir.filePath(QStringLiteral("strona"))})
                .isEmpty());
    const QImage page(dir.filePath(QStringLiteral("strona-1.png")));
    QVERIFY(!page.isNull());
    QVERIFY(page.width() > page.height());
    int greenPixels = 0;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x)
            greenPixels += QColor(page.pixel(x, y)) == green ? 1 : 0;
    }
    QVERIFY(greenPixels > 100);
}

// The printed summary leaves most of the first row and whole rows empty: those
// cells are as green, and those rows as high, as written ones.
void ReportsTest::emptyCellsKeepTheirRowFormat()
{
    ReportSheet sheet;
    sheet.setCell(0, 0, QStringLiteral("DANE ZBIORCZE"));
    sheet.setCell(3, 1, QStringLiteral("Suma"));
    sheet.setCell(0, 3, QStringLiteral("Liczba poz."));
    const auto document = reports::renderSheet(sheet, SheetKind::ImportReport);
    const QTextTable *table = tables(*document).first();
    for (int c = 0; c < table->columns(); ++c)
        QCOMPARE(table->cellAt(0, c).format().background().color(), QColor(192, 220, 192));
    const qreal written = cellRect(*document, table, 1, 0).height();
    QCOMPARE(cellRect(*document, table, 2, 0).height(), written);
}

void ReportsTest::titleBandAndColumns_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("titleLines");
    QTest::addColumn<qreal>("bandMm");
    QTest::newRow("import report") << int(SheetKind::ImportReport) << 2 << 31.0;
    QTest::newRow("error report") << int(SheetKind::ErrorReport) << 2 << 52.87;
    // Far more lines than the band holds: the band grows, no line is cut.
    QTest::newRow("error report, long title") << int(SheetKind::ErrorReport) << 30 << 0.0;
    QTest::newRow("error report, title longer than a page") << int(SheetKind::ErrorReport) << 120 << 0.0;
}

void ReportsTest::titleBandAndColumns()
{
    QFETCH(int, kind);
    QFETCH(int, titleLines);
    QFETCH(qreal, bandMm);
    ReportSheet sheet;
    for (int i = 0; i < titleLines; ++i)
        sheet.titleLines << QStringLiteral("Wykryto potencjalną niezgodność z raportem wypłat dla umowy nr %1").arg(i);
    addRow(sheet, 0, {QStringLiteral("1"), QString(), QStringLiteral("Przedsiębiorstwo Handlowo-Usługowe")});

    const auto document = reports::renderSheet(sheet, SheetKind(kind));
    const QRectF title = document->documentLayout()->blockBoundingRect(document->firstBlock());
    QCOMPARE(document->firstBlock().layout()->lineCount(), titleLines);
    const QTextTable *table = tables(*document).first();
    // The band ends where the table's frame begins: its border and the cell's
    // frame and padding lie above the first line.
    const qreal tableTop = cellRect(*document, table, 0, 0).top() - 4 * 0.5 * 2 - 4 * 3;
    if (bandMm > 0)
        QVERIFY(qAbs(tableTop - unitsFromMm(bandMm)) < 1);
    else
        QVERIFY(tableTop >= title.bottom());
    QVERIFY(qAbs(document->firstBlock().layout()->lineAt(0).x() - unitsFromMm(5)) < 1);

    // Columns are at least 30 pixels wide, wider where their text needs it.
    const qreal first = cellRect(*document, table, 0, 0).left();
    const qreal second = cellRect(*document, table, 0, 1).left();
    const qreal third = cellRect(*document, table, 0, 2).left();
    QVERIFY(second - first >= 4 * 30);
    QVERIFY(third - second >= 4 * 30);
    QVERIFY(cellRect(*document, table, 0, 2).width() < 4 * 300);
    QCOMPARE(table->cellAt(0, 2).firstCursorPosition().block().layout()->lineCount(), 1);
}

void ReportsTest::existingFileIsReplaced()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("IMP_2013-01-01_2013-06-30.pdf"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(100000, 'x'));
    old.close();

    reports::writeSheetPdf(smallSheet(), SheetKind::ImportReport, path);
    QFile written(path);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QVERIFY(written.read(5) == "%PDF-");
    QVERIFY(!written.readAll().contains(QByteArray(100, 'x')));
    QVERIFY(pdfText(path).contains(QStringLiteral("Łucja Żółkiewska")));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("IMP_2013-01-01_2013-06-30.pdf")});
}

void ReportsTest::unwritableTargetThrowsAndLeavesNothing_data()
{
    // The tests run as root, so permissions cannot make a target unwritable.
    QTest::addColumn<QString>("blocker");
    QTest::addColumn<QString>("target");
    QTest::newRow("a folder where the file should be") << QStringLiteral("raport.pdf/") << QStringLiteral("raport.pdf");
    QTest::newRow("a file where the folder should be") << QStringLiteral("Eksport") << QStringLiteral("Eksport/raport.pdf");
}

void ReportsTest::unwritableTargetThrowsAndLeavesNothing()
{
    QFETCH(QString, blocker);
    QFETCH(QString, target);
    QTemporaryDir dir;
    if (blocker.endsWith(u'/')) {
        QVERIFY(QDir(dir.path()).mkpath(blocker));
    } else {
        QFile file(dir.filePath(blocker));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);

    const QString path = dir.filePath(target);
    try {
        reports::writeSheetPdf(smallSheet(), SheetKind::ImportReport, path);
        QFAIL("no error");
    } catch (const db::Error &error) {
        QVERIFY2(error.message().contains(QDir::toNativeSeparators(path)), qPrintable(error.message()));
        QVERIFY(error.message().startsWith(QStringLiteral("Nie można")));
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), before);
    QFileInfo blocked(dir.filePath(blocker));
    QCOMPARE(blocked.isDir(), blocker.endsWith(u'/'));
    if (blocked.isDir())
        QVERIFY(QDir(blocked.filePath()).isEmpty());
    else
        QCOMPARE(blocked.size(), 0);
}

void ReportsTest::previewShowsThePagesAndExports()
{
    RecordingMessages messages;
    const ReportSheet sheet = longSheet(120);
    ReportPreview preview(sheet, SheetKind::ErrorReport, messages);
    QCOMPARE(preview.windowTitle(), QStringLiteral("Podgląd wydruku"));
    QCOMPARE(preview.exportAction()->text(), QStringLiteral("Zapisz jako PDF"));
    QCOMPARE(preview.printer()->pageLayout().orientation(), QPageLayout::Landscape);
    QCOMPARE(preview.printer()->pageLayout().pageSize().id(), QPageSize::A4);

    preview.show();
    auto *pages = preview.findChild<QPrintPreviewWidget *>();
    QVERIFY(pages);
    QTRY_COMPARE(pages->pageCount(), preview.document().pageCount());
    QVERIFY(pages->pageCount() > 1);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("błędy.pdf"));
    QVERIFY(preview.exportTo(path));
    QCOMPARE(pdfInfo(path, QStringLiteral("Pages")).toInt(), pages->pageCount());
    QVERIFY(messages.entries().isEmpty());

    // A failed export is shown to the user, as every error is.
    QVERIFY(!preview.exportTo(dir.path()));
    QCOMPARE(messages.entries().size(), 1);
    QCOMPARE(messages.entries().first().kind, RecordingMessages::Kind::Error);
    QVERIFY(messages.entries().first().text.contains(QDir::toNativeSeparators(dir.path())));
    preview.close();
}

QTEST_MAIN(ReportsTest)
#include "tst_reports.moc"
