#pragma once

#include "db/connection.h"
#include "db/error.h"

#include <QDateTime>
#include <QString>

#include <memory>

// Several users on one reporting database (a Firebird server): the imports,
// period deletions and schema upgrades exclude each other, and each period
// carries a change stamp that a save checks, so that no one's work is lost.
namespace store {

// The table of the exclusion: a row that the running import, deletion or upgrade
// holds locked in a transaction of its own, and a row that names who runs it.
inline constexpr const char *CreateLockTable = "CREATE TABLE BLOKADY (NAZWA VARCHAR(20) NOT NULL PRIMARY KEY, "
                                               "KTO VARCHAR(63), CZYNNOSC INTEGER, OD TIMESTAMP);";
// The change stamp of a period: how often it was saved, by whom and when.
inline constexpr const char *AddPeriodStamp =
    "ALTER TABLE OKRES ADD ZMIANA INTEGER DEFAULT 0, ADD ZMIENIL VARCHAR(63), ADD ZMIENIONO TIMESTAMP;";

// The work that only one user at a time may do.
enum class ExclusiveWork { Import = 1, DeletePeriod = 2, SchemaUpgrade = 3 };

// Another user runs exclusive work: the Polish refusal, naming them and since when.
class WorkRefused : public db::Error
{
public:
    using db::Error::Error;
};

// Held while exclusive work runs. The lock row is updated in a transaction of a
// second attachment that refuses to wait: a second user is refused at once, and
// a program that crashes loses its attachment and with it the lock.
class ExclusiveLock
{
public:
    // Takes the lock on the database of `ksu` as `ksu`'s user, or throws
    // WorkRefused. A database without the lock table (an older schema, which the
    // upgrade is about to bring up to date) is not locked.
    ExclusiveLock(db::Connection &ksu, ExclusiveWork work);
    ~ExclusiveLock();
    ExclusiveLock(const ExclusiveLock &) = delete;
    ExclusiveLock &operator=(const ExclusiveLock &) = delete;

private:
    std::unique_ptr<db::Connection> m_holder;
};

// A period's change stamp as stored.
struct PeriodStamp
{
    qint64 counter = 0;
    QString user;   // who changed it last; empty before any change was recorded
    QDateTime when; // the server's time of that change
};
PeriodStamp ReadPeriodStamp(db::Connection &ksu, qint64 periodId);

// The period was changed by someone else since it was opened here.
class PeriodChanged : public db::Error
{
public:
    PeriodChanged(const QString &message, PeriodStamp stamp) : db::Error(message), m_stamp(std::move(stamp)) {}
    const PeriodStamp &stamp() const { return m_stamp; }

private:
    PeriodStamp m_stamp;
};

// Inside the save's transaction: counts a change of the period by `ksu`'s user
// and returns the new counter. Throws PeriodChanged when the stored counter is
// not `expected` (someone else saved the period meanwhile, or is saving it now);
// a negative `expected` takes any counter (an overwrite the user chose).
qint64 BumpPeriodStamp(db::Connection &ksu, qint64 periodId, qint64 expected);

// "ANNA, 11.12.2026 10:15": who and when, as the messages name them.
QString describeChange(const PeriodStamp &stamp);

} // namespace store
