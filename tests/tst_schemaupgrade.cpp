// The schema upgrade on embedded databases in the old layout and the current one.
#include "cli/updatecommands.h"
#include "common/messages.h"
#include "db/connection.h"
#include "db/money.h"
#include "db/query.h"
#include "db/sqlscript.h"
#include "store/schema.h"
#include "store/schemaupgrade.h"
#include "store/sharedaccess.h"
#include "support/cli.h"
#include "support/rowstext.h"
#include "support/workspace.h"

#include <QTest>

using Kind = RecordingMessages::Kind;

namespace {

const QStringList Sizes{"10", "10_30", "30_50", "50_120", "120_300", "300"};

// The unchanged tables as a new database has them.
QString unchangedTables()
{
    QString script;
    for (const QString &statement : store::reportingSchemaStatements()) {
        for (const char *table : {"OKRES ", "DANE_INST ", "KAPITAL_FUND ", "SLOWNIKI ", "LOGOWANIE "}) {
            if (statement.startsWith(QStringLiteral("CREATE TABLE ") + QLatin1String(table)))
                script += statement + u'\n';
        }
    }
    // Component values were DECIMAL(9,2), at most 21 474 836,47.
    script.replace(QStringLiteral("WARTOSC DECIMAL(15,2)"), QStringLiteral("WARTOSC DECIMAL(9,2)"));
    // Periods had no change stamp.
    script.replace(QStringLiteral(", ZMIANA INTEGER DEFAULT 0, ZMIENIL VARCHAR(63), ZMIENIONO TIMESTAMP"), QString());
    return script;
}

// POZYCZKI before the sector split and the new breakdowns: PROD instead of
// PRZET and a count/value pair per loan size for each category.
QString oldPozyczki()
{
    QStringList columns{QStringLiteral("ID_OK INTEGER NOT NULL PRIMARY KEY")};
    const QStringList categories{"MIKRO", "MALE", "SREDNIE", "INNE", "EKO", "OBROT", "INWES",
                                 "IO",    "PROD", "HAN",     "US",   "BUD", "RO",    "IN"};
    for (const QString &c : categories)
        columns << c + QStringLiteral("_LS INTEGER") << c + QStringLiteral("_WS DECIMAL(15,2)");
    for (const QString &c : categories) {
        for (const QString &size : Sizes)
            columns << c + QStringLiteral("L_") + size + QStringLiteral(" INTEGER");
        for (const QString &size : Sizes)
            columns << c + QStringLiteral("W_") + size + QStringLiteral(" DECIMAL(15,2)");
    }
    columns << QStringLiteral("WPROWADZIL INTEGER");
    return QStringLiteral("CREATE TABLE POZYCZKI (%1);\n").arg(columns.join(u','));
}

// The old installation's databases have the default character set NONE, so its
// requirement columns are NONE; the test databases default to WIN1250.
QString oldLayout(bool withRequirementColumns)
{
    return unchangedTables() + oldPozyczki()
           + QStringLiteral("CREATE TABLE ZASADY (ID_ZAS INTEGER NOT NULL PRIMARY KEY, ID_OK INTEGER, "
                            "FUN_NIE_ZYS VARCHAR(15), MIN_OPR DECIMAL(15,2), PO_ANALIZ VARCHAR(15), "
                            "MAX_POZ DECIMAL(15,2), TRUD_SYT VARCHAR(15), POT_EKO VARCHAR(15), "
                            "KWAL_PRAC VARCHAR(15), INNE VARCHAR(80)%1);\n")
                 .arg(withRequirementColumns
                          ? QStringLiteral(", WYM_TECH VARCHAR(5) CHARACTER SET NONE, WYM_EKO VARCHAR(5) CHARACTER SET "
                                           "NONE, WYM_USL VARCHAR(5) CHARACTER SET NONE, ET_ZAW VARCHAR(5) CHARACTER "
                                           "SET NONE")
                          : QString())
           + QStringLiteral(
               "CREATE TABLE AKT_STR (ID_OK INTEGER NOT NULL PRIMARY KEY, PA_L INTEGER, PA_W DECIMAL(15,2), "
               "ST_L INTEGER, ST_W DECIMAL(15,2), PS_L INTEGER, PS_W DECIMAL(15,2), "
               "WSCO_L DOUBLE PRECISION, WSCO_W DOUBLE PRECISION, "
               "WSDO_L DOUBLE PRECISION, WSDO_W DOUBLE PRECISION);\n")
           + QStringLiteral("INSERT INTO POZYCZKI (ID_OK, MIKRO_LS, MIKRO_WS, PROD_LS, PROD_WS, PRODL_10, INW_300, "
                            "WPROWADZIL) VALUES (1, 3, 45000.50, 7, 1234.56, 2, 99.99, 1);\n")
           + QStringLiteral(
               "INSERT INTO AKT_STR (ID_OK, PA_L, PA_W, WSCO_L, WSDO_L) VALUES (1, 4, 100.25, 0.5, 0.25);\n")
           + (withRequirementColumns
                  ? QStringLiteral(
                      "INSERT INTO ZASADY (ID_ZAS, ID_OK, FUN_NIE_ZYS, WYM_TECH) VALUES (1, 1, 'Tak', 'Nie');\n")
                  : QStringLiteral("INSERT INTO ZASADY (ID_ZAS, ID_OK, FUN_NIE_ZYS) VALUES (1, 1, 'Tak');\n"));
}

QString lokraTables(bool upgraded = false)
{
    return QStringLiteral("CREATE TABLE UMOWY (IDUMOWY INTEGER, NRKLIENTA INTEGER, KWOTAKREDYTU DECIMAL(15,2)%1);\n"
                          "CREATE TABLE WNIOSKI (IDUMOWY INTEGER%2);\n"
                          "INSERT INTO UMOWY (IDUMOWY, NRKLIENTA, KWOTAKREDYTU) VALUES (1, 10, 5000);\n")
        .arg(upgraded ? QStringLiteral(", RU INTEGER") : QString(),
             upgraded ? QStringLiteral(", OBSZAR INTEGER") : QString());
}

// Every user table's columns with their types, the sequences and the triggers
// (names without the padding of their CHAR columns):
// what a schema comparison needs, independent of column positions.
QStringList schemaOf(db::Connection &c)
{
    return rowsAsText(c, QStringLiteral("select trim(rf.rdb$relation_name), trim(rf.rdb$field_name), f.rdb$field_type, "
                                        "coalesce(f.rdb$field_sub_type, 0), f.rdb$field_length, f.rdb$field_scale, "
                                        "coalesce(f.rdb$field_precision, 0), coalesce(f.rdb$character_set_id, -1), "
                                        "coalesce(rf.rdb$null_flag, 0) "
                                        "from rdb$relation_fields rf "
                                        "join rdb$fields f on f.rdb$field_name = rf.rdb$field_source "
                                        "join rdb$relations r on r.rdb$relation_name = rf.rdb$relation_name "
                                        "where coalesce(r.rdb$system_flag, 0) = 0 order by 1, 2"))
           + rowsAsText(c, QStringLiteral("select 'SEQUENCE', trim(rdb$generator_name) from rdb$generators "
                                          "where coalesce(rdb$system_flag, 0) = 0 order by 2"))
           + rowsAsText(
               c, QStringLiteral("select 'TRIGGER', trim(rdb$trigger_name), trim(rdb$relation_name), rdb$trigger_type, "
                                 "rdb$trigger_sequence, coalesce(rdb$trigger_inactive, 0) from rdb$triggers "
                                 "where coalesce(rdb$system_flag, 0) = 0 order by 2"));
}

// Adding a column gives it the database's default character set, and widening
// it keeps the one it has (Firebird does not change it by ALTER ... TYPE): on a
// test database the requirement columns added by the upgrade are WIN1250, where
// the old installation's would be NONE. Their character set is left out then.
QStringList withoutRequirementCharset(QStringList schema)
{
    for (QString &line : schema) {
        if (line.startsWith(QStringLiteral("ZASADY|WYM_")) || line.startsWith(QStringLiteral("ZASADY|ET_ZAW|")))
            line = line.section(u'|', 0, 6) + u'|' + line.section(u'|', 8);
    }
    return schema;
}

QStringList currentSchema()
{
    Workspace ws;
    db::Connection c;
    c.setDatabase(QString(), ws.createReportingDatabase());
    c.open();
    return schemaOf(c);
}

QStringList columnsOf(db::Connection &c, const QString &table)
{
    return rowsAsText(
        c,
        QStringLiteral("select trim(rdb$field_name) from rdb$relation_fields where rdb$relation_name = :d0 "
                       "order by 1"),
        {table});
}

db::Money money(QStringView text)
{
    return *db::Money::parse(text);
}

QList<int> applied(const QList<store::UpgradeOutcome> &outcomes)
{
    QList<int> numbers;
    for (const store::UpgradeOutcome &o : outcomes) {
        if (o.applied)
            numbers << o.number;
    }
    return numbers;
}

QList<int> range(int from, int to)
{
    QList<int> numbers;
    for (int n = from; n <= to; ++n)
        numbers << n;
    return numbers;
}

} // namespace

class TestSchemaUpgrade : public QObject
{
    Q_OBJECT

    QStringList m_current;

private slots:
    void initTestCase() { m_current = currentSchema(); }

    void statementList()
    {
        const QList<store::UpgradeStatement> statements = store::upgradeStatements();
        QCOMPARE(statements.size(), 28);
        for (int i = 0; i < 28; ++i) {
            QCOMPARE(statements[i].number, i + 1);
            QCOMPARE(statements[i].onLokra, i == 21 || i == 22);
        }
        const QString drop = store::dropPerSizeColumnsStatement();
        QCOMPARE(statements[10].sql, drop);
        QCOMPARE(drop.count(QStringLiteral("DROP ")), 168);
        QVERIFY(drop.startsWith(QStringLiteral("ALTER TABLE POZYCZKI DROP MIKROL_10, DROP MIKROL_10_30, ")));
        QVERIFY(drop.contains(QStringLiteral("DROP MIKROL_300, DROP MIKROW_10, ")));
        QVERIFY(drop.contains(QStringLiteral("DROP MIKROW_300, DROP MALEL_10, ")));
        QVERIFY(drop.endsWith(QStringLiteral(", DROP INW_120_300, DROP INW_300;")));
        QCOMPARE(statements[16].sql, QString::fromLatin1(store::CreateDaneKapTable));
        QCOMPARE(statements[17].sql, QString::fromLatin1(store::CreateDaneKapSequence));
        QCOMPARE(statements[18].sql, QString::fromLatin1(store::CreateDaneKapTrigger));
        QCOMPARE(statements[26].sql, QString::fromLatin1(store::AddPeriodStamp));
        QCOMPARE(statements[27].sql, QString::fromLatin1(store::CreateLockTable));
    }

    void oldLayoutBecomesCurrent_data()
    {
        QTest::addColumn<bool>("withRequirementColumns");
        QTest::newRow("requirement columns VARCHAR(5)") << true;
        QTest::newRow("no requirement columns") << false;
    }
    void oldLayoutBecomesCurrent()
    {
        QFETCH(bool, withRequirementColumns);
        Workspace ws;
        db::Connection ksu;
        ksu.setDatabase(QString(), ws.createDatabase(QStringLiteral("ksu.fdb"), oldLayout(withRequirementColumns)));
        ksu.open();
        db::Connection lokra;
        lokra.setDatabase(QString(), ws.createDatabase(QStringLiteral("lokra.fdb"), lokraTables()));
        lokra.open();
        RecordingMessages messages;

        QList<store::UpgradeOutcome> heard;
        const QList<store::UpgradeOutcome> outcomes =
            store::upgradeSchema(ksu, lokra, messages, [&](const store::UpgradeOutcome &o) { heard << o; });
        QCOMPARE(outcomes.size(), 28);
        QCOMPARE(heard.size(), 28);
        QList<int> expected = range(1, 28);
        if (withRequirementColumns)
            expected = range(1, 6) + range(11, 28);
        QCOMPARE(applied(outcomes), expected);
        for (const store::UpgradeOutcome &o : outcomes)
            QVERIFY2(o.applied || o.reason.contains(QStringLiteral("WYM_TECH"))
                         || o.reason.contains(QStringLiteral("WYM_EKO")) || o.reason.contains(QStringLiteral("WYM_USL"))
                         || o.reason.contains(QStringLiteral("ET_ZAW")),
                     qPrintable(o.reason));
        QVERIFY(messages.entries().isEmpty());
        if (withRequirementColumns)
            QCOMPARE(schemaOf(ksu), m_current);
        else
            QCOMPARE(withoutRequirementCharset(schemaOf(ksu)), withoutRequirementCharset(m_current));

        // The data of the kept columns survive, PROD's under PRZET's names.
        db::Query poz(ksu, QStringLiteral("select MIKRO_LS, MIKRO_WS, PRZET_LS, PRZET_WS, GOR_LS from POZYCZKI"));
        poz.execute();
        QVERIFY(poz.next());
        QCOMPARE(poz.value(0).toInt(), 3);
        QCOMPARE(poz.value(1).toMoney(), money(u"45000.50"));
        QCOMPARE(poz.value(2).toInt(), 7);
        QCOMPARE(poz.value(3).toMoney(), money(u"1234.56"));
        QVERIFY(poz.value(4).isNull());
        QCOMPARE(rowsAsText(ksu, QStringLiteral("select PA_L, PA_W, WSDO_L from AKT_STR")),
                 QStringList{QStringLiteral("4|100,25|0,25")});

        // The widened requirement columns keep their answers and take the longest one.
        db::Query rules(ksu, QStringLiteral("update ZASADY set WYM_EKO = :d0 where ID_ZAS = 1"));
        rules.execute({QStringLiteral("Nie dotyczy")});
        QCOMPARE(rowsAsText(ksu, QStringLiteral("select FUN_NIE_ZYS, WYM_TECH, WYM_EKO from ZASADY")),
                 QStringList{withRequirementColumns ? QStringLiteral("Tak|Nie|Nie dotyczy")
                                                    : QStringLiteral("Tak|<NULL>|Nie dotyczy")});

        // DANE_KAP takes its keys from DKAP_GEN whatever the insert supplies.
        db::Query dk(ksu, QStringLiteral("insert into DANE_KAP (ID_OK,ID,ZRODLO,NAZWA,KWOTA,WPROWADZIL) "
                                         "values (:d0,:d1,:d2,:d3,:d4,1)"));
        dk.execute({1, 500, 0, QStringLiteral("Przyrost z dotacji"), money(u"10.00")});
        dk.execute({1, 500, 1, QStringLiteral("Źródło"), money(u"20.00")});
        QCOMPARE(rowsAsText(ksu, QStringLiteral("select ID, NAZWA from DANE_KAP order by ID")),
                 (QStringList{QStringLiteral("1|Przyrost z dotacji"), QStringLiteral("2|Źródło")}));

        // A component above the old limit of 21 474 836,47 zł fits now.
        db::Query component(ksu,
                            QStringLiteral("insert into KAPITAL_FUND (ID_SKL, ID_OK, WARTOSC) values (1, 1, :d0)"));
        component.execute({money(u"58000000.01")});
        QCOMPARE(rowsAsText(ksu, QStringLiteral("select WARTOSC from KAPITAL_FUND")),
                 QStringList{QStringLiteral("58000000,01")});

        // The Lokra database has the columns the import reads.
        QVERIFY(columnsOf(lokra, QStringLiteral("WNIOSKI")).contains(QStringLiteral("OBSZAR")));
        QVERIFY(columnsOf(lokra, QStringLiteral("UMOWY")).contains(QStringLiteral("RU")));
        QCOMPARE(rowsAsText(lokra, QStringLiteral("select IDUMOWY, NRKLIENTA, RU from UMOWY")),
                 QStringList{QStringLiteral("1|10|<NULL>")}); // RU is there, empty
    }

    // A database in the current layout, or one upgraded before: nothing changes
    // and nothing is shown, however often the upgrade runs.
    void currentLayoutStaysAsItIs_data()
    {
        QTest::addColumn<bool>("upgradedBefore");
        QTest::newRow("new database") << false;
        QTest::newRow("old database, second run") << true;
    }
    void currentLayoutStaysAsItIs()
    {
        QFETCH(bool, upgradedBefore);
        Workspace ws;
        db::Connection ksu;
        ksu.setDatabase(QString(), upgradedBefore ? ws.createDatabase(QStringLiteral("ksu.fdb"), oldLayout(true))
                                                  : ws.createReportingDatabase());
        ksu.open();
        db::Connection lokra;
        lokra.setDatabase(QString(), ws.createDatabase(QStringLiteral("lokra.fdb"), lokraTables(!upgradedBefore)));
        lokra.open();
        RecordingMessages messages;
        if (upgradedBefore)
            store::upgradeSchema(ksu, lokra, messages);
        const QStringList before = schemaOf(ksu);
        const QStringList lokraBefore = schemaOf(lokra);

        const QList<store::UpgradeOutcome> outcomes = store::upgradeSchema(ksu, lokra, messages);
        QVERIFY(messages.entries().isEmpty());
        QCOMPARE(schemaOf(ksu), before);
        QCOMPARE(schemaOf(ksu), m_current);
        QCOMPARE(schemaOf(lokra), lokraBefore);
        for (const store::UpgradeOutcome &o : outcomes) {
            // Widening a column to the type it has is no change.
            if (o.number != 20 && o.number != 24)
                QVERIFY2(!o.applied && o.alreadyDone && !o.reason.isEmpty() && o.failure.isEmpty(),
                         qPrintable(QString::number(o.number)));
        }
    }

    void lokraUnreachable()
    {
        Workspace ws;
        db::Connection ksu;
        ksu.setDatabase(QString(), ws.createDatabase(QStringLiteral("ksu.fdb"), oldLayout(true)));
        ksu.open();
        db::Connection lokra;
        lokra.setDatabase(QString(), ws.path(QStringLiteral("brak-lokra.fdb")));
        RecordingMessages messages;
        const QList<store::UpgradeOutcome> outcomes = store::upgradeSchema(ksu, lokra, messages);
        QCOMPARE(applied(outcomes), range(1, 6) + range(11, 21) + range(24, 28));
        QVERIFY(outcomes[21].reason.contains(QStringLiteral("Brak połączenia")));
        QVERIFY(outcomes[22].reason.contains(QStringLiteral("Brak połączenia")));
        // Not a change already there: a failure, told as one.
        QVERIFY(!outcomes[21].alreadyDone && outcomes[21].failure.startsWith(QStringLiteral("Brak połączenia")));
        QVERIFY(messages.entries().isEmpty());
        QCOMPARE(schemaOf(ksu), m_current);
    }

    // A statement the database takes but refuses to commit (a stored procedure
    // still reads a column it drops) is reported and undone; the statements after
    // it are still applied and committed.
    void refusedCommit()
    {
        Workspace ws;
        db::Connection ksu;
        ksu.setDatabase(QString(), ws.createDatabase(QStringLiteral("ksu.fdb"),
                                                     oldLayout(true)
                                                         + QStringLiteral("SET TERM ^;\nCREATE PROCEDURE STRATY "
                                                                          "RETURNS (W DOUBLE PRECISION) AS BEGIN FOR "
                                                                          "SELECT WSCO_W FROM AKT_STR INTO :W DO "
                                                                          "SUSPEND; END^\nSET TERM ;^\n")));
        ksu.open();
        db::Connection lokra;
        RecordingMessages messages;
        const QList<store::UpgradeOutcome> outcomes = store::upgradeSchema(ksu, lokra, messages);
        QCOMPARE(messages.entries(),
                 (QList<RecordingMessages::Entry>{
                     {Kind::Warning, QStringLiteral("Błąd"), QStringLiteral("Problem z zapisem transakcji")}}));
        QVERIFY(!outcomes[15].applied);
        QVERIFY(!outcomes[15].reason.isEmpty());
        QCOMPARE(applied(outcomes), range(1, 6) + range(11, 15) + range(17, 21) + range(24, 28));
        QVERIFY(columnsOf(ksu, QStringLiteral("AKT_STR")).contains(QStringLiteral("WSCO_L")));
        QVERIFY(columnsOf(ksu, QStringLiteral("DANE_KAP")).contains(QStringLiteral("KWOTA")));
    }

    void command_data()
    {
        QTest::addColumn<bool>("reportingThere");
        QTest::addColumn<int>("status");
        QTest::newRow("both databases") << true << 0;
        QTest::newRow("no reporting database") << false << 1;
    }
    void command()
    {
        QFETCH(bool, reportingThere);
        QFETCH(int, status);
        Workspace ws;
        if (reportingThere)
            ws.createDatabase(QStringLiteral("ksu.fdb"), oldLayout(true));
        ws.createDatabase(QStringLiteral("lokra.fdb"), lokraTables());
        ws.writeEmbeddedIni();
        ws.makeHome();
        RecordingMessages messages;
        QCOMPARE(runUpgradeSchema(messages), status);
        QCOMPARE(messages.entries().size(), reportingThere ? 0 : 1);
        if (reportingThere) {
            db::Connection ksu;
            ksu.setDatabase(QString(), ws.path(QStringLiteral("ksu.fdb")));
            ksu.open();
            QCOMPARE(schemaOf(ksu), m_current);
        }
    }

    // Run twice from the command line: the second run finds every change in place
    // and says so in one short line per statement; a real failure shows its cause.
    void commandTwice()
    {
        Workspace ws;
        ws.createDatabase(QStringLiteral("ksu.fdb"), oldLayout(true));
        ws.createDatabase(QStringLiteral("lokra.fdb"), lokraTables());
        ws.writeEmbeddedIni();
        CliResult r = runTervala({"--home", ws.path(), "upgrade-schema"});
        QCOMPARE(r.status, 0);
        QVERIFY2(r.out.contains(QStringLiteral("\n22: zastosowano\n23: zastosowano\n")), qPrintable(r.out));

        r = runTervala({"--home", ws.path(), "upgrade-schema"});
        QCOMPARE(r.status, 0);
        QStringList expected;
        for (int n = 1; n <= 28; ++n)
            expected << QStringLiteral("%1: %2").arg(n).arg(n == 20 || n == 24 ? "zastosowano" : "już zastosowano");
        QCOMPARE(r.out.split(u'\n', Qt::SkipEmptyParts), expected);

        // A Lokra database without the tables the upgrade changes: a cause, not a skip.
        ws.createDatabase(QStringLiteral("inna.fdb"), QStringLiteral("CREATE TABLE FIRMA (WERSJA VARCHAR(20));\n"));
        ws.writeEmbeddedIni(QStringLiteral("ksu.fdb"), QStringLiteral("inna.fdb"));
        r = runTervala({"--home", ws.path(), "upgrade-schema"});
        QCOMPARE(r.status, 0);
        const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
        const qsizetype at = lines.indexOf(QStringLiteral("22: pominięto – Błąd bazy danych – baza danych programu "
                                                          "Lokra (%1).")
                                               .arg(ws.path(QStringLiteral("inna.fdb"))));
        QVERIFY2(at >= 0, qPrintable(r.out));
        QVERIFY2(lines[at + 1].startsWith(QStringLiteral("    Szczegóły: unsuccessful metadata update")),
                 qPrintable(r.out));
    }

    // Path_ksu naming another program's database: the upgrade refuses before it
    // creates a single table there.
    void refusesWhatIsNoReportingDatabase()
    {
        Workspace ws;
        ws.createDatabase(QStringLiteral("ksu.fdb"), lokraTables());
        ws.createDatabase(QStringLiteral("lokra.fdb"), lokraTables());
        ws.writeEmbeddedIni();
        ws.makeHome();
        RecordingMessages messages;
        QCOMPARE(runUpgradeSchema(messages), 1);
        QCOMPARE(messages.entries().size(), 1);
        QVERIFY(messages.texts().first().startsWith(QStringLiteral("Baza danych ") + ws.path(QStringLiteral("ksu.fdb"))
                                                    + QStringLiteral(" nie jest bazą danych programu Tervala")));
        for (const QString &name : {QStringLiteral("ksu.fdb"), QStringLiteral("lokra.fdb")}) {
            db::Connection c;
            c.setDatabase(QString(), ws.path(name));
            c.open();
            QCOMPARE(columnsOf(c, QStringLiteral("UMOWY")).size(), 3);
            QVERIFY(columnsOf(c, QStringLiteral("OKRES")).isEmpty());
            QVERIFY(columnsOf(c, QStringLiteral("DANE_KAP")).isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(TestSchemaUpgrade)
#include "tst_schemaupgrade.moc"
