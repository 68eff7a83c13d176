#include "common/inifile.h"
#include "db/textcodec.h"
#include "store/datamodule.h"
#include "support/workspace.h"

#include <QTest>

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void windowsIniSemantics()
    {
        const IniFile ini = IniFile::parse("; comment line\r\n"
                                           "[other]\r\nHost=wrong\r\n"
                                           "  [ SETTINGS ]  \r\n"
                                           "HOST = serwer  \r\n"
                                           "Path_KSU=c:\\Tervala\\BazaDanych\\baza.fdb\r\n"
                                           "path=\"c:\\fundacja\\bazy danych\\f.fdb\"\n"
                                           "password=ab;cd\n"
                                           "user=\n"
                                           "host=second occurrence\n");
        QCOMPARE(ini.value("settings", "host", "x"), QStringLiteral("serwer"));
        QCOMPARE(ini.value("Settings", "Path_ksu", "x"), QStringLiteral("c:\\Tervala\\BazaDanych\\baza.fdb"));
        QCOMPARE(ini.value("Settings", "Path", "x"), QStringLiteral("c:\\fundacja\\bazy danych\\f.fdb"));
        QCOMPARE(ini.value("Settings", "password", "x"), QStringLiteral("ab;cd"));
        QCOMPARE(ini.value("Settings", "user", "x"), QString());
        QVERIFY(!ini.value("Settings", "missing").has_value());
        QCOMPARE(ini.value("other", "host", "x"), QStringLiteral("wrong"));
    }

    void windows1250File()
    {
        const IniFile ini = IniFile::parse("[Settings]\nPath=" + db::toWin1250(QStringLiteral("d:\\bazy\\Łódź.fdb")));
        QCOMPARE(ini.value("Settings", "Path", ""), QStringLiteral("d:\\bazy\\Łódź.fdb"));
    }

    void connectionSettings_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QStringList>("reporting"); // host, path, user, password
        QTest::addColumn<QStringList>("lokra");
        const QString ksuDefault = QStringLiteral("c:\\Tervala\\BazaDanych\\baza.fdb");
        const QString lokraDefault = QStringLiteral("c:\\fundacja\\bazadanych\\fundacja.fdb");
        QTest::newRow("no file") << QByteArray() << QStringList{"localhost", ksuDefault, "", ""}
                                 << QStringList{"", lokraDefault, "", ""};
        QTest::newRow("no Host key") << QByteArray("[Settings]\nPath_ksu=/a.fdb\nPath=/b.fdb\n")
                                     << QStringList{"localhost", "/a.fdb", "", ""} << QStringList{"", "/b.fdb", "", ""};
        QTest::newRow("empty Host") << QByteArray("[Settings]\nHost=\n") << QStringList{"", ksuDefault, "", ""}
                                    << QStringList{"", lokraDefault, "", ""};
        QTest::newRow("credentials") << QByteArray("[Settings]\nHost=srv\nuser=\npassword=tajne\n")
                                     << QStringList{"srv", ksuDefault, "", "tajne"}
                                     << QStringList{"srv", lokraDefault, "", "tajne"};
    }
    void connectionSettings()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QStringList, reporting);
        QFETCH(QStringList, lokra);
        const IniFile file = IniFile::parse(ini);
        const auto r = store::reportingDatabaseSettings(file);
        const auto l = store::lokraDatabaseSettings(file);
        QCOMPARE((QStringList{r.host, r.path, r.user, r.password}), reporting);
        QCOMPARE((QStringList{l.host, l.path, l.user, l.password}), lokra);
    }

    void missingFileReadsEmpty()
    {
        Workspace ws;
        const IniFile ini = IniFile::read(ws.path(QStringLiteral("TV.ini")));
        QVERIFY(!ini.value("Settings", "Host").has_value());
    }

    // Which credentials the connection ends up with: an empty user means SYSDBA, an
    // empty password the default, both empty leave the connection's own values.
    void credentialsChosen_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("expectedUser");
        QTest::newRow("empty user, password set") << ""
                                                  << "tajne"
                                                  << "SYSDBA";
        QTest::newRow("both empty keep the connection's") << ""
                                                          << ""
                                                          << "KEPT";
        QTest::newRow("user set") << "anna"
                                  << ""
                                  << "anna";
    }
    void credentialsChosen()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, expectedUser);
        Workspace ws;
        db::Connection c;
        c.setCredentials(QStringLiteral("KEPT"), QStringLiteral("KEPT"));
        // A missing file fails both attempts; the retry then sets the defaults, so
        // look at the user before the retry through a database that exists.
        ws.createLokraDatabase();
        const store::DatabaseSettings s{QString(), ws.path(QStringLiteral("lokra.fdb")), user, password};
        QCOMPARE(store::connectDatabase(c, s), store::ConnectResult::Connected);
        QCOMPARE(c.user(), expectedUser);
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
