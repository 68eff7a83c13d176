#include "db/textcodec.h"

#include <QTest>

// Windows-1250 both ways, the bytes written out from the code page's table: on Windows the
// system converts, elsewhere Qt does, and both must give these.
class TestTextCodec : public QObject
{
    Q_OBJECT

private slots:
    void bothWays_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QString() << QByteArray();
        QTest::newRow("ascii") << QStringLiteral("Fundusz 2013") << QByteArray("Fundusz 2013");
        QTest::newRow("small letters") << QStringLiteral("zażółć gęślą jaźń")
                                       << QByteArray("za\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xB9 ja\x9F\xF1");
        QTest::newRow("capital letters") << QStringLiteral("ZAŻÓŁĆ GĘŚLĄ JAŹŃ")
                                         << QByteArray("ZA\xAF\xD3\xA3\xC6 G\xCA\x8CL\xA5 JA\x8F\xD1");
        QTest::newRow("punctuation") << QStringLiteral("€ – „cytat”")
                                     << QByteArray("\x80 \x96 \x84"
                                                   "cytat\x94");
        QTest::newRow("path") << QStringLiteral("d:\\bazy\\Łódź.fdb")
                              << QByteArray("d:\\bazy\\\xA3\xF3"
                                            "d\x9F.fdb");
    }

    void bothWays()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(db::toWin1250(text), bytes);
        QCOMPARE(db::fromWin1250(bytes), text);
        QCOMPARE(db::fromWin1250(bytes.constData(), bytes.size()), text);
        QVERIFY(db::fitsWin1250(text));
    }

    void fits_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("fits");
        QTest::newRow("german") << QStringLiteral("Müller Straße") << true;
        QTest::newRow("cyrillic") << QStringLiteral("Жуков") << false;
        // A converter's best fit would write "a": the text would not come back.
        QTest::newRow("latvian") << QStringLiteral("Ābols") << false;
        QTest::newRow("emoji") << QStringLiteral("ok 😀") << false;
    }

    void fits()
    {
        QFETCH(QString, text);
        QFETCH(bool, fits);
        QCOMPARE(db::fitsWin1250(text), fits);
    }
};

QTEST_GUILESS_MAIN(TestTextCodec)
#include "tst_textcodec.moc"
