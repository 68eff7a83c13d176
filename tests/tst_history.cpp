// The stored periods side by side on the command line: "history" prints the
// figures of every period as CSV exactly as the reporting database holds them,
// "chart" draws one figure over the periods into a PNG or PDF file.
#include "common/messages.h"
#include "db/connection.h"
#include "db/query.h"
#include "store/datamodule.h"
#include "store/pagemodel.h"
#include "support/cli.h"
#include "support/csvreader.h"
#include "support/workspace.h"
#include "workflow/periodworkflow.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

namespace {

// The columns of POZYCZKI and AKT_STR as the database lists them, keys and stamps left out.
QStringList tableColumns(db::Connection &ksu, const QString &table)
{
    db::Query q(ksu, QStringLiteral("select trim(rdb$field_name) from rdb$relation_fields where rdb$relation_name=:d0 "
                                    "order by rdb$field_position"));
    q.execute({table});
    QStringList columns;
    while (q.next()) {
        const QString name = q.value(0).toString();
        if (name != QStringLiteral("ID_OK") && name != QStringLiteral("WPROWADZIL"))
            columns << name;
    }
    return columns;
}

// What the database itself says a column of one period holds: its own text of
// an integer or a decimal (a point turned into a comma), or the double it stores.
struct Stored
{
    bool isNull = true;
    QString text;
    bool isDouble = false;
    double number = 0;
};

Stored storedValue(db::Connection &ksu, const QString &table, const QString &column, QDate first)
{
    // The column name comes from the database's own list (test code, not the program).
    db::Query type(ksu, QStringLiteral("select f.rdb$field_type from rdb$relation_fields r join rdb$fields f on "
                                       "f.rdb$field_name=r.rdb$field_source where r.rdb$relation_name=:d0 and "
                                       "trim(r.rdb$field_name)=:d1"));
    type.execute({table, column});
    type.next();
    const bool isDouble = type.value(0).toInt() == 27;
    db::Query q(ksu, QStringLiteral("select cast(t.%1 as varchar(40)), t.%1 from %2 t join OKRES o on o.ID_OK=t.ID_OK "
                                    "where o.ODK=:d0")
                         .arg(column, table));
    q.execute({first});
    Stored s;
    if (!q.next() || q.value(0).isNull())
        return s;
    s.isNull = false;
    s.isDouble = isDouble;
    s.text = q.value(0).toString().trimmed().replace(u'.', u',');
    if (isDouble)
        s.number = q.value(1).toDouble();
    return s;
}

} // namespace

class TestHistory : public QObject
{
    Q_OBJECT

private slots:
    // Three periods imported through the program, out of date order, then
    // corrected on their pages and in the store: the CSV holds every figure as
    // stored, the periods in date order.
    void historyEqualsTheStoredFigures()
    {
        Workspace ws;
        ws.createReportingDatabase();
        ws.createDatabase(QStringLiteral("lokra.fdb"), lokraDemoScript());
        ws.writeEmbeddedIni();
        const QList<QStringList> imports{
            {"01", "2013", "06", "2013"}, {"07", "2012", "12", "2012"}, {"01", "2012", "06", "2012"}};
        for (const QStringList &period : imports) {
            const CliResult r = runTervala(QStringList{"--home", ws.path(), "import"} + period);
            QVERIFY2(r.status == 0, qPrintable(r.out + r.err));
        }
        {
            // Corrections as the user makes them: "Zapisz zmiany" on an opened period.
            ws.makeHome();
            store::DataModule dm;
            dm.KSU.setDatabase(QString(), ws.path(QStringLiteral("ksu.fdb")));
            dm.KSU.open();
            dm.LOKRA.setDatabase(QString(), ws.path(QStringLiteral("lokra.fdb")));
            dm.LOKRA.open();
            store::PageModel model;
            RecordingMessages messages;
            PeriodView view;
            PeriodWorkflow workflow(dm, model, messages, view);
            QVERIFY(workflow.openPeriod({"07", "2012", "12", "2012"}));
            QVERIFY(model.setText(QStringLiteral("Jvw_mik"), QStringLiteral("12345678,91")));
            QVERIFY(model.setText(QStringLiteral("Jvl_mik"), QStringLiteral("77")));
            QVERIFY(model.setText(QStringLiteral("Jvw_poz_akt"), QStringLiteral("0,05")));
            model.setNumber(QStringLiteral("Jvw_wspol_strat"), 100.0 / 3);
            QVERIFY(workflow.save());
            // And one straight in the database: a figure that was never filled in.
            db::Query(dm.KSU, QStringLiteral("update AKT_STR set PS_W=null where ID_OK=1")).execute();
            dm.KSU.commitRetaining();
            dm.KSU.close();
            dm.LOKRA.close();
        }

        const CliResult r = runTervala({"--home", ws.path(), "history"});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        const QList<QStringList> rows = readCsv(r.out);
        // Named columns, in any letter case and order, come in the order asked.
        const CliResult some = runTervala({"--home", ws.path(), "history", "pa_w", "MIKRO_WS", "Jvl_10"});
        QVERIFY2(some.status == 0, qPrintable(some.out + some.err));
        const QList<QStringList> picked = readCsv(some.out);
        QCOMPARE(picked.value(0), QStringList({"okres_od", "okres_do", "PA_W", "MIKRO_WS", "JVL_10"}));
        QCOMPARE(picked.value(2).value(3), QStringLiteral("12345678,91"));
        QCOMPARE(picked.value(2).value(2), QStringLiteral("0,05"));

        // The embedded engine lets one process at a time have the file: the program has ended.
        db::Connection ksu;
        ksu.setDatabase(QString(), ws.path(QStringLiteral("ksu.fdb")));
        ksu.open();
        const QStringList columns =
            tableColumns(ksu, QStringLiteral("POZYCZKI")) + tableColumns(ksu, QStringLiteral("AKT_STR"));
        QCOMPARE(columns.size(), 78);
        QCOMPARE(rows.value(0), QStringList({"okres_od", "okres_do"}) + columns);
        QCOMPARE(rows.size(), 4);
        const QList<QDate> firsts{{2012, 1, 1}, {2012, 7, 1}, {2013, 1, 1}};
        const QList<QDate> lasts{{2012, 6, 30}, {2012, 12, 31}, {2013, 6, 30}};
        int nulls = 0;
        for (int p = 0; p < 3; ++p) {
            const QStringList &row = rows[p + 1];
            QCOMPARE(row.size(), 2 + columns.size());
            QCOMPARE(row[0], firsts[p].toString(Qt::ISODate));
            QCOMPARE(row[1], lasts[p].toString(Qt::ISODate));
            for (int c = 0; c < columns.size(); ++c) {
                const QString table = c < 64 ? QStringLiteral("POZYCZKI") : QStringLiteral("AKT_STR");
                const Stored stored = storedValue(ksu, table, columns[c], firsts[p]);
                const QString &field = row[2 + c];
                const QString where =
                    columns[c] + u' ' + firsts[p].toString(Qt::ISODate) + QStringLiteral(": ") + field;
                if (stored.isNull) {
                    QVERIFY2(field.isEmpty(), qPrintable(where));
                    ++nulls;
                } else if (stored.isDouble) {
                    // Every digit stored comes back: the text reads as the very same double.
                    bool ok = false;
                    QCOMPARE(QString(field).replace(u',', u'.').toDouble(&ok), stored.number);
                    QVERIFY2(ok && !field.contains(u'.'), qPrintable(where));
                } else {
                    QVERIFY2(field == stored.text, qPrintable(where + QStringLiteral(" != ") + stored.text));
                }
            }
        }
        QCOMPARE(nulls, 1);
        // The corrections are what the CSV shows for 07-12.2012, every digit of them.
        const auto field = [&](int period, const char *column) {
            return rows[period + 1].value(2 + int(columns.indexOf(QString::fromLatin1(column))));
        };
        QCOMPARE(field(1, "MIKRO_WS"), QStringLiteral("12345678,91"));
        QCOMPARE(field(1, "MIKRO_LS"), QStringLiteral("77"));
        QCOMPARE(field(1, "PA_W"), QStringLiteral("0,05"));
        QCOMPARE(field(1, "WSDO_W"), QStringLiteral("33,333333333333336"));
        QCOMPARE(field(2, "PS_W"), QString());
    }

    void historyOfAnEmptyDatabaseIsItsHeader()
    {
        Workspace ws;
        ws.createReportingDatabase();
        ws.writeEmbeddedIni();
        // The Lokra database is not there: history does not need it.
        const CliResult r = runTervala({"--home", ws.path(), "history", "PA_L"});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QStringLiteral("okres_od;okres_do;PA_L\n"));
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("reason");
        QTest::newRow("history, unknown column") << QStringList{"history", "PA_L", "NIE_MA"} << "NIE_MA";
        QTest::newRow("chart, unknown column") << QStringList{"chart", "NIE_MA", "a.png"} << "NIE_MA";
        QTest::newRow("chart, no file") << QStringList{"chart", "PA_L"} << "chart";
        QTest::newRow("chart, other extension") << QStringList{"chart", "PA_L", "a.jpg"} << "a.jpg";
        QTest::newRow("chart, bad size") << QStringList{"chart", "PA_L", "a.png", "--size", "duży"} << "--size";
    }
    void usageErrors()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, reason);
        Workspace ws;
        const CliResult r = runTervala(QStringList{"--home", ws.path()} + arguments);
        QCOMPARE(r.status, 2);
        const QString first = r.err.section(u'\n', 0, 0);
        QVERIFY2(first.contains(reason), qPrintable(r.err));
        if (first.contains(QStringLiteral("Nieznana kolumna"))) {
            // The valid names are listed.
            for (const char *column : {"MIKRO_LS", "MZ_MIEJ_WS", "PA_L", "WSDO_W"})
                QVERIFY2(first.contains(QString::fromLatin1(column)), column);
        }
        QVERIFY(r.err.contains(QStringLiteral("Użycie: tervala")));
    }

    // Two periods straight in the database, then charts of them.
    void chartsAreWrittenAsAsked()
    {
        Workspace ws;
        ws.createReportingDatabase();
        ws.writeEmbeddedIni();
        {
            db::Connection ksu;
            ksu.setDatabase(QString(), ws.path(QStringLiteral("ksu.fdb")));
            ksu.open();
            for (const char *sql : {
                     "insert into OKRES (ID_OK, ODK, DOK, DATAW, WPROWADZIL) values (1, '2013-01-01', '2013-06-30', "
                     "current_date, 1)",
                     "insert into OKRES (ID_OK, ODK, DOK, DATAW, WPROWADZIL) values (2, '2013-07-01', '2013-12-31', "
                     "current_date, 1)",
                     "insert into AKT_STR (ID_OK, PA_L, PA_W, WSDO_L, WSDO_W) values (1, 12, 820100.00, 1.5, 0.75)",
                     "insert into AKT_STR (ID_OK, PA_L, PA_W, WSDO_L, WSDO_W) values (2, 15, 910250.50, 2.25, 1.1)",
                 })
                db::Query(ksu, QString::fromLatin1(sql)).execute();
            ksu.commitRetaining();
            ksu.close();
        }
        const QString png = ws.path(QStringLiteral("aktywne.png"));
        CliResult r = runTervala({"--home", ws.path(), "chart", "PA_W", png, "--size", "900x600"});
        QVERIFY2(r.status == 0, qPrintable(r.out + r.err));
        QImageReader reader(png);
        QCOMPARE(reader.format(), QByteArray("png"));
        const QImage image = reader.read();
        QCOMPARE(image.size(), QSize(900, 600));
        // Something is drawn on the white ground: the line's colour is not grey.
        bool coloured = false;
        for (int y = 0; y < image.height() && !coloured; y += 2) {
            for (int x = 0; x < image.width() && !coloured; x += 2) {
                const QColor c = image.pixelColor(x, y);
                coloured = std::abs(c.red() - c.blue()) > 60;
            }
        }
        QVERIFY(coloured);

        const QString pdf = ws.path(QStringLiteral("wspolczynnik.pdf"));
        r = runTervala({"--home", ws.path(), "chart", "wsdo_l", pdf});
        QVERIFY2(r.status == 0, qPrintable(r.out + r.err));
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        QVERIFY(text.waitForFinished(30000));
        const QString shown = QString::fromUtf8(text.readAllStandardOutput());
        QVERIFY2(shown.contains(QStringLiteral("4. Współczynnik strat w danym okresie – wg liczby")),
                 qPrintable(shown));
        QVERIFY2(shown.contains(QStringLiteral("Współczynnik strat [%]")), qPrintable(shown));
        QVERIFY2(shown.contains(QStringLiteral("01–06.2013")), qPrintable(shown));
        // Axis labels with a decimal comma, none with a point.
        QVERIFY2(shown.contains(QRegularExpression(QStringLiteral("\\d,\\d\\d"))), qPrintable(shown));
        const QRegularExpression pointed(QStringLiteral("(^|\\s)\\d+\\.\\d\\d(\\s|$)"));
        QVERIFY2(!shown.contains(pointed), qPrintable(shown));

        // The output guard: a file of another kind is replaced only with --force.
        const QString notes = ws.path(QStringLiteral("notatki.png"));
        {
            QFile f(notes);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("moje notatki");
        }
        r = runTervala({"--home", ws.path(), "chart", "PA_L", notes});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.out.contains(QStringLiteral("nie jest plikiem PNG")), qPrintable(r.out));
        QFile kept(notes);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("moje notatki"));
        r = runTervala({"--home", ws.path(), "chart", "PA_L", notes, "--force"});
        QCOMPARE(r.status, 0);
        QCOMPARE(QImageReader(notes).size(), QSize(1200, 800));
    }

    void chartOfAnEmptyDatabaseIsRefused()
    {
        Workspace ws;
        ws.createReportingDatabase();
        ws.writeEmbeddedIni();
        const CliResult r = runTervala({"--home", ws.path(), "chart", "PA_L", ws.path(QStringLiteral("a.png"))});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.out.contains(QStringLiteral("nie zawiera żadnego okresu")), qPrintable(r.out));
        QVERIFY(!QFile::exists(ws.path(QStringLiteral("a.png"))));
    }
};

QTEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"
