#include "common/fileerror.h"
#include "common/messages.h"
#include "db/error.h"
#include "reports/reportrenderer.h"
#include "shell/reportpreview.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

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

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
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
    sheet.titleLines << QStringLiteral(
        "Raport błędów wynikających z braku danych za okres od '2013-01-01' do '2013-06-30'")
                     << QStringLiteral("Brak ustawień kodów w słownikach.\rZażółć gęślą jaźń");
    addRow(sheet, 0,
           {QStringLiteral("Lp"), QStringLiteral("Id Umowy"), QStringLiteral("Nazwa"), QStringLiteral("Kwota pożyczki"),
            QStringLiteral("Typ przedsiębiorstwa\r(Wielkość)")});
    addRow(sheet, 1,
           {QStringLiteral("1"), QStringLiteral("1024"), QStringLiteral("Łucja Żółkiewska"),
            reports::FormatAmount(1234567.5), QStringLiteral("Brak typu")});
    addRow(sheet, 2,
           {QStringLiteral("2"), QStringLiteral("1025"), QStringLiteral("Spółdzielnia Ćma"), reports::FormatAmount(50),
            QString()});
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
        addRow(sheet, r,
               {QStringLiteral("U%1").arg(r, 5, 10, QLatin1Char('0')), reports::plainNumber(r * 10.5),
                r % 7 ? QStringLiteral("47.11.Z") : QStringLiteral("trzy\rwiersze\rtekstu")});
    }
    return sheet;
}

// Page lengths are quarter pixels of a 96 dpi page.
qreal unitsFromMm(qreal mm)
{
    return mm / 25.4 * 96 * 4;
}

// A rectangle of a page's printable area in PDF points from the paper's corner
// (10 mm margins), as poppler reports positions.
QRectF pointsFromUnits(const QRectF &units)
{
    const qreal scale = 72.0 / (96 * 4);
    const qreal margin = 10 / 25.4 * 72;
    return QRectF(units.x() * scale + margin, units.y() * scale + margin, units.width() * scale,
                  units.height() * scale);
}

// One word of a PDF as poppler finds it: its page (from 0) and its box in points.
struct Word
{
    int page;
    QRectF box;
    QString text;
};

QList<Word> pdfWords(const QString &path)
{
    QList<Word> words;
    QXmlStreamReader xml(poppler(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")}));
    int page = -1;
    while (xml.readNextStartElement() || !xml.atEnd()) {
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QStringLiteral("page")) {
            ++page;
        } else if (xml.name() == QStringLiteral("word")) {
            const QXmlStreamAttributes a = xml.attributes();
            const QPointF topLeft(a.value(QStringLiteral("xMin")).toDouble(),
                                  a.value(QStringLiteral("yMin")).toDouble());
            const QPointF bottomRight(a.value(QStringLiteral("xMax")).toDouble(),
                                      a.value(QStringLiteral("yMax")).toDouble());
            words << Word{page, QRectF(topLeft, bottomRight), xml.readElementText()};
        }
    }
    return words;
}

QList<Word> wordsOf(const QList<Word> &words, const QString &text)
{
    QList<Word> found;
    for (const Word &word : words) {
        if (word.text == text)
            found << word;
    }
    return found;
}

} // namespace

class ReportsTest : public QObject
{
    Q_OBJECT

private slots:
    void pdfHoldsTitleAndCellsInRowOrder();
    void longTableBreaksBetweenRows_data();
    void longTableBreaksBetweenRows();
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
    const QString path = dir.filePath(QStringLiteral("IMP_2013-01-01_2013-06-30.pdf"));
    const ReportSheet sheet = smallSheet();
    reports::writeSheetPdf(sheet, SheetKind::ImportReport, path);

    QCOMPARE(pdfInfo(path, QStringLiteral("Pages")), QStringLiteral("1"));
    // Landscape A4; Qt writes the page box in whole points (842 x 595).
    const QRegularExpressionMatch size = QRegularExpression(QStringLiteral("([\\d.]+) x ([\\d.]+) pts"))
                                             .match(pdfInfo(path, QStringLiteral("Page size")));
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
    const int title1 =
        lineOf(QStringLiteral("Raport błędów wynikających z braku danych za okres od '2013-01-01' do '2013-06-30'"));
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

void ReportsTest::longTableBreaksBetweenRows_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("tallRow"); // a row of that many lines, or 0
    QTest::newRow("one page") << 20 << int(SheetKind::ImportReport) << 0;
    QTest::newRow("import report, many pages") << 400 << int(SheetKind::ImportReport) << 0;
    QTest::newRow("error report, many pages") << 400 << int(SheetKind::ErrorReport) << 0;
    QTest::newRow("a row higher than three pages") << 60 << int(SheetKind::ImportReport) << 250;
}

void ReportsTest::longTableBreaksBetweenRows()
{
    QFETCH(int, rows);
    QFETCH(int, kind);
    QFETCH(int, tallRow);
    ReportSheet sheet = longSheet(rows);
    QStringList tallLines;
    for (int i = 1; i <= tallRow; ++i)
        tallLines << QStringLiteral("linia%1").arg(i);
    if (tallRow > 0)
        sheet.setCell(2, 30, tallLines.join(u'\r'));
    const reports::SheetPages pages(sheet, SheetKind(kind));

    // Rows follow each other down the pages, each whole on one page (but the row
    // higher than a page), none overlapping the one before.
    const qreal pageHeight = reports::SheetPages::pageSize().height();
    reports::SheetPages::Place previous{-1, {}};
    for (int r = 0; r < rows; ++r) {
        const reports::SheetPages::Place place = pages.cellPlace(r, 2);
        QVERIFY(place.page >= previous.page);
        QVERIFY(place.page <= previous.page + 1 || (r == 31 && tallRow > 0));
        if (place.page == previous.page)
            QVERIFY(place.rect.top() > previous.rect.bottom());
        QVERIFY(place.rect.top() > 0);
        QVERIFY(place.rect.bottom() < pageHeight || (r == 30 && tallRow > 0));
        previous = place;
    }
    QCOMPARE(previous.page + 1, pages.pageCount());

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("raport.pdf"));
    int beats = 0;
    reports::writePdf(pages, path, [&] { ++beats; });
    // The window is given the chance to redraw at least once a page.
    QVERIFY(beats >= pages.pageCount());
    QCOMPARE(pdfInfo(path, QStringLiteral("Pages")).toInt(), pages.pageCount());
    if (rows > 100)
        QVERIFY(pages.pageCount() >= 10);
    const QString text = pdfText(path);
    // The first row is data, printed once, not repeated on every page.
    QCOMPARE(text.count(QStringLiteral("Nr umowy")), 1);
    qsizetype at = 0;
    for (int r = 1; r < rows; ++r) {
        const qsizetype next = text.indexOf(sheet.cell(0, r), at);
        QVERIFY2(next > at, qPrintable(sheet.cell(0, r)));
        at = next;
    }

    // Each contract number is drawn inside its cell, on its page.
    const QList<Word> words = pdfWords(path);
    for (int r = 1; r < rows; ++r) {
        const QList<Word> found = wordsOf(words, sheet.cell(0, r));
        QCOMPARE(found.size(), 1);
        const reports::SheetPages::Place place = pages.cellPlace(r, 0);
        QCOMPARE(found.first().page, place.page);
        const QRectF cell = pointsFromUnits(place.rect);
        QVERIFY2(cell.adjusted(-0.5, -0.5, 0.5, 0.5).contains(found.first().box), qPrintable(sheet.cell(0, r)));
    }
    // The lines of the row higher than a page go on over the next pages, every
    // line whole and once, in order.
    if (tallRow > 0) {
        const qreal pageFoot = pointsFromUnits(QRectF(QPointF(0, 0), reports::SheetPages::pageSize())).bottom();
        Word last{-1, {}, {}};
        for (const QString &line : tallLines) {
            const QList<Word> found = wordsOf(words, line);
            QCOMPARE(found.size(), 1);
            const Word &word = found.first();
            QVERIFY(word.box.bottom() < pageFoot);
            QVERIFY(word.page > last.page || (word.page == last.page && word.box.top() > last.box.top()));
            last = word;
        }
        QVERIFY(last.page >= pages.cellPlace(30, 2).page + 3);
    }
}

void ReportsTest::firstRowIsMoneyGreenAndCentred()
{
    const ReportSheet sheet = smallSheet();
    const reports::SheetPages pages(sheet, SheetKind::ErrorReport);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("raport.pdf"));
    reports::writePdf(pages, path);
    const QList<Word> words = pdfWords(path);

    // "Lp" is centred in its cell, and in the middle of the row that
    // "Typ przedsiębiorstwa\r(Wielkość)" makes two lines high.
    const QRectF lp = wordsOf(words, QStringLiteral("Lp")).value(0).box;
    const QRectF lpCell = pointsFromUnits(pages.cellPlace(0, 0).rect);
    QVERIFY(qAbs(lp.center().x() - lpCell.center().x()) < 1);
    QVERIFY(qAbs(lp.center().y() - lpCell.center().y()) < 1.5);
    const QRectF typ = wordsOf(words, QStringLiteral("Typ")).value(0).box;
    const QRectF wielkosc = wordsOf(words, QStringLiteral("(Wielkość)")).value(0).box;
    QVERIFY(wielkosc.top() > typ.bottom() - 1);
    QVERIFY(qAbs((typ.top() + wielkosc.bottom()) / 2 - lp.center().y()) < 1.5);
    // That column is as wide as its wider line, not as both lines side by side.
    const QRectF przedsiebiorstwa = wordsOf(words, QStringLiteral("przedsiębiorstwa")).value(0).box;
    const qreal typeWidth = pointsFromUnits(pages.cellPlace(0, 4).rect).width();
    QVERIFY(typeWidth > przedsiebiorstwa.right() - typ.left());
    QVERIFY(typeWidth < przedsiebiorstwa.right() - typ.left() + wielkosc.width() / 2);
    // The other rows are right-aligned inside the padding of 3 pixels.
    const QRectF number = wordsOf(words, QStringLiteral("1024")).value(0).box;
    const QRectF numberCell = pointsFromUnits(pages.cellPlace(1, 1).rect);
    QVERIFY(number.left() > numberCell.left() + 10);
    QVERIFY(qAbs(numberCell.right() - 3 * 0.75 - number.right()) < 1);

    // The first row is green, cells without text included; the others are white.
    QVERIFY(poppler(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("72"),
                                                 path, dir.filePath(QStringLiteral("strona"))})
                .isEmpty());
    const QImage page(dir.filePath(QStringLiteral("strona-1.png")));
    QVERIFY(!page.isNull());
    QVERIFY(page.width() > page.height());
    const auto colourAt = [&](int row, int column) {
        const QRectF cell = pointsFromUnits(pages.cellPlace(row, column).rect);
        // The cell's corner inside its padding: never covered by text.
        return QColor(page.pixel(qRound(cell.left() + 1), qRound(cell.top() + 1)));
    };
    const QColor green(192, 220, 192);
    for (int c = 0; c < sheet.columnCount(); ++c) {
        QCOMPARE(colourAt(0, c), green);
        QCOMPARE(colourAt(1, c), QColor(Qt::white));
    }
}

// The printed summary leaves most of the first row and whole rows empty: those
// rows are as high as written ones.
void ReportsTest::emptyCellsKeepTheirRowFormat()
{
    ReportSheet sheet;
    sheet.setCell(0, 0, QStringLiteral("DANE ZBIORCZE"));
    sheet.setCell(3, 1, QStringLiteral("Suma"));
    sheet.setCell(0, 3, QStringLiteral("Liczba poz."));
    const reports::SheetPages pages(sheet, SheetKind::ImportReport);
    const qreal written = pages.cellPlace(1, 0).rect.height();
    QVERIFY(written > 4 * 9);
    QCOMPARE(pages.cellPlace(2, 0).rect.height(), written);
    QCOMPARE(pages.cellPlace(0, 3).rect.height(), written);
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

    const reports::SheetPages pages(sheet, SheetKind(kind));
    QCOMPARE(pages.titleLineCount(), titleLines);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("raport.pdf"));
    reports::writePdf(pages, path);
    const QList<Word> words = pdfWords(path);

    // Every title line is printed whole, 5 mm in from the margin, and the table
    // begins below the last one: the band ends at the frame line above the row.
    const QList<Word> numbers = wordsOf(words, QStringLiteral("nr"));
    QCOMPARE(numbers.size(), titleLines);
    const QList<Word> starts = wordsOf(words, QStringLiteral("Wykryto"));
    QCOMPARE(starts.size(), titleLines);
    for (const Word &start : starts)
        QVERIFY(qAbs(start.box.left() - 15 / 25.4 * 72) < 1);
    const reports::SheetPages::Place row = pages.cellPlace(0, 2);
    const Word &lastLine = starts.last();
    QVERIFY(row.page > lastLine.page
            || (row.page == lastLine.page && pointsFromUnits(row.rect).top() > lastLine.box.bottom()));
    if (bandMm > 0) {
        QCOMPARE(row.page, 0);
        QVERIFY(qAbs(row.rect.top() - 4 - unitsFromMm(bandMm)) < 1);
    }

    // Columns are at least 30 pixels wide, wider where their text needs it.
    const QRectF first = pages.cellPlace(0, 0).rect;
    const QRectF second = pages.cellPlace(0, 1).rect;
    const QRectF third = pages.cellPlace(0, 2).rect;
    QVERIFY(second.left() - first.left() >= 4 * 30);
    QVERIFY(third.left() - second.left() >= 4 * 30);
    QVERIFY(third.width() < 4 * 300);
    // The company's name fits its column on one line.
    const QList<Word> name = wordsOf(words, QStringLiteral("Handlowo-Usługowe"));
    QCOMPARE(name.size(), 1);
    QVERIFY(qAbs(name.first().box.center().y()
                 - wordsOf(words, QStringLiteral("Przedsiębiorstwo")).value(0).box.center().y())
            < 1);
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
    QTest::newRow("a file where the folder should be")
        << QStringLiteral("Eksport") << QStringLiteral("Eksport/raport.pdf");
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
    } catch (const FileError &error) {
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
    QTemporaryDir dir;
    const QString database = dir.filePath(QStringLiteral("baza.fdb"));
    const output::OutputGuard guard({{database, QStringLiteral("baza danych programu Tervala")}}, output::Replace::Ask);
    ReportPreview preview(sheet, SheetKind::ErrorReport, messages, guard);
    QCOMPARE(preview.windowTitle(), QStringLiteral("Podgląd wydruku"));
    QCOMPARE(preview.exportAction()->text(), QStringLiteral("Zapisz jako PDF"));
    QCOMPARE(preview.printer()->pageLayout().orientation(), QPageLayout::Landscape);
    QCOMPARE(preview.printer()->pageLayout().pageSize().id(), QPageSize::A4);

    preview.show();
    auto *pages = preview.findChild<QPrintPreviewWidget *>();
    QVERIFY(pages);
    QTRY_COMPARE(pages->pageCount(), preview.pages().pageCount());
    QVERIFY(pages->pageCount() > 1);

    const QString path = dir.filePath(QStringLiteral("błędy.pdf"));
    QVERIFY(preview.exportTo(path));
    QCOMPARE(pdfInfo(path, QStringLiteral("Pages")).toInt(), pages->pageCount());
    QVERIFY(messages.entries().isEmpty());

    // A failed export is shown to the user, as every error is.
    QVERIFY(!preview.exportTo(dir.path()));
    QCOMPARE(messages.entries().size(), 1);
    QCOMPARE(messages.entries().first().kind, RecordingMessages::Kind::Error);
    QVERIFY(messages.entries().first().text.contains(QDir::toNativeSeparators(dir.path())));

    // A database is never written over; a file of another kind only when the user says so.
    const auto writeFile = [](const QString &file, const QByteArray &content) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    };
    writeFile(database, "database pages");
    const QString notes = dir.filePath(QStringLiteral("notatki.txt"));
    writeFile(notes, "moje notatki");
    messages.clear();
    messages.scriptAnswers({false, true});
    QVERIFY(!preview.exportTo(database));
    QVERIFY(!preview.exportTo(notes));
    QCOMPARE(readAll(database), QByteArray("database pages"));
    QCOMPARE(readAll(notes), QByteArray("moje notatki"));
    QVERIFY(preview.exportTo(notes));
    QVERIFY(readAll(notes).startsWith("%PDF-"));
    QCOMPARE(messages.entries().size(), 3);
    QCOMPARE(messages.entries()[0].kind, RecordingMessages::Kind::Error);
    QCOMPARE(messages.entries()[0].text,
             QStringLiteral("Plik %1 to baza danych programu Tervala. Raport nie zostanie w nim zapisany.\r"
                            "Wybierz inną nazwę pliku.")
                 .arg(QDir::toNativeSeparators(database)));
    QCOMPARE(messages.entries()[1].kind, RecordingMessages::Kind::Question);
    QCOMPARE(messages.entries()[1].text,
             QStringLiteral("Plik %1 istnieje i nie jest plikiem PDF.\rCzy na pewno chcesz go zastąpić?")
                 .arg(QDir::toNativeSeparators(notes)));
    QCOMPARE(messages.entries()[2], messages.entries()[1]);
    preview.close();
}

QTEST_MAIN(ReportsTest)
#include "tst_reports.moc"
