// "Porównanie okresów": the comparison of the stored periods (its cells, changes
// and range), and its window with the table, the CSV file, the printed sheet and
// the charts, on databases of 0, 1 and 20 periods.
#include "common/messages.h"
#include "db/connection.h"
#include "db/query.h"
#include "reports/reportrenderer.h"
#include "shell/periodcomparisonwindow.h"
#include "store/history.h"
#include "store/statisticpairs.h"
#include "support/csvreader.h"
#include "support/workspace.h"

#include <QAbstractSeries>
#include <QApplication>
#include <QBarCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

namespace {

using store::FigureValue;

int figure(const char *column)
{
    return store::historyFigureIndex(QString::fromLatin1(column));
}

// Half-years from 2004 on; every figure of period i made from i, so that each
// period differs from the one before.
QString periodsScript(int count)
{
    QString script;
    const QList<store::HistoryFigure> &figures = store::historyFigures();
    for (int i = 0; i < count; ++i) {
        const QDate first = QDate(2004, 1, 1).addMonths(6 * i);
        const QDate last = first.addMonths(6).addDays(-1);
        // Keys out of date order: the comparison orders by dates.
        const int id = count - i;
        script +=
            QStringLiteral(
                "insert into OKRES (ID_OK, ODK, DOK, DATAW, WPROWADZIL) values (%1, '%2', '%3', current_date, 1);\n")
                .arg(id)
                .arg(first.toString(Qt::ISODate), last.toString(Qt::ISODate));
        QStringList pozyczki{QStringLiteral("ID_OK")};
        QStringList pozyczkiValues{QString::number(id)};
        QStringList aktStr{QStringLiteral("ID_OK")};
        QStringList aktStrValues{QString::number(id)};
        for (int f = 0; f < figures.size(); ++f) {
            const qint64 loans = (i + 1) * (f % 7 + 1);
            QString value;
            switch (figures[f].kind) {
            case store::FigureKind::Count:
                value = QString::number(loans);
                break;
            case store::FigureKind::Money:
                value = QString::number(loans * 1234567 + i) + QStringLiteral(".0") + QString::number(i % 10);
                break;
            case store::FigureKind::Ratio:
                value = QString::number(1.5 + 0.25 * i + 0.1 * (f % 2), 'f', 2);
                break;
            }
            const bool statistics = figures[f].breakdown >= 0;
            (statistics ? pozyczki : aktStr) << figures[f].column;
            (statistics ? pozyczkiValues : aktStrValues) << value;
        }
        script += QStringLiteral("insert into POZYCZKI (%1) values (%2);\n")
                      .arg(pozyczki.join(u','), pozyczkiValues.join(u','));
        script +=
            QStringLiteral("insert into AKT_STR (%1) values (%2);\n").arg(aktStr.join(u','), aktStrValues.join(u','));
    }
    return script;
}

QList<store::PeriodFigures> storedPeriods(Workspace &ws, int count)
{
    ws.createReportingDatabase();
    db::Connection ksu;
    ksu.setDatabase(QString(), ws.path(QStringLiteral("ksu.fdb")));
    ksu.open();
    const QStringList statements = periodsScript(count).split(u'\n', Qt::SkipEmptyParts);
    for (QString statement : statements) {
        statement.chop(1); // the ';'
        db::Query(ksu, statement).execute();
    }
    ksu.commitRetaining();
    QList<store::PeriodFigures> periods = store::LoadPeriodHistory(ksu);
    ksu.close();
    return periods;
}

store::PeriodFigures period(QDate first, QList<std::pair<int, FigureValue>> values)
{
    store::PeriodFigures p;
    p.first = first;
    p.last = first.addMonths(6).addDays(-1);
    p.values = QList<FigureValue>(store::historyFigures().size());
    for (const auto &[f, v] : values)
        p.values[f] = v;
    return p;
}

int rowOf(const reports::PeriodComparison &c, int figure)
{
    for (int r = 0; r < c.rowCount(); ++r) {
        if (c.figureOfRow(r) == figure)
            return r;
    }
    return -1;
}

// Screenshots for a person to look at, when TERVALA_SCREENSHOTS names a folder.
void screenshot(QWidget &widget, const QString &name)
{
    const QString folder = qEnvironmentVariable("TERVALA_SCREENSHOTS");
    if (folder.isEmpty())
        return;
    QApplication::processEvents();
    widget.grab().save(QDir(folder).filePath(name + QStringLiteral(".png")));
}

} // namespace

class TestPeriodComparison : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland)); }

    // Every figure of both pages once, with its page's caption; columns as the database names them.
    void figuresComeFromTheFieldTables()
    {
        const QList<store::HistoryFigure> &figures = store::historyFigures();
        QCOMPARE(figures.size(), 78);
        QCOMPARE(figures.first().column, QStringLiteral("MIKRO_LS"));
        QCOMPARE(figures.first().caption(), QStringLiteral("mikro – liczba pożyczek"));
        QCOMPARE(figures.at(figure("PA_W")).caption(),
                 QStringLiteral("1. Pożyczki aktywne na koniec okresu sprawozdawczego (obowiązujące umowy) – wartość "
                                "pożyczek"));
        QCOMPARE(figures.at(figure("WSDO_W")).unit(), QStringLiteral("%"));
        QCOMPARE(figures.at(figure("JVW_300")).unit(), QStringLiteral("zł"));
        QCOMPARE(figures.at(figure("PS_L")).unit(), QStringLiteral("szt."));
        QCOMPARE(figure("mz_miej_ws"), 63);
        QCOMPARE(figure("ID_OK"), -1);
    }

    void changes_data()
    {
        QTest::addColumn<FigureValue>("previous");
        QTest::addColumn<FigureValue>("current");
        QTest::addColumn<QString>("difference");
        QTest::addColumn<QString>("percent");
        QTest::addColumn<QString>("shownDifference");
        using db::Money;
        // 0.1 + 0.2 in doubles is not 0.3; in money it is.
        QTest::newRow("amounts exactly") << FigureValue(Money::fromUnits(1000)) << FigureValue(Money::fromUnits(4000))
                                         << "0,30"
                                         << "300,00"
                                         << "+0,30";
        QTest::newRow("large amounts") << FigureValue(*Money::parse(u"9999999999999,99"))
                                       << FigureValue(*Money::parse(u"0,01")) << "-9999999999999,98"
                                       << "-100,00"
                                       << "-9\u00A0999\u00A0999\u00A0999\u00A0999,98";
        QTest::newRow("counts") << FigureValue(qint64(8)) << FigureValue(qint64(6)) << "-2"
                                << "-25,00"
                                << "-2";
        QTest::newRow("from zero") << FigureValue(qint64(0)) << FigureValue(qint64(5)) << "5"
                                   << ""
                                   << "+5";
        QTest::newRow("no change") << FigureValue(qint64(5)) << FigureValue(qint64(5)) << "0"
                                   << "0,00"
                                   << "0";
        QTest::newRow("ratios in points") << FigureValue(1.5) << FigureValue(2.25) << "0,75"
                                          << "50,00"
                                          << "+0,75";
        QTest::newRow("missing before") << FigureValue() << FigureValue(qint64(5)) << ""
                                        << ""
                                        << "";
        QTest::newRow("missing now") << FigureValue(qint64(5)) << FigureValue() << ""
                                     << ""
                                     << "";
    }
    void changes()
    {
        QFETCH(FigureValue, previous);
        QFETCH(FigureValue, current);
        QFETCH(QString, difference);
        QFETCH(QString, percent);
        QFETCH(QString, shownDifference);
        const int f = std::holds_alternative<db::Money>(previous) || std::holds_alternative<db::Money>(current)
                          ? figure("MIKRO_WS")
                      : std::holds_alternative<double>(previous) ? figure("WSDO_L")
                                                                 : figure("MIKRO_LS");
        reports::PeriodComparison c;
        c.setPeriods({period({2012, 1, 1}, {{f, previous}}), period({2012, 7, 1}, {{f, current}})});
        const int row = rowOf(c, f);
        // Caption, unit, then value, change and percent of each period.
        QCOMPARE(c.columnCount(), 2 + 2 * 3);
        QCOMPARE(c.headerText(5), QStringLiteral("07–12.2012"));
        QCOMPARE(c.cellText(row, 6, reports::NumberStyle::Plain), difference);
        QCOMPARE(c.cellText(row, 7, reports::NumberStyle::Plain), percent);
        QCOMPARE(c.cellText(row, 6, reports::NumberStyle::Reading), shownDifference);
        // The first period stored has nothing to compare with.
        QCOMPARE(c.cellText(row, 3, reports::NumberStyle::Plain), QString());
    }

    // A range keeps the change of its first period against the period stored before it.
    void rangeOfPeriods()
    {
        const int f = figure("PA_L");
        reports::PeriodComparison c;
        QList<store::PeriodFigures> periods;
        for (int i = 0; i < 5; ++i)
            periods << period(QDate(2010, 1, 1).addMonths(6 * i), {{f, FigureValue(qint64(10 * (i + 1)))}});
        c.setPeriods(periods);
        c.setRange(3, 1);
        QCOMPARE(c.firstShown(), 1);
        QCOMPARE(c.lastShown(), 3);
        QCOMPARE(c.columnCount(), 2 + 3 * 3);
        QCOMPARE(c.headerText(2), QStringLiteral("07–12.2010"));
        const int row = rowOf(c, f);
        QCOMPARE(c.cellText(row, 2, reports::NumberStyle::Plain), QStringLiteral("20"));
        QCOMPARE(c.cellText(row, 3, reports::NumberStyle::Plain), QStringLiteral("10"));
        QCOMPARE(c.cellText(row, 4, reports::NumberStyle::Plain), QStringLiteral("100,00"));
        c.setShowChanges(false);
        QCOMPARE(c.columnCount(), 2 + 3);
        QCOMPARE(c.headerText(4), QStringLiteral("07–12.2011"));
        c.setRange(-5, 99);
        QCOMPARE(c.shownCount(), 5);
        QCOMPARE(c.csvRows().first().mid(2),
                 QStringList({"01–06.2010", "07–12.2010", "01–06.2011", "07–12.2011", "01–06.2012"}));
    }

    void windowOnStoredPeriods_data()
    {
        QTest::addColumn<int>("count");
        QTest::newRow("none") << 0;
        QTest::newRow("one") << 1;
        QTest::newRow("twenty") << 20;
    }
    void windowOnStoredPeriods()
    {
        QFETCH(int, count);
        Workspace ws;
        ws.makeHome();
        const QList<store::PeriodFigures> periods = storedPeriods(ws, count);
        QCOMPARE(periods.size(), count);
        if (count == 20) {
            QCOMPARE(periods.first().first, QDate(2004, 1, 1));
            QCOMPARE(periods.last().last, QDate(2013, 12, 31));
            QCOMPARE(std::get<db::Money>(periods[3].values[figure("MIKRO_WS")]), *db::Money::parse(u"9876539,03"));
        }
        RecordingMessages messages;
        PeriodComparisonWindow window(periods, messages, output::OutputGuard({}, output::Replace::Refuse));
        window.resize(1400, 800);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        reports::PeriodComparison &c = window.comparison();
        const int headings = 1 + 8 + 1; // the two pages and the eight breakdowns
        QCOMPARE(c.rowCount(), 78 + headings);
        QCOMPARE(c.columnCount(), 2 + 3 * count);
        QCOMPARE(window.findChild<QComboBox *>(QStringLiteral("cb_od_okres"))->count(), count);
        QCOMPARE(window.findChild<QTableView *>(QStringLiteral("tv_porownanie"))->model()->columnCount(),
                 c.columnCount());
        screenshot(window, QStringLiteral("tabela-%1").arg(count));

        if (count == 20) {
            window.setRange(16, 19);
            QCOMPARE(c.columnCount(), 2 + 3 * 4);
            QCOMPARE(window.findChild<QComboBox *>(QStringLiteral("cb_od_okres"))->currentText(),
                     QStringLiteral("01–06.2012"));
        }

        // The CSV file: BOM, ";" and decimal commas, one column per period and change.
        const QString csvPath = ws.path(QStringLiteral("porownanie.csv"));
        QVERIFY(window.exportCsv(csvPath));
        QFile csvFile(csvPath);
        QVERIFY(csvFile.open(QIODevice::ReadOnly));
        const QByteArray bytes = csvFile.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        const QList<QStringList> rows = readCsv(QString::fromUtf8(bytes.mid(3)));
        QCOMPARE(rows.size(), 1 + c.rowCount());
        QCOMPARE(rows.first().mid(0, 2), QStringList({"Pozycja", "J.m."}));
        QCOMPARE(rows.value(1).value(0), QStringLiteral("Dane zbiorcze"));
        QCOMPARE(rows.value(3).value(0), QStringLiteral("mikro – liczba pożyczek"));
        if (count == 20)
            QCOMPARE(rows.value(4).mid(2, 3), QStringList({"41975294,06", "2469135,01", "6,25"}));

        // The printed sheet: the header row and every row under the title.
        const reports::ReportSheet sheet = c.sheet();
        QCOMPARE(sheet.titleLines.value(0), QStringLiteral("Porównanie okresów"));
        QCOMPARE(sheet.rowCount(), 1 + c.rowCount());
        const QString printed = ws.path(QStringLiteral("porownanie.pdf"));
        reports::writeSheetPdf(sheet, reports::SheetKind::ImportReport, printed);
        QProcess printedText;
        printedText.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), printed, QStringLiteral("-")});
        QVERIFY(printedText.waitForFinished(30000));
        const QString printedShown = QString::fromUtf8(printedText.readAllStandardOutput());
        QVERIFY(printedShown.contains(QStringLiteral("Porównanie okresów")));
        QVERIFY(printedShown.contains(QStringLiteral("mikro – liczba pożyczek")));
        if (!qEnvironmentVariableIsEmpty("TERVALA_SCREENSHOTS"))
            QFile::copy(
                printed,
                QDir(qEnvironmentVariable("TERVALA_SCREENSHOTS")).filePath(QStringLiteral("wydruk-%1.pdf").arg(count)));

        // Each chart kind, shown and written to PNG and PDF.
        auto *kinds = window.findChild<QComboBox *>(QStringLiteral("cb_wykres"));
        window.findChild<QTabWidget *>(QStringLiteral("Pc_porownanie"))->setCurrentIndex(1);
        const QStringList names{"wspolczynnik", "aktywne", "struktura", "wielkosc"};
        for (int kind = 0; kind < kinds->count(); ++kind) {
            kinds->setCurrentIndex(kind);
            if (kind == 2)
                window.findChild<QRadioButton *>(QStringLiteral("rb_wartosci"))->setChecked(true);
            if (kind == 3)
                window.findChild<QComboBox *>(QStringLiteral("cb_wielkosc"))->setCurrentIndex(figure("PA_W"));
            QChart *chart = window.chartView()->chart();
            QVERIFY(chart);
            QVERIFY2(!chart->title().isEmpty(), qPrintable(names[kind]));
            const int lines = kind < 2 ? 2 : 1;
            QCOMPARE(chart->series().size(), lines);
            if (kind == 2) {
                // One chart per breakdown, its categories from the top down.
                auto *breakdowns = window.findChild<QComboBox *>(QStringLiteral("cb_podzial"));
                QCOMPARE(breakdowns->count(), 8);
                for (int b = breakdowns->count() - 1; b >= 0; --b) {
                    breakdowns->setCurrentIndex(b);
                    auto *axis =
                        qobject_cast<QBarCategoryAxis *>(window.chartView()->chart()->axes(Qt::Vertical).value(0));
                    QVERIFY(axis);
                    QCOMPARE(axis->categories().size(),
                             int(std::count_if(store::StatisticPairs.begin(), store::StatisticPairs.end(),
                                               [b](const store::StatisticPair &p) { return p.group == b; })));
                    if (b == 2)
                        screenshot(window, QStringLiteral("wykres-sektor-%1").arg(count));
                }
                QCOMPARE(qobject_cast<QBarCategoryAxis *>(window.chartView()->chart()->axes(Qt::Vertical).value(0))
                             ->categories()
                             .last(),
                         QStringLiteral("mikro"));
                chart = window.chartView()->chart();
            }
            screenshot(window, QStringLiteral("wykres-%1-%2").arg(names[kind]).arg(count));
            const QString png = ws.path(names[kind] + QStringLiteral(".png"));
            QVERIFY(window.exportChart(png));
            QCOMPARE(QImageReader(png).size(), QSize(1200, 800));
            const QString pdf = ws.path(names[kind] + QStringLiteral(".pdf"));
            QVERIFY(window.exportChart(pdf));
            QProcess text;
            text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
            QVERIFY(text.waitForFinished(30000));
            const QString shown = QString::fromUtf8(text.readAllStandardOutput()).simplified();
            QVERIFY2(shown.contains(chart->title().simplified()), qPrintable(shown));
        }
        QVERIFY2(messages.entries().isEmpty(), qPrintable(messages.texts().join(u'|')));
    }
};

QTEST_MAIN(TestPeriodComparison)
#include "tst_periodcomparison.moc"
