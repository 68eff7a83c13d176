#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <stdexcept>

namespace db {

// A database failure, carrying Firebird's own message text (or ours for misuse).
// A failure reported by Firebird also carries the error codes of its status
// vector (isc_* of iberror.h, outermost first), each with the texts and numbers
// that came with it, and the database it happened on, so that the cause can be
// told by code rather than by the wording of the engine's message.
class Error : public std::runtime_error
{
public:
    struct Status
    {
        long code = 0;
        QStringList arguments;
        bool operator==(const Status &) const = default;
    };

    explicit Error(const QString &message, QList<Status> status = {})
        : std::runtime_error(message.toStdString()), m_message(message), m_status(std::move(status))
    {
    }
    QString message() const { return m_message; }

    const QList<Status> &status() const { return m_status; }
    bool hasCode(long code) const { return statusIndex(code) >= 0; }
    // The first text or number that came with `code` or, when it came with none,
    // with the codes after it (Firebird names a column in an isc_random after
    // isc_dsql_field_err); empty when the status has no such code.
    QString argument(long code) const
    {
        for (qsizetype i = statusIndex(code); i >= 0 && i < m_status.size(); ++i) {
            if (!m_status[i].arguments.isEmpty())
                return m_status[i].arguments.first();
        }
        return {};
    }

    // The database the failure happened on: what it is to the user ("baza danych
    // programu Lokra") and its name as host:path or path; empty when unknown.
    QString databaseDescription() const { return m_databaseDescription; }
    QString databaseName() const { return m_databaseName; }
    void setDatabase(const QString &description, const QString &name)
    {
        m_databaseDescription = description;
        m_databaseName = name;
    }

    // Who holds what a lock conflict waited for ("SYSDBA, 10.0.0.5, C:\\Lokra\\lokra.exe"),
    // as the server's monitoring tables tell; empty when unknown.
    QString lockHolder() const { return m_lockHolder; }
    void setLockHolder(const QString &holder) { m_lockHolder = holder; }

private:
    qsizetype statusIndex(long code) const
    {
        for (qsizetype i = 0; i < m_status.size(); ++i) {
            if (m_status[i].code == code)
                return i;
        }
        return -1;
    }

    QString m_message;
    QList<Status> m_status;
    QString m_databaseDescription;
    QString m_databaseName;
    QString m_lockHolder;
};

} // namespace db
