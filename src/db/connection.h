#pragma once

#include "error.h"

#include <QMutex>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace Firebird {
class IAttachment;
class ITransaction;
} // namespace Firebird

namespace db {

class Query;

// One attachment to a Firebird database with its one long-lived transaction.
// The database is addressed as host + ":" + path; an empty host opens the path
// locally through the embedded engine (Firebird rejects a name beginning with ":").
// Text crosses the connection in Windows-1250 and is converted to and from Unicode.
class Connection
{
public:
    static constexpr const char *DefaultUser = "SYSDBA";
    static constexpr const char *DefaultPassword = "M305X718";

    Connection();
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    void setDatabase(const QString &host, const QString &path);
    QString host() const { return m_host; }
    QString path() const { return m_path; }
    // host + ":" + path as every message names the database, or the path alone
    // for a file opened locally (a leading ":" would only puzzle the reader).
    QString databaseName() const { return attachName(); }
    // What the database is to the user ("baza danych programu Lokra"), named in its failures.
    void setDescription(const QString &description) { m_description = description; }
    QString description() const { return m_description; }
    void setCredentials(const QString &user, const QString &password);
    QString user() const { return m_user; }
    QString password() const { return m_password; }
    // A lock held by another transaction is refused at once instead of waited for.
    void setNoWait(bool noWait) { m_noWait = noWait; }

    void open();
    void close();
    // Closes and opens again, calling `heartbeat` every few milliseconds meanwhile:
    // the embedded engine shuts a large database down when its last attachment
    // closes, which takes a while.
    void reopen(const std::function<void()> &heartbeat);
    bool isOpen() const { return m_attachment != nullptr; }
    // Asks the server whether the attachment still stands. False when the
    // connection to the server was lost (the handles are then useless); other
    // failures are thrown.
    bool isAlive();
    // Why the last open() failed; null after a successful one.
    const Error *openFailure() const { return m_openFailure ? &*m_openFailure : nullptr; }

    // Creates a new database file (default character set WIN1250, dialect 3)
    // and leaves this connection open on it.
    void create();

    // Commits the work of the long-lived transaction and keeps it open. Inside
    // all-or-nothing work (AtomicWork) the commit waits for the outermost unit.
    void commitRetaining();
    // Undoes the uncommitted work of the long-lived transaction and keeps it open.
    void rollbackRetaining();
    // True while all-or-nothing work runs on this connection.
    bool inAtomicWork() const { return m_atomicDepth > 0; }

    // Runs one statement without parameters or result (DDL) in the long-lived transaction.
    void executeImmediate(const QString &sql);

    // Adds to a failure on this connection the database's description and name
    // and, for a lock conflict, who holds the lock. Used by the access layer.
    void annotateFailure(Error &e);

    // Used by Query.
    Firebird::IAttachment *attachment() const;
    Firebird::ITransaction *transaction();
    unsigned win1250CharSetId() const { return m_win1250Id; }

private:
    friend class Query;
    friend class AtomicWork;
    void commitNow(const std::function<void()> &heartbeat = {});
    void registerQuery(Query *q);
    void unregisterQuery(Query *q);
    QString attachName() const;
    void attach(bool createFile);
    void startTransaction();
    void readCharSetId();

    QString m_host;
    QString m_path;
    QString m_description;
    std::optional<Error> m_openFailure;
    QString m_user = QString::fromLatin1(DefaultUser);
    QString m_password = QString::fromLatin1(DefaultPassword);
    Firebird::IAttachment *m_attachment = nullptr;
    Firebird::ITransaction *m_transaction = nullptr;
    unsigned m_win1250Id = 0;
    int m_atomicDepth = 0;
    bool m_noWait = false;
    bool m_annotating = false;
    QMutex m_queriesLock;
    QSet<Query *> m_queries;
};

// True when the failure says that the connection to the server was lost (the
// server stopped, restarted or became unreachable), so that only a new
// attachment can go on.
bool isConnectionLost(const Error &e);

// The host part of a database name as Firebird 3 reads it: an IPv6 address is
// put in brackets ("::1" and "::1/3051" become "[::1]" and "[::1]/3051"); a host
// name, an IPv4 address, a port after "/" and a bracketed address stay as given.
QString firebirdHost(const QString &host);

// All-or-nothing work on one connection: what was pending before is committed
// first; the work is committed by commit() and undone if the guard goes out of
// scope without it (an exception, an early return). Units nest: an inner unit
// is a savepoint, and only the outermost one commits.
class AtomicWork
{
public:
    explicit AtomicWork(Connection &connection);
    ~AtomicWork();
    AtomicWork(const AtomicWork &) = delete;
    AtomicWork &operator=(const AtomicWork &) = delete;
    void commit();
    // The same, with `heartbeat` called every few milliseconds while the engine
    // writes the work to disk (a large unit takes seconds), so that the window
    // can redraw meanwhile. The heartbeat must not use this connection.
    void commit(const std::function<void()> &heartbeat);

private:
    Connection &m_connection;
    QString m_savepoint; // empty for the outermost unit
    bool m_done = false;
};

} // namespace db
