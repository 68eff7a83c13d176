// The access-layer symbols that the fuzzed sources name but the fuzz targets never
// reach: the Firebird client is not linked, so each one refuses loudly.
#include "db/connection.h"
#include "db/fbapi.h"

#include <stdexcept>

namespace {
[[noreturn]] void noDatabase()
{
    throw std::logic_error("the fuzz build has no database");
}
} // namespace

namespace db {

namespace fb {
Firebird::IMaster *master()
{
    noDatabase();
}
Firebird::IUtil *util()
{
    noDatabase();
}
QString formatStatus(const Firebird::IStatus *)
{
    noDatabase();
}
Error statusError(const Firebird::IStatus *)
{
    noDatabase();
}
} // namespace fb

Connection::Connection() = default;
Connection::~Connection() = default;
QString Connection::attachName() const
{
    noDatabase();
}
void Connection::setDatabase(const QString &, const QString &)
{
    noDatabase();
}
void Connection::setCredentials(const QString &, const QString &)
{
    noDatabase();
}
void Connection::open()
{
    noDatabase();
}
void Connection::close()
{
    noDatabase();
}
void Connection::executeImmediate(const QString &)
{
    noDatabase();
}
void Connection::commitRetaining()
{
    noDatabase();
}
Firebird::IAttachment *Connection::attachment() const
{
    noDatabase();
}
Firebird::ITransaction *Connection::transaction()
{
    noDatabase();
}
void Connection::annotateFailure(Error &)
{
    noDatabase();
}
void Connection::registerQuery(Query *)
{
    noDatabase();
}
void Connection::unregisterQuery(Query *) {}
AtomicWork::AtomicWork(Connection &connection) : m_connection(connection)
{
    noDatabase();
}
AtomicWork::~AtomicWork() = default;
void AtomicWork::commit()
{
    noDatabase();
}

} // namespace db
