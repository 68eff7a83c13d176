#include "connection.h"

#include "clientlibrary.h"
#include "fbapi.h"
#include "query.h"
#include "textcodec.h"
#include "whilebeating.h"

#include <QMutexLocker>

#include <bit>

using namespace Firebird;

namespace db {

namespace fb {

IMaster *master()
{
    // Loaded on first use; when no client is found, the next connection looks again.
    static IMaster *m = loadClientLibrary(clientLibraryPlaces());
    return m;
}

IUtil *util()
{
    static IUtil *u = master()->getUtilInterface();
    return u;
}

QString formatStatus(const IStatus *status)
{
    char buffer[2048];
    util()->formatStatus(buffer, sizeof buffer, const_cast<IStatus *>(status));
    const QByteArray bytes(buffer);
    // Engine messages are ASCII; data quoted in them comes in the connection's code page.
    QString text = QString::fromUtf8(bytes);
    if (text.contains(QChar::ReplacementCharacter))
        text = fromWin1250(bytes);
    return text.trimmed();
}

Error statusError(const IStatus *status)
{
    // The vector is a run of isc_arg_gds codes, each followed by its arguments,
    // up to isc_arg_end.
    QList<Error::Status> codes;
    const intptr_t *v = const_cast<IStatus *>(status)->getErrors();
    while (v && *v != isc_arg_end) {
        const intptr_t kind = *v++;
        switch (kind) {
        case isc_arg_gds:
            codes.append(Error::Status{long(*v++), {}});
            break;
        case isc_arg_string:
        case isc_arg_interpreted:
        case isc_arg_sql_state: {
            const auto *text = std::bit_cast<const char *>(*v++);
            if (kind != isc_arg_sql_state && !codes.isEmpty())
                codes.last().arguments << fromWin1250(QByteArray(text));
            break;
        }
        case isc_arg_cstring: {
            const auto length = qsizetype(*v++);
            const auto *text = std::bit_cast<const char *>(*v++);
            if (!codes.isEmpty())
                codes.last().arguments << fromWin1250(QByteArray(text, length));
            break;
        }
        case isc_arg_number:
        case isc_arg_unix: // the operating system's error number, e.g. ENOENT
        case isc_arg_win32:
            if (!codes.isEmpty())
                codes.last().arguments << QString::number(long(*v));
            ++v;
            break;
        default: // other systems' error numbers: one value each
            ++v;
            break;
        }
    }
    return Error(formatStatus(status), codes);
}

} // namespace fb

namespace {

// A DPB or TPB under construction, released on every path.
class Xpb
{
public:
    Xpb(ThrowStatusWrapper *s, unsigned kind) : m_builder(fb::util()->getXpbBuilder(s, kind, nullptr, 0)) {}
    ~Xpb() { m_builder->dispose(); }
    IXpbBuilder *operator->() const { return m_builder; }

private:
    IXpbBuilder *m_builder;
};

QByteArray localPath(const QString &path)
{
    return path.toLocal8Bit();
}

} // namespace

Connection::Connection() = default;

Connection::~Connection()
{
    try {
        close();
    } catch (...) {
        // A destructor cannot report: the handles are dropped either way.
    }
}

void Connection::setDatabase(const QString &host, const QString &path)
{
    m_host = host;
    m_path = path;
}

void Connection::setCredentials(const QString &user, const QString &password)
{
    m_user = user;
    m_password = password;
}

QString firebirdHost(const QString &host)
{
    QString h = host.trimmed();
    if (h.startsWith(u'[') || h.count(u':') < 2)
        return h;
    // "::1/3051": the port follows the last "/".
    const qsizetype slash = h.lastIndexOf(u'/');
    return slash < 0 ? u'[' + h + u']' : u'[' + h.left(slash) + u']' + h.mid(slash);
}

bool isConnectionLost(const Error &e)
{
    for (const long code : {isc_network_error, isc_net_read_err, isc_net_write_err, isc_conn_lost, isc_shutdown,
                            isc_att_shutdown, isc_net_connect_err, isc_lost_db_connection}) {
        if (e.hasCode(code))
            return true;
    }
    return false;
}

QString Connection::attachName() const
{
    return m_host.isEmpty() ? m_path : firebirdHost(m_host) + u':' + m_path;
}

void Connection::open()
{
    if (isOpen())
        return;
    try {
        attach(false);
        m_openFailure.reset();
    } catch (const Error &e) {
        m_openFailure = e;
        throw;
    }
}

void Connection::create()
{
    if (isOpen())
        throw Error(QStringLiteral("Połączenie jest już otwarte"));
    attach(true);
}

void Connection::attach(bool createFile)
{
    const QByteArray name = localPath(attachName());
    const QByteArray user = toWin1250(m_user);
    const QByteArray password = toWin1250(m_password);
    m_attachment = fb::call(*this, [&](ThrowStatusWrapper *s) {
        Xpb dpb(s, IXpbBuilder::DPB);
        dpb->insertString(s, isc_dpb_user_name, user.constData());
        dpb->insertString(s, isc_dpb_password, password.constData());
        dpb->insertString(s, isc_dpb_lc_ctype, "WIN1250");
        if (createFile) {
            dpb->insertString(s, isc_dpb_set_db_charset, "WIN1250");
            dpb->insertInt(s, isc_dpb_sql_dialect, 3);
        }
        IProvider *provider = fb::master()->getDispatcher();
        struct Release
        {
            IProvider *p;
            ~Release() { p->release(); }
        } release{provider};
        return createFile ? provider->createDatabase(s, name.constData(), dpb->getBufferLength(s), dpb->getBuffer(s))
                          : provider->attachDatabase(s, name.constData(), dpb->getBufferLength(s), dpb->getBuffer(s));
    });
    try {
        startTransaction();
        readCharSetId();
    } catch (...) {
        close();
        throw;
    }
}

void Connection::startTransaction()
{
    m_transaction = fb::call(*this, [&](ThrowStatusWrapper *s) {
        // Read committed, so that the long-lived transaction always sees what was
        // committed; a lock held by another user is waited for, but not forever.
        Xpb tpb(s, IXpbBuilder::TPB);
        tpb->insertTag(s, isc_tpb_read_committed);
        tpb->insertTag(s, isc_tpb_rec_version);
        tpb->insertTag(s, isc_tpb_write);
        if (m_noWait) {
            tpb->insertTag(s, isc_tpb_nowait);
        } else {
            tpb->insertTag(s, isc_tpb_wait);
            tpb->insertInt(s, isc_tpb_lock_timeout, 30);
        }
        return m_attachment->startTransaction(s, tpb->getBufferLength(s), tpb->getBuffer(s));
    });
}

void Connection::readCharSetId()
{
    Query q(*this, QStringLiteral("select rdb$character_set_id from rdb$character_sets "
                                  "where rdb$character_set_name = 'WIN1250'"));
    q.execute();
    if (!q.next())
        throw Error(QStringLiteral("Serwer nie zna zestawu znaków WIN1250"));
    m_win1250Id = unsigned(q.value(0).toInt());
}

void Connection::close()
{
    // Closing in the middle of all-or-nothing work must not commit half of it.
    const bool discard = m_atomicDepth > 0;
    m_atomicDepth = 0;
    {
        QMutexLocker lock(&m_queriesLock);
        for (Query *q : std::as_const(m_queries))
            q->releaseHandles();
    }
    if (m_transaction) {
        ITransaction *t = std::exchange(m_transaction, nullptr);
        try {
            if (discard)
                fb::call(*this, [&](ThrowStatusWrapper *s) { t->rollback(s); });
            else
                fb::call(*this, [&](ThrowStatusWrapper *s) { t->commit(s); });
        } catch (const Error &) {
            t->release();
        }
    }
    if (m_attachment) {
        IAttachment *a = std::exchange(m_attachment, nullptr);
        try {
            fb::call(*this, [&](ThrowStatusWrapper *s) { a->detach(s); });
        } catch (const Error &) {
            // The server is gone or refused: drop our end of the attachment.
            a->release();
        }
    }
}

bool Connection::isAlive()
{
    if (!m_attachment)
        return false;
    try {
        fb::call(*this, [&](ThrowStatusWrapper *s) { m_attachment->ping(s); });
        return true;
    } catch (const Error &e) {
        if (isConnectionLost(e))
            return false;
        throw;
    }
}

IAttachment *Connection::attachment() const
{
    if (!m_attachment)
        throw Error(QStringLiteral("Brak połączenia z bazą danych ") + databaseName());
    return m_attachment;
}

ITransaction *Connection::transaction()
{
    attachment();
    if (!m_transaction)
        startTransaction();
    return m_transaction;
}

void Connection::commitRetaining()
{
    if (m_atomicDepth > 0)
        return;
    commitNow();
}

void Connection::commitNow(const std::function<void()> &heartbeat)
{
    ITransaction *t = transaction();
    whileBeating(heartbeat, [this, t] { fb::call(*this, [&](ThrowStatusWrapper *s) { t->commitRetaining(s); }); });
}

void Connection::reopen(const std::function<void()> &heartbeat)
{
    whileBeating(heartbeat, [this] {
        close();
        open();
    });
}

void Connection::rollbackRetaining()
{
    ITransaction *t = transaction();
    fb::call(*this, [&](ThrowStatusWrapper *s) { t->rollbackRetaining(s); });
}

void Connection::executeImmediate(const QString &sql)
{
    const QByteArray text = toWin1250(sql);
    ITransaction *t = transaction();
    fb::call(*this, [&](ThrowStatusWrapper *s) {
        m_attachment->execute(s, t, 0, text.constData(), 3, nullptr, nullptr, nullptr, nullptr);
    });
}

void Connection::annotateFailure(Error &e)
{
    e.setDatabase(m_description, databaseName());
    const qint64 other = e.argument(isc_concurrent_transaction).toLongLong();
    if (other == 0 || !m_attachment || m_annotating)
        return;
    // The lock's holder, that the user may ask them to finish.
    m_annotating = true;
    try {
        Query q(*this, QStringLiteral("select trim(a.mon$user), trim(a.mon$remote_address), trim(a.mon$remote_process) "
                                      "from mon$transactions t join mon$attachments a on a.mon$attachment_id = "
                                      "t.mon$attachment_id where t.mon$transaction_id = :d0"));
        q.execute({other});
        if (q.next()) {
            QStringList parts;
            for (int i = 0; i < 3; ++i) {
                if (!q.value(i).isNull() && !q.value(i).toString().isEmpty())
                    parts << q.value(i).toString();
            }
            e.setLockHolder(parts.join(QStringLiteral(", ")));
        }
        q.closeCursor();
    } catch (const Error &) {
        // Monitoring is a courtesy: without it the conflict is told without a name.
    }
    m_annotating = false;
}

void Connection::registerQuery(Query *q)
{
    QMutexLocker lock(&m_queriesLock);
    m_queries.insert(q);
}

void Connection::unregisterQuery(Query *q)
{
    QMutexLocker lock(&m_queriesLock);
    m_queries.remove(q);
}

AtomicWork::AtomicWork(Connection &connection) : m_connection(connection)
{
    if (m_connection.m_atomicDepth == 0) {
        m_connection.commitNow();
    } else {
        m_savepoint = QStringLiteral("TERVALA_UNIT_%1").arg(m_connection.m_atomicDepth);
        m_connection.executeImmediate(QStringLiteral("SAVEPOINT ") + m_savepoint);
    }
    ++m_connection.m_atomicDepth;
}

AtomicWork::~AtomicWork()
{
    if (m_done || m_connection.m_atomicDepth == 0) // committed, or the connection was closed
        return;
    --m_connection.m_atomicDepth;
    if (!m_connection.isOpen())
        return;
    try {
        if (m_savepoint.isEmpty())
            m_connection.rollbackRetaining();
        else
            m_connection.executeImmediate(QStringLiteral("ROLLBACK TO SAVEPOINT ") + m_savepoint);
    } catch (const Error &) {
        // The connection failed under us: the server discards the work itself.
    }
}

void AtomicWork::commit()
{
    commit({});
}

void AtomicWork::commit(const std::function<void()> &heartbeat)
{
    if (m_savepoint.isEmpty())
        m_connection.commitNow(heartbeat);
    else
        m_connection.executeImmediate(QStringLiteral("RELEASE SAVEPOINT ") + m_savepoint + QStringLiteral(" ONLY"));
    --m_connection.m_atomicDepth;
    m_done = true;
}

} // namespace db
