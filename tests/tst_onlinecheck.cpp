// The online update checks against a real HTTP server on 127.0.0.1, run by the
// test on a thread of its own so that it can also be silent, slow or wrong.
#include "cli/updatecommands.h"
#include "common/apppaths.h"
#include "common/inifile.h"
#include "common/messages.h"
#include "db/connection.h"
#include "db/query.h"
#include "db/textcodec.h"
#include "store/datamodule.h"
#include "store/dictionaryfile.h"
#include "support/recordingsink.h"
#include "support/workspace.h"
#include "workflow/onlinecheck.h"
#include "workflow/startuptask.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QMutex>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QThread>

using Kind = RecordingMessages::Kind;
using Entry = RecordingMessages::Entry;

namespace {

// What the server answers for one path.
struct Answer
{
    enum Mode { Normal, Silent, Garbage, NoLength };
    int status = 200;
    QByteArray body;
    Mode mode = Normal;
};

// The server's sockets live on the server's thread; the answers and the requests
// seen are shared with the test under a lock.
class ServerCore : public QObject
{
public:
    QTcpServer server{this}; // a child, so that it moves to the server thread too
    QMutex lock;
    QHash<QByteArray, Answer> answers;
    QList<QByteArray> requests; // the raw header block of each request

    void start()
    {
        connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = server.nextPendingConnection()) {
                socket->setParent(this);
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { serve(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        server.listen(QHostAddress::LocalHost);
    }

private:
    void serve(QTcpSocket *socket)
    {
        QByteArray head = socket->property("head").toByteArray() + socket->readAll();
        socket->setProperty("head", head);
        const qsizetype end = head.indexOf("\r\n\r\n");
        if (end < 0 || socket->property("answered").toBool())
            return;
        socket->setProperty("answered", true);
        head.truncate(end);
        const QByteArray path = head.split(' ').value(1);
        Answer answer;
        {
            QMutexLocker locked(&lock);
            requests << head;
            answer = answers.value(path, Answer{404, "brak", Answer::Normal});
        }
        switch (answer.mode) {
        case Answer::Silent:
            return; // accepts and never answers
        case Answer::Garbage:
            socket->write("\x01\x02 to nie jest HTTP \xff\r\n\r\n");
            break;
        case Answer::NoLength:
            socket->write("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + answer.body);
            break;
        case Answer::Normal:
            socket->write("HTTP/1.1 " + QByteArray::number(answer.status) + " X\r\nContent-Type: text/plain\r\n"
                          + "Content-Length: " + QByteArray::number(answer.body.size())
                          + "\r\nConnection: close\r\n\r\n" + answer.body);
            break;
        }
        socket->disconnectFromHost();
    }
};

class HttpServer
{
public:
    HttpServer()
    {
        m_core.moveToThread(&m_thread);
        m_thread.start();
        QMetaObject::invokeMethod(
            &m_core, [this] { m_core.start(); }, Qt::BlockingQueuedConnection);
        m_port = m_core.server.serverPort();
    }
    ~HttpServer()
    {
        QMetaObject::invokeMethod(
            &m_core,
            [this] {
                m_core.server.close();
                qDeleteAll(m_core.findChildren<QTcpSocket *>());
                // Back to the test's thread, which destroys it.
                m_core.moveToThread(QCoreApplication::instance()->thread());
            },
            Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }

    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }
    void answer(const QByteArray &path, const Answer &a)
    {
        QMutexLocker locked(&m_core.lock);
        m_core.answers.insert(path, a);
    }
    void publish(const QByteArray &version, const QByteArray &dictionary)
    {
        answer("/pliki/test/Wersja.txt", {200, version, Answer::Normal});
        answer("/pliki/test/Slownik.txt", {200, dictionary, Answer::Normal});
    }
    QList<QByteArray> requests()
    {
        QMutexLocker locked(&m_core.lock);
        return m_core.requests;
    }

private:
    QThread m_thread;
    ServerCore m_core;
    quint16 m_port = 0;
};

// A dictionary file of one group per name, codes 1, 2, ... in file order.
QByteArray dictionaryFile(const QStringList &names, const char *lineEnd = "\r\n")
{
    QByteArray out;
    for (qsizetype i = 0; i < names.size(); ++i) {
        for (const QString &line : {names[i], QString::number(i + 1), QStringLiteral("0"), QStringLiteral("0")})
            out += db::toWin1250(line) + lineEnd;
    }
    return out;
}

QStringList numberedNames(int count)
{
    QStringList names;
    for (int i = 1; i <= count; ++i)
        names << QStringLiteral("Składnik nr %1").arg(i);
    return names;
}

const QString NoInternet =
    QStringLiteral("Brak dostępu do internetu.\rProszę osobiście sprawdzić aktualizację oprogramowania.");

Entry noInternet()
{
    return {Kind::Warning, QStringLiteral("Brak połączenia z internetem"), NoInternet};
}

Entry newerVersion(const QString &base)
{
    return {Kind::Warning, QStringLiteral("Nowsza wersja programu"),
            QStringLiteral("Znaleziono nowszą wersje programu na stronie ") + base
                + QStringLiteral("/pliki/sprawozdawczosc/Tervala.exe ")};
}

Entry outdatedDictionary(const QString &base)
{
    return {Kind::Warning, QStringLiteral("Niaktualny słownik"),
            QStringLiteral("Słownik składników kapitału pożyczkowego jest nieaktualny !\rProszę pobrać aktualny "
                           "słownik z ")
                + base + QStringLiteral("/pliki/test/Slownik.txt")};
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Fills SLOWNIKI with names whose codes run opposite to the order of insertion,
// so that only "order by kod" gives the names in `names` order.
void fillDictionary(db::Connection &ksu, const QStringList &names)
{
    db::Query insert(ksu, QStringLiteral("insert into Slowniki (Nazwa,Kod,Grupa,Rodzaj) values (:d0,:d1,0,0)"));
    for (qsizetype i = names.size() - 1; i >= 0; --i)
        insert.execute({names[i], int(i + 1)});
    ksu.commitRetaining();
}

} // namespace

Q_DECLARE_METATYPE(Answer)

class TestOnlineCheck : public QObject
{
    Q_OBJECT

private slots:
    void publishedVersion_data()
    {
        QTest::addColumn<QByteArray>("versionFile");
        QTest::addColumn<QString>("runningTitle");
        QTest::addColumn<bool>("newer");
        QTest::addColumn<bool>("failure");
        QTest::newRow("same version") << QByteArray("1.16.5\r\n") << "Prog 1.16.5" << false << false;
        QTest::newRow("newer version") << QByteArray("1.16.6\r\n") << "Prog 1.16.5" << true << false;
        QTest::newRow("older version") << QByteArray("1.16.4") << "Prog 1.16.5" << false << false;
        QTest::newRow("2.0 against 1.9.9, by digits") << QByteArray("2.0\n") << "Prog 1.9.9" << false << false;
        QTest::newRow("only the first line counts")
            << QByteArray("1.16.5\r\n9.99.9\r\n") << "Prog 1.16.5" << false << false;
        QTest::newRow("letters around the digits")
            << QByteArray("wersja v1.17.0 (beta)") << "Prog 1.16.5" << true << false;
        QTest::newRow("largest int") << QByteArray("2147483647") << "Prog 1.16.5" << true << false;
        QTest::newRow("no digit") << QByteArray("brak wersji\r\n1.16.6") << "Prog 1.16.5" << false << true;
        QTest::newRow("empty file") << QByteArray() << "Prog 1.16.5" << false << true;
        QTest::newRow("digits overflow an int") << QByteArray("2147483648") << "Prog 1.16.5" << false << true;
        QTest::newRow("long build number") << QByteArray("1.16.6.20240131") << "Prog 1.16.5" << false << true;
    }
    void publishedVersion()
    {
        QFETCH(QByteArray, versionFile);
        QFETCH(QString, runningTitle);
        QFETCH(bool, newer);
        QFETCH(bool, failure);
        Workspace ws;
        ws.makeHome();
        HttpServer server;
        server.publish(versionFile, dictionaryFile({QStringLiteral("Grupa")}));
        RecordingMessages messages;
        online::UpdateCheck check;
        check.server = server.base();
        check.runningTitle = runningTitle;
        const online::UpdateCheckResult result = online::CheckForUpdates(check, messages);
        QList<Entry> expected;
        if (newer)
            expected << newerVersion(server.base());
        if (failure)
            expected << noInternet();
        QCOMPARE(messages.entries(), expected);
        QCOMPARE(result.newerVersion, newer);
        QCOMPARE(result.failure.isEmpty(), !failure);
        QCOMPARE(readAll(ws.path(QStringLiteral("Wersja.txt"))), versionFile);
        // A failed version step ends the checks before the dictionary.
        QCOMPARE(server.requests().size(), failure ? 1 : 2);
    }

    void serverFailures_data()
    {
        QTest::addColumn<Answer>("versionAnswer");
        QTest::newRow("404") << Answer{404, "Not Found", Answer::Normal};
        QTest::newRow("500") << Answer{500, "1.16.6", Answer::Normal};
        QTest::newRow("not HTTP") << Answer{200, {}, Answer::Garbage};
        QTest::newRow("never answers") << Answer{200, {}, Answer::Silent};
        QTest::newRow("more than 1 MB announced") << Answer{200, QByteArray(1024 * 1024 + 1, '7'), Answer::Normal};
        QTest::newRow("more than 1 MB unannounced") << Answer{200, QByteArray(3 * 1024 * 1024, '7'), Answer::NoLength};
    }
    void serverFailures()
    {
        QFETCH(Answer, versionAnswer);
        Workspace ws;
        ws.makeHome();
        QFile old(ws.path(QStringLiteral("Wersja.txt")));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("1.16.5 poprzednio\r\n");
        old.close();
        HttpServer server;
        server.answer("/pliki/test/Wersja.txt", versionAnswer);
        server.answer("/pliki/test/Slownik.txt", {200, dictionaryFile({QStringLiteral("Grupa")}), Answer::Normal});
        RecordingMessages messages;
        online::UpdateCheck check;
        check.server = server.base();
        check.timeLimitMs = 1000;
        const online::UpdateCheckResult result = online::CheckForUpdates(check, messages);
        QCOMPARE(messages.entries(), QList<Entry>{noInternet()});
        QVERIFY(!result.failure.isEmpty());
        // Nothing that failed replaces the earlier copy.
        QCOMPARE(readAll(ws.path(QStringLiteral("Wersja.txt"))), QByteArray("1.16.5 poprzednio\r\n"));
    }

    void unreachableServers_data()
    {
        QTest::addColumn<QString>("server");
        quint16 freePort = 0;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost));
            freePort = probe.serverPort();
        }
        QTest::newRow("nobody listening") << QStringLiteral("http://127.0.0.1:%1").arg(freePort);
        QTest::newRow("unknown host") << QStringLiteral("http://serwer-aktualizacji.invalid");
        QTest::newRow("not an address") << QStringLiteral("ftp://127.0.0.1");
        QTest::newRow("empty") << QString();
    }
    void unreachableServers()
    {
        QFETCH(QString, server);
        Workspace ws;
        ws.makeHome();
        RecordingMessages messages;
        online::UpdateCheck check;
        check.server = server;
        check.timeLimitMs = 2000;
        online::CheckForUpdates(check, messages);
        QCOMPARE(messages.entries(), QList<Entry>{noInternet()});
        QVERIFY(!QFile::exists(ws.path(QStringLiteral("Wersja.txt"))));
    }

    void filesSavedAndRequested()
    {
        Workspace ws;
        ws.makeHome();
        QFile old(ws.path(QStringLiteral("Slownik.txt")));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("stary słownik, dłuższy niż nowy\r\n1\r\n0\r\n0\r\n");
        old.close();
        HttpServer server;
        const QByteArray dictionary = dictionaryFile({QStringLiteral("Fundusz własny")}, "\n");
        server.publish("1.16.5", dictionary);
        RecordingMessages messages;
        online::UpdateCheck check;
        check.server = server.base();
        online::CheckForUpdates(check, messages);
        QVERIFY(messages.entries().isEmpty());
        QCOMPARE(readAll(ws.path(QStringLiteral("Wersja.txt"))), QByteArray("1.16.5"));
        QCOMPARE(readAll(ws.path(QStringLiteral("Slownik.txt"))), dictionary);
        const QList<QByteArray> requests = server.requests();
        QCOMPARE(requests.size(), 2);
        QVERIFY(requests[0].startsWith("GET /pliki/test/Wersja.txt HTTP/1.1\r\n"));
        QVERIFY(requests[1].startsWith("GET /pliki/test/Slownik.txt HTTP/1.1\r\n"));
        for (const QByteArray &request : requests)
            QVERIFY2(request.contains("\r\nAccept: text/html, */*"), request.constData());
    }

    void dictionaryComparison_data()
    {
        QTest::addColumn<QStringList>("local");
        QTest::addColumn<QByteArray>("published");
        QTest::addColumn<bool>("outdated");
        const QStringList three{QStringLiteral("Dotacje"), QStringLiteral("Pożyczki"), QStringLiteral("Środki własne")};
        QTest::newRow("same names") << three << dictionaryFile(three) << false;
        QTest::newRow("same names, LF line ends") << three << dictionaryFile(three, "\n") << false;
        QTest::newRow("one local name more") << three << dictionaryFile(three.mid(0, 2)) << true;
        QTest::newRow("more entries in the file") << three.mid(0, 2) << dictionaryFile(three) << false;
        QTest::newRow("an entry out of order") << three << dictionaryFile({three[0], three[2], three[1]}) << true;
        QTest::newRow("letter case differs")
            << three << dictionaryFile({three[0], QStringLiteral("pożyczki"), three[2]}) << true;
        QTest::newRow("a trailing blank differs")
            << three << dictionaryFile({three[0], three[1] + u' ', three[2]}) << true;
        QTest::newRow("empty file, empty table") << QStringList() << QByteArray() << false;
        QTest::newRow("empty file") << three << QByteArray() << true;
        QTest::newRow("incomplete last entry still names a row")
            << three << dictionaryFile(three.mid(0, 2)) + db::toWin1250(three[2]) << false;
        QTest::newRow("40 entries alike") << numberedNames(40) << dictionaryFile(numberedNames(40)) << false;
        QStringList changed = numberedNames(40);
        changed[36] = QStringLiteral("Składnik zmieniony");
        QTest::newRow("40 entries, entry 37 differs") << numberedNames(40) << dictionaryFile(changed) << true;
        QTest::newRow("40 local rows, 30 in the file")
            << numberedNames(40) << dictionaryFile(numberedNames(30)) << true;
    }
    void dictionaryComparison()
    {
        QFETCH(QStringList, local);
        QFETCH(QByteArray, published);
        QFETCH(bool, outdated);
        Workspace ws;
        ws.makeHome();
        db::Connection ksu;
        ksu.setDatabase(QString(), ws.createReportingDatabase());
        ksu.open();
        fillDictionary(ksu, local);
        HttpServer server;
        server.publish("1.16.5", published);
        RecordingMessages messages;
        online::UpdateCheck check;
        check.server = server.base();
        check.reporting = &ksu;
        const online::UpdateCheckResult result = online::CheckForUpdates(check, messages);
        QVERIFY(result.dictionaryCompared);
        QCOMPARE(result.dictionaryOutdated, outdated);
        QCOMPARE(messages.entries(), outdated ? QList<Entry>{outdatedDictionary(server.base())} : QList<Entry>{});
    }

    // A newer version is announced before the dictionary step fails.
    void failureAfterTheVersionWarning()
    {
        Workspace ws;
        ws.makeHome();
        HttpServer server;
        server.answer("/pliki/test/Wersja.txt", {200, "1.17.0", Answer::Normal});
        RecordingMessages messages;
        online::UpdateCheck check;
        check.server = server.base();
        online::CheckForUpdates(check, messages);
        QCOMPARE(messages.entries(), (QList<Entry>{newerVersion(server.base()), noInternet()}));
    }

    void updateServerFromSettings_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("server");
        // No server named: no checks at all.
        QTest::newRow("no file") << QByteArray() << QString();
        QTest::newRow("no key") << QByteArray("[Settings]\r\nHost=serwer\r\n") << QString();
        QTest::newRow("empty key") << QByteArray("[Settings]\r\nUpdateServer=\r\n") << QString();
        QTest::newRow("key in any case, trailing slash")
            << QByteArray("[settings]\r\nupdateserver = http://127.0.0.1:8080/\r\n") << "http://127.0.0.1:8080";
        QTest::newRow("another section") << QByteArray("[Inne]\r\nUpdateServer=http://x\r\n") << QString();
    }
    void updateServerFromSettings()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, server);
        QCOMPARE(online::updateServer(IniFile::parse(ini)), server);
    }

    // Only a server named in TV.ini is asked, and only its silence is reported.
    void startupChecksFollowTheSettings_data()
    {
        QTest::addColumn<QString>("serverLine");
        QTest::addColumn<bool>("configured");
        QTest::addColumn<QList<Entry>>("messages");
        QTest::newRow("no UpdateServer: no checks") << QString() << false << QList<Entry>{};
        QTest::newRow("empty UpdateServer: no checks")
            << QStringLiteral("UpdateServer=\r\n") << false << QList<Entry>{};
        QTest::newRow("a server that cannot be reached")
            << QStringLiteral("UpdateServer=%1\r\n").arg(QString::fromLatin1(NoUpdateServer)) << true
            << QList<Entry>{noInternet()};
    }
    void startupChecksFollowTheSettings()
    {
        QFETCH(QString, serverLine);
        QFETCH(bool, configured);
        QFETCH(QList<Entry>, messages);
        Workspace ws;
        ws.createReportingDatabase();
        ws.createLokraDatabase();
        ws.writeIni(QStringLiteral("[Settings]\r\nHost=\r\nPath_ksu=%1\r\nPath=%2\r\n%3")
                        .arg(ws.path(QStringLiteral("ksu.fdb")), ws.path(QStringLiteral("lokra.fdb")), serverLine)
                        .toUtf8());
        ws.makeHome();
        store::DataModule dm;
        RecordingMessages recorded;
        RecordingSink sink;
        StartupTask(dm, recorded, sink).connectDatabases();
        const online::UpdateCheckResult result = online::CheckForUpdates(dm, recorded);
        QCOMPARE(result.serverConfigured, configured);
        QCOMPARE(recorded.entries(), messages);
        // Nothing was fetched without a server.
        QCOMPARE(QFile::exists(ws.path(QStringLiteral("Wersja.txt"))), false);
        dm.KSU.close();
        dm.LOKRA.close();
        // The command says why it checked nothing, and that is no failure.
        RecordingMessages command;
        QCOMPARE(runCheckUpdates(command), 0);
        QCOMPARE(command.entries(), messages);
    }

    // The start-up task's checks: TV.ini names the server, the dictionary of the
    // connected reporting database is compared, the work runs on another thread.
    void startupChecksOnTheTasksThread()
    {
        Workspace ws;
        HttpServer server;
        server.publish("Prog 1.16.7", dictionaryFile({QStringLiteral("Dotacje")}));
        ws.createReportingDatabase();
        ws.createLokraDatabase();
        ws.writeIni(QStringLiteral("[Settings]\r\nHost=\r\nPath_ksu=%1\r\nPath=%2\r\nUpdateServer=%3\r\n")
                        .arg(ws.path(QStringLiteral("ksu.fdb")), ws.path(QStringLiteral("lokra.fdb")), server.base())
                        .toUtf8());
        ws.makeHome();
        store::DataModule dm;
        RecordingMessages messages;
        RecordingSink sink;
        StartupTask(dm, messages, sink).connectDatabases();
        fillDictionary(dm.KSU, {QStringLiteral("Dotacje"), QStringLiteral("Pożyczki")});
        online::UpdateCheckResult result;
        std::unique_ptr<QThread> task(QThread::create([&] { result = online::CheckForUpdates(dm, messages); }));
        task->start();
        QVERIFY(task->wait());
        QCOMPARE(messages.entries(), (QList<Entry>{newerVersion(server.base()), outdatedDictionary(server.base())}));
        QVERIFY(result.failure.isEmpty());
    }

    // Without the reporting database the files are still fetched, but there is
    // nothing to compare the dictionary with.
    void noReportingDatabase()
    {
        Workspace ws;
        HttpServer server;
        server.publish("1.16.5", dictionaryFile({QStringLiteral("Dotacje")}));
        ws.writeIni(
            QStringLiteral("[Settings]\r\nHost=\r\nPath_ksu=%1\r\nPath=%2\r\nUpdateServer=%3\r\n")
                .arg(ws.path(QStringLiteral("brak.fdb")), ws.path(QStringLiteral("brak-lokra.fdb")), server.base())
                .toUtf8());
        ws.makeHome();
        RecordingMessages messages;
        QCOMPARE(runCheckUpdates(messages), 0);
        // The two connection errors and no warning of the checks.
        QCOMPARE(messages.entries().size(), 2);
        QCOMPARE(messages.entries()[0].caption, QStringLiteral("Błąd serwera"));
        QCOMPARE(messages.entries()[1].caption, QStringLiteral("Błąd serwera"));
        QCOMPARE(readAll(ws.path(QStringLiteral("Slownik.txt"))), dictionaryFile({QStringLiteral("Dotacje")}));
    }

    void dictionaryLines_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
        QTest::newRow("LF") << QByteArray("a\nb\n") << QStringList{"a", "b"};
        QTest::newRow("last line without its end") << QByteArray("a\r\nb") << QStringList{"a", "b"};
        QTest::newRow("lone CR dropped") << QByteArray("a\rb\r\nc\r") << QStringList{"ab", "c"};
        QTest::newRow("empty lines count") << QByteArray("\r\n\n") << QStringList{"", ""};
        QTest::newRow("empty file") << QByteArray() << QStringList{};
        QTest::newRow("spaces kept") << QByteArray("  Grupa  \n") << QStringList{"  Grupa  "};
        QTest::newRow("Windows-1250") << QByteArray("\xa3\xf3\x64\x9f \xaf\xf3\xb3\xe6") << QStringList{"Łódź Żółć"};
        QTest::newRow("UTF-8") << QByteArray("\xc5\x81\xc3\xb3"
                                             "d\xc5\xba\n")
                               << QStringList{"Łódź"};
        QTest::newRow("UTF-8 after its byte-order mark") << QByteArray("\xef\xbb\xbf\xc5\x81\xc3\xb3"
                                                                       "d\xc5\xba\n")
                                                         << QStringList{"Łódź"};
        // Only the file's mark is dropped: one starting a line belongs to the line.
        QTest::newRow("a mark starting a line")
            << QByteArray("Gr\xef\xbb\xbf"
                          "a\n0\r\n\xef\xbb\xbf\xef\xbb\xbf")
            << QStringList{QStringLiteral("Gr\uFEFFa"), "0", QStringLiteral("\uFEFF\uFEFF")};
        // Bytes that are not valid UTF-8 are Windows-1250, even when some pairs are.
        QTest::newRow("mixed bytes are Windows-1250")
            << QByteArray("\xc3\xb3 \xb3") << QStringList{QStringLiteral("Ăł ł")};
    }
    void dictionaryLines()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QStringList, lines);
        QCOMPARE(store::dictionaryLines(contents), lines);
    }

    void dictionaryEntries()
    {
        const QStringList lines{"Grupa", "1", "0", "0", "Składnik", "2", "1", "3", "Reszta", "3", "2"};
        QCOMPARE(store::dictionaryEntries(lines),
                 (QList<store::DictionaryEntry>{{"Grupa", "1", "0", "0"}, {"Składnik", "2", "1", "3"}}));
        QCOMPARE(store::dictionaryNameLines(lines), (QStringList{"Grupa", "Składnik", "Reszta"}));
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, store::readDictionaryFile(QStringLiteral("/brak/pliku.txt")));
    }
};

QTEST_GUILESS_MAIN(TestOnlineCheck)
#include "tst_onlinecheck.moc"
