#pragma once

// Firebird's own tools for the fault and crash tests: the validation of a database
// file (gfix) and a private Firebird server that a test may stop and start again
// without disturbing the shared one on port 3050.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

namespace firebird {

// What Firebird's validation of a database file found.
struct Validation
{
    QString output;   // what gfix printed: nothing for a sound database
    int errors = 0;   // damage: any "Number of ... errors" of the summary, or gfix failing
    int warnings = 0; // "Number of database page warnings": orphan pages, which a process
                      // killed while it extended the file leaves unlinked (space only;
                      // the validation releases them)
    bool sound() const { return errors == 0; }
};

// Firebird's validation of a closed database file through the embedded engine
// ("gfix -v -full"). gfix exits with 0 either way; damage shows only in the
// "Summary of validation errors" it prints.
inline Validation validateDatabase(const QString &path)
{
    Validation v;
    QProcess gfix;
    gfix.setProcessChannelMode(QProcess::MergedChannels);
    gfix.start(QStringLiteral("gfix"), {QStringLiteral("-v"), QStringLiteral("-full"), QStringLiteral("-user"),
                                        QStringLiteral("SYSDBA"), path});
    if (!gfix.waitForStarted(10000)) {
        v.output = QStringLiteral("gfix did not start (package firebird3.0-utils)");
        v.errors = 1;
        return v;
    }
    if (!gfix.waitForFinished(120000)) {
        gfix.kill();
        gfix.waitForFinished();
        v.output = QStringLiteral("gfix did not finish");
        v.errors = 1;
        return v;
    }
    v.output = QString::fromLocal8Bit(gfix.readAll()).trimmed();
    if (gfix.exitStatus() != QProcess::NormalExit || gfix.exitCode() != 0)
        ++v.errors;
    for (const QString &line : v.output.split(u'\n', Qt::SkipEmptyParts)) {
        const QString text = line.trimmed();
        if (text == u"Summary of validation errors")
            continue;
        const qsizetype colon = text.lastIndexOf(u':');
        bool isNumber = false;
        const int count = colon > 0 ? text.mid(colon + 1).trimmed().toInt(&isNumber) : 0;
        if (!isNumber || !text.startsWith(QStringLiteral("Number of ")))
            ++v.errors; // anything else gfix says is a failure to validate
        else if (text.left(colon).contains(QStringLiteral("warning")))
            v.warnings += count;
        else
            v.errors += count;
    }
    return v;
}

// A Firebird server of our own, run from /usr/sbin/firebird with a root folder of
// its own: its port on 127.0.0.1 and a copy of the security database (the shared
// server holds the original exclusively). Stopped with SIGKILL, the way a crashed
// or unplugged server goes away; the database files stay where they are.
class PrivateServer
{
public:
    static constexpr const char *Binary = "/usr/sbin/firebird";
    static constexpr const char *Root = "/usr/lib/x86_64-linux-gnu/firebird/3.0";
    static constexpr const char *SecurityDatabase = "/var/lib/firebird/3.0/system/security3.fdb";

    // `sysdbaPassword`: SYSDBA's password on this server; empty keeps the shared one's.
    // `address`: where it listens, 127.0.0.1 or the IPv6 loopback ::1.
    explicit PrivateServer(const QString &sysdbaPassword = QString(),
                           const QString &address = QStringLiteral("127.0.0.1"))
        : m_sysdbaPassword(sysdbaPassword), m_address(address)
    {
    }
    ~PrivateServer() { stop(); }
    PrivateServer(const PrivateServer &) = delete;
    PrivateServer &operator=(const PrivateServer &) = delete;

    // Empty when the server listens; otherwise why it does not.
    QString start()
    {
        if (m_process.state() != QProcess::NotRunning)
            return QString();
        if (m_port == 0) {
            const QString failure = prepareRoot();
            if (!failure.isEmpty())
                return failure;
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("FIREBIRD"), m_root.path());
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(QString::fromLatin1(Binary), {});
        if (!m_process.waitForStarted(10000))
            return QStringLiteral("%1 did not start: %2").arg(QString::fromLatin1(Binary), m_process.errorString());
        // Bounded wait until the port answers.
        for (int i = 0; i < 200; ++i) {
            QTcpSocket probe;
            probe.connectToHost(m_address, m_port);
            if (probe.waitForConnected(100))
                return QString();
            if (m_process.state() == QProcess::NotRunning)
                break;
            m_process.waitForFinished(50);
        }
        stop();
        return QStringLiteral("the private Firebird server does not listen on port %1: %2")
            .arg(m_port)
            .arg(QString::fromLocal8Bit(m_process.readAll()));
    }

    // Kills the server at once; open attachments see a broken connection.
    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.kill();
        m_process.waitForFinished(10000);
    }

    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    // The host part of a database name on this server: "127.0.0.1/PORT" or "::1/PORT".
    QString host() const { return QStringLiteral("%1/%2").arg(m_address).arg(m_port); }
    quint16 port() const { return m_port; }

private:
    QString prepareRoot()
    {
        if (!QFile::exists(QString::fromLatin1(Binary)))
            return QStringLiteral("%1 is missing (package firebird3.0-server)").arg(QString::fromLatin1(Binary));
        {
            QTcpServer probe;
            if (!probe.listen(QHostAddress(m_address)))
                return QStringLiteral("no free port on %1").arg(m_address);
            m_port = probe.serverPort();
        }
        // The shared installation, but for the two settings files of our own. The
        // character sets' module is copied: loaded through a link, the server does
        // not find the character sets it defines.
        const QDir shared(QString::fromLatin1(Root));
        for (const QString &entry : shared.entryList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
            if (entry == u"firebird.conf" || entry == u"databases.conf")
                continue;
            if (entry != u"intl") {
                QFile::link(shared.filePath(entry), m_root.filePath(entry));
                continue;
            }
            const QDir intl(shared.filePath(entry));
            QDir(m_root.path()).mkdir(entry);
            for (const QString &file : intl.entryList(QDir::Files))
                QFile::copy(intl.filePath(file), m_root.filePath(entry + u'/' + file));
        }
        const QString security = m_root.filePath(QStringLiteral("security3.fdb"));
        if (!QFile::copy(QString::fromLatin1(SecurityDatabase), security))
            return QStringLiteral("cannot copy %1").arg(QString::fromLatin1(SecurityDatabase));
        QFile::setPermissions(security, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        auto write = [&](const QString &name, const QString &text) {
            QFile f(m_root.filePath(name));
            return f.open(QIODevice::WriteOnly) && f.write(text.toUtf8()) > 0;
        };
        if (!write(QStringLiteral("firebird.conf"),
                   QStringLiteral("RemoteServicePort = %1\nRemoteBindAddress = %2\nSecurityDatabase = %3\n")
                       .arg(m_port)
                       .arg(m_address, security))
            || !write(QStringLiteral("databases.conf"),
                      QStringLiteral("security.db = %1\n{\n\tRemoteAccess = false\n}\n").arg(security)))
            return QStringLiteral("cannot write the private server's settings");
        if (!m_sysdbaPassword.isEmpty()) {
            // Changed in the copy through the embedded engine, before the server holds it.
            QProcess isql;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("FIREBIRD"), m_root.path());
            isql.setProcessEnvironment(env);
            isql.setProcessChannelMode(QProcess::MergedChannels);
            isql.start(QStringLiteral("isql-fb"),
                       {QStringLiteral("-q"), QStringLiteral("-user"), QStringLiteral("SYSDBA"), security});
            isql.write(QStringLiteral("create or alter user SYSDBA password '%1' using plugin Srp;\ncommit;\n")
                           .arg(m_sysdbaPassword)
                           .toUtf8());
            isql.closeWriteChannel();
            if (!isql.waitForFinished(30000) || isql.exitCode() != 0)
                return QStringLiteral("cannot set the private server's SYSDBA password: %1")
                    .arg(QString::fromLocal8Bit(isql.readAll()));
        }
        return QString();
    }

    QString m_sysdbaPassword;
    QString m_address;
    QTemporaryDir m_root;
    QProcess m_process;
    quint16 m_port = 0;
};

} // namespace firebird
