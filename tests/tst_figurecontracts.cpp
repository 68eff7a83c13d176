// The contracts kept behind each imported figure: for every count/value column of
// POZYCZKI and AKT_STR, the contracts counted add up to the count and their amounts
// to the value, to the grosz; the lists go with the period and come back sorted.
#include "common/messages.h"
#include "db/connection.h"
#include "db/error.h"
#include "db/query.h"
#include "store/datamodule.h"
#include "store/fields.h"
#include "store/figurecontracts.h"
#include "store/pagemodel.h"
#include "store/statisticpairs.h"
#include "support/cli.h"
#include "support/csvreader.h"
#include "support/silentoutput.h"
#include "support/workspace.h"
#include "tools/demofund.h"
#include "workflow/periodworkflow.h"

#include <QTest>

namespace {

struct Fixture
{
    Workspace ws;
    store::DataModule dm;
    store::PageModel model;
    RecordingMessages messages;
    PeriodView view;
    SilentOutput output;
    PeriodWorkflow workflow{dm, model, messages, view};

    // The hand-made demo fund, or a generated one of `contracts` contracts.
    explicit Fixture(int contracts)
    {
        ws.createReportingDatabase();
        if (contracts == 0)
            ws.createDatabase(QStringLiteral("lokra.fdb"), lokraDemoScript());
        else
            demo::createLokraDatabase(ws.path(QStringLiteral("lokra.fdb")), {contracts, 77, QDate(2013, 7, 31)});
        ws.makeHome();
        dm.KSU.setDatabase(QString(), ws.path(QStringLiteral("ksu.fdb")));
        dm.KSU.open();
        dm.LOKRA.setDatabase(QString(), ws.path(QStringLiteral("lokra.fdb")));
        dm.LOKRA.open();
    }

    qint64 import(const QStringList &c, QList<bool> answers = {})
    {
        messages.scriptAnswers(answers);
        if (!workflow.importPeriod({c[0], c[1], c[2], c[3]}, output))
            qFatal("import refused");
        return workflow.period().id();
    }

    db::Value stored(const char *table, std::string_view column, qint64 periodId)
    {
        db::Query q(dm.KSU, QStringLiteral("select * from %1 where ID_OK=:d0").arg(QLatin1String(table)));
        q.execute({periodId});
        if (!q.next())
            qFatal("no row");
        return q.value(store::toQString(column));
    }
};

} // namespace

class TestFigureContracts : public QObject
{
    Q_OBJECT

private slots:
    // Every figure is the sum of its contracts, for the hand-made fund (several
    // tranches, lost and terminated loans, missing data) and a generated one.
    void everyFigureIsItsContracts_data()
    {
        QTest::addColumn<int>("contracts");
        QTest::addColumn<QStringList>("period");
        QTest::newRow("hand-made fund") << 0 << QStringList{"01", "2013", "06", "2013"};
        QTest::newRow("generated fund") << 400 << QStringList{"01", "2013", "06", "2013"};
        QTest::newRow("generated fund, second half") << 400 << QStringList{"07", "2012", "12", "2012"};
    }
    void everyFigureIsItsContracts()
    {
        QFETCH(int, contracts);
        QFETCH(QStringList, period);
        Fixture f(contracts);
        const qint64 id = f.import(period);
        int listed = 0;
        auto check = [&](const char *table, std::string_view countColumn, std::string_view valueColumn) {
            const auto rows = store::LoadFigureContracts(f.dm.KSU, id, store::toQString(valueColumn));
            QVERIFY(rows);
            qint64 counted = 0;
            db::Money sum;
            for (const store::FigureContract &r : *rows) {
                counted += r.counted ? 1 : 0;
                sum += r.amount;
            }
            listed += int(rows->size());
            const QByteArray where =
                QByteArray(table) + '.' + QByteArray(countColumn.data(), qsizetype(countColumn.size()));
            QVERIFY2(counted == f.stored(table, countColumn, id).toInt(), where.constData());
            QVERIFY2(sum == f.stored(table, valueColumn, id).toMoney(), where.constData());
        };
        for (const store::StatisticPair &p : store::StatisticPairs)
            check("POZYCZKI", p.countColumn, p.valueColumn);
        for (const store::ActiveLostRow &r : store::ActiveLostRows) {
            if (r.count.kind == store::FieldKind::Count)
                check("AKT_STR", r.count.column, r.value.column);
        }
        QVERIFY(listed > 0);
    }

    // Either column of a pair, in any case, gives the same list in ascending
    // contract number; a column that is no sum of contracts gives none.
    void listsByEitherColumn()
    {
        Fixture f(0);
        const qint64 id = f.import({"01", "2013", "06", "2013"});
        const auto byCount = store::LoadFigureContracts(f.dm.KSU, id, QStringLiteral("pa_l"));
        const auto byValue = store::LoadFigureContracts(f.dm.KSU, id, QStringLiteral("PA_W"));
        QVERIFY(byCount && byValue);
        QCOMPARE(*byCount, *byValue);
        QVERIFY(!byCount->isEmpty());
        for (qsizetype i = 1; i < byCount->size(); ++i)
            QVERIFY(byCount->at(i - 1).contract.toLongLong() < byCount->at(i).contract.toLongLong());
        QVERIFY(!byCount->first().client.isEmpty());
        QVERIFY(!store::LoadFigureContracts(f.dm.KSU, id, QStringLiteral("WSDO_L")));
        QVERIFY(!store::LoadFigureContracts(f.dm.KSU, id, QStringLiteral("NIE_MA")));
        QVERIFY(store::HasFigureContracts(f.dm.KSU, id));
    }

    // The contracts the error report lists are kept with their breakdown and message.
    void unclassifiedContractsKept()
    {
        Fixture f(0);
        const qint64 id = f.import({"01", "2013", "06", "2013"});
        int total = 0;
        for (int breakdown = 0; breakdown < int(store::StatisticGroups.size()); ++breakdown) {
            for (const store::UnclassifiedContract &u : store::LoadUnclassifiedContracts(f.dm.KSU, id, breakdown)) {
                QCOMPARE(u.breakdown, breakdown);
                QVERIFY(!u.message.isEmpty());
                ++total;
            }
        }
        QVERIFY(total > 0);
    }

    // A list keeps any text and any amount as it was given, in ascending contract
    // number (numbers as numbers, other texts after them); a damaged one is reported.
    void listsKeepTheirTexts()
    {
        Fixture f(0);
        const qint64 id = f.import({"01", "2013", "06", "2013"});
        const QString pa = QStringLiteral("PA_L");
        const QList<store::FigureContract> given{
            {pa, "A/7", "Spółka \"Żółć\"; Łódź", true, db::Money::fromUnits(-12345)},
            {pa, "12", " dwie\r\nlinie ", false, db::Money::fromUnits(1)},
            {pa, "3", "", true, db::Money::fromWhole(21474837)},
        };
        const QList<store::UnclassifiedContract> unclassified{
            {2, "5", "Kowalski; Jan", db::Money::fromUnits(1005000), "Brak kodu PKD \"sekcja\"\nw umowie"}};
        db::AtomicWork work(f.dm.KSU);
        store::StoreFigureContracts(f.dm.KSU, id, {given, unclassified});
        work.commit();
        QCOMPARE(*store::LoadFigureContracts(f.dm.KSU, id, pa),
                 (QList<store::FigureContract>{given[2], given[1], given[0]}));
        QCOMPARE(store::LoadUnclassifiedContracts(f.dm.KSU, id, 2), unclassified);
        QVERIFY(store::LoadFigureContracts(f.dm.KSU, id, QStringLiteral("MIKRO_LS"))->isEmpty());
        QVERIFY(store::LoadUnclassifiedContracts(f.dm.KSU, id, 0).isEmpty());

        db::Query(f.dm.KSU, QStringLiteral("update LISTY_UMOW set LISTA='umowa;klient' where KOLUMNA='PA_L'"))
            .execute();
        try {
            store::LoadFigureContracts(f.dm.KSU, id, pa);
            QFAIL("a damaged list was read");
        } catch (const db::Error &e) {
            QVERIFY2(e.message().contains(QStringLiteral("uszkodzona")), qPrintable(e.message()));
        }
    }

    // tervala contracts prints the list as CSV that a CSV reader takes back: its
    // counted contracts and amounts add up to the stored figure.
    void commandPrintsTheList()
    {
        Fixture f(0);
        const qint64 id = f.import({"01", "2013", "06", "2013"});
        const int count = f.stored("AKT_STR", "PA_L", id).toInt();
        const db::Money value = f.stored("AKT_STR", "PA_W", id).toMoney();
        f.dm.KSU.close();
        f.dm.LOKRA.close();
        f.ws.writeEmbeddedIni();

        const CliResult r = runTervala({"--home", f.ws.path(), "contracts", "01", "2013", "06", "2013", "pa_w"});
        QCOMPARE(r.status, 0);
        const QList<QStringList> rows = readCsv(r.out);
        QVERIFY(rows.size() > 1);
        QCOMPARE(rows.first(), (QStringList{"umowa", "klient", "liczona", "kwota"}));
        int counted = 0;
        db::Money sum;
        for (const QStringList &row : rows.mid(1)) {
            QCOMPARE(row.size(), 4);
            QVERIFY2(row[3].contains(u',') && row[3].section(u',', 1).size() == 2, qPrintable(row[3]));
            counted += row[2].toInt();
            sum += db::Money::parse(row[3]).value();
        }
        QCOMPARE(counted, count);
        QCOMPARE(sum, value);

        const CliResult unknown =
            runTervala({"--home", f.ws.path(), "contracts", "01", "2013", "06", "2013", "WSDO_L"});
        QCOMPARE(unknown.status, 2);
        QVERIFY2(unknown.err.contains(QStringLiteral("MIKRO_LS")), qPrintable(unknown.err));
        const CliResult never = runTervala({"--home", f.ws.path(), "contracts", "01", "2012", "06", "2012", "PA_L"});
        QCOMPARE(never.status, 1);
        QVERIFY2(never.out.contains(QStringLiteral("nie został zaimportowany")), qPrintable(never.out));
    }

    // A re-import replaces the lists; deleting the period deletes them.
    void listsGoWithThePeriod()
    {
        Fixture f(0);
        const qint64 id = f.import({"01", "2013", "06", "2013"});
        auto rowCount = [&] {
            db::Query q(f.dm.KSU, QStringLiteral("select count(*) from LISTY_UMOW where ID_OK=:d0"));
            q.execute({id});
            q.next();
            return q.value(0).toInt();
        };
        // A list for every figure and for every breakdown's unclassified contracts.
        const int first = rowCount();
        QCOMPARE(first, int(store::figures().size() + store::StatisticGroups.size()));
        QCOMPARE(f.import({"01", "2013", "06", "2013"}, {true}), id);
        QCOMPARE(rowCount(), first);
        f.messages.scriptAnswers({true});
        QVERIFY(f.workflow.deletePeriod({"01", "2013", "06", "2013"}));
        QCOMPARE(rowCount(), 0);
        QVERIFY(!store::HasFigureContracts(f.dm.KSU, id));
    }
};

QTEST_MAIN(TestFigureContracts)
#include "tst_figurecontracts.moc"
