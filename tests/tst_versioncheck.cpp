#include "common/messages.h"
#include "db/connection.h"
#include "db/error.h"
#include "import/versioncheck.h"
#include "support/workspace.h"

#include <QTest>

using import::LokraVersionVerdict;

class TestVersionCheck : public QObject
{
    Q_OBJECT

private slots:
    void rule_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<bool>("warns");
        QTest::newRow("17") << "17.01A" << false;
        QTest::newRow("18 or more") << "2345" << false;
        QTest::newRow("15") << "15.9Z" << true;
        QTest::newRow("16 with P third from the end") << "16.P01" << false;
        QTest::newRow("16 with Z third from the end") << "v16Zab" << false;
        QTest::newRow("16 with A third from the end") << "16.A01" << true;
        QTest::newRow("16 with lower-case p") << "16.p01" << true;
        QTest::newRow("single digit 9") << "9" << true;
        QTest::newRow("digits spread out") << "w1e7" << false;
        QTest::newRow("16 short text, position below 1") << "16" << true;
    }
    void rule()
    {
        QFETCH(QString, version);
        QFETCH(bool, warns);
        QCOMPARE(import::judgeLokraVersion(version) == LokraVersionVerdict::TooOld, warns);
    }

    void noDigitIsAClearError()
    {
        try {
            import::judgeLokraVersion(QStringLiteral("brak"));
            QFAIL("a version without digits was judged");
        } catch (const db::Error &e) {
            QVERIFY(e.message().contains(QStringLiteral("Lokra")));
        }
    }

    void warningFromTheDatabase_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<bool>("warns");
        QTest::newRow("old") << "15.01" << true;
        QTest::newRow("new") << "17.02" << false;
    }
    void warningFromTheDatabase()
    {
        QFETCH(QString, version);
        QFETCH(bool, warns);
        Workspace ws;
        db::Connection lokra;
        lokra.setDatabase(QString(), ws.createLokraDatabase(version));
        lokra.open();
        RecordingMessages messages;
        QCOMPARE(import::CheckLoanSystemVersion(lokra, messages), warns);
        if (warns) {
            QCOMPARE(messages.entries(),
                     (QList<RecordingMessages::Entry>{
                         {RecordingMessages::Kind::Warning, QStringLiteral("Ostrzeżenie"),
                          QStringLiteral("Brak wymaganej wersji orpogramowania lokra, aby móc korzystać w pełni z "
                                         "Tervala należy zainstalować aktualizację przynajmniej do wersji 4.16P")}}));
        } else {
            QVERIFY(messages.entries().isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(TestVersionCheck)
#include "tst_versioncheck.moc"
