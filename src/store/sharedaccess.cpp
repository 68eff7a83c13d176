#include "sharedaccess.h"

#include "db/query.h"

#include <QLocale>

#include <ibase.h>

namespace store {

namespace {

bool isLockConflict(const db::Error &e)
{
    for (const long code : {isc_lock_conflict, isc_deadlock, isc_update_conflict, isc_lock_timeout,
                            isc_unique_key_violation, isc_no_dup}) {
        if (e.hasCode(code))
            return true;
    }
    return false;
}

bool hasLockTable(db::Connection &ksu)
{
    db::Query q(ksu, QStringLiteral("select 1 from rdb$relations where rdb$relation_name = 'BLOKADY'"));
    q.execute();
    return q.next();
}

QString shownTime(const QDateTime &when)
{
    return QLocale(QLocale::Polish, QLocale::Poland).toString(when, QStringLiteral("dd.MM.yyyy HH:mm"));
}

QString workText(qint64 work)
{
    switch (ExclusiveWork(work)) {
    case ExclusiveWork::Import:
        return QStringLiteral("importuje dane okresu");
    case ExclusiveWork::DeletePeriod:
        return QStringLiteral("usuwa okres");
    case ExclusiveWork::SchemaUpgrade:
        return QStringLiteral("uaktualnia schemat bazy danych");
    }
    return QStringLiteral("importuje dane, usuwa okres albo uaktualnia schemat bazy danych");
}

QString refusal(db::Connection &ksu)
{
    db::Query who(ksu, QStringLiteral("select KTO, CZYNNOSC, OD from BLOKADY where NAZWA = 'KTO'"));
    who.execute();
    QString other = QStringLiteral("Inny użytkownik");
    QString what = workText(0);
    if (who.next() && !who.value(0).toString().isEmpty()) {
        other = QStringLiteral("Użytkownik %1").arg(who.value(0).toString());
        what = workText(who.value(1).toInt()) + QStringLiteral(" (od %1)").arg(shownTime(who.value(2).toDateTime()));
    }
    who.closeCursor();
    return QStringLiteral("%1 %2 w bazie danych programu Tervala.\rImport, usuwanie okresu i uaktualnienie schematu "
                          "może wykonywać tylko jeden użytkownik naraz. Spróbuj ponownie, gdy tamta praca się "
                          "zakończy; nic nie zostało zmienione.")
        .arg(other, what);
}

} // namespace

ExclusiveLock::ExclusiveLock(db::Connection &ksu, ExclusiveWork work)
{
    if (!ksu.isOpen() || !hasLockTable(ksu))
        return;
    auto holder = std::make_unique<db::Connection>();
    holder->setDatabase(ksu.host(), ksu.path());
    holder->setCredentials(ksu.user(), ksu.password());
    holder->setDescription(ksu.description());
    holder->setNoWait(true);
    holder->open();
    try {
        db::Query take(*holder, QStringLiteral("update or insert into BLOKADY (NAZWA, OD) values ('PRACA', "
                                               "current_timestamp) matching (NAZWA)"));
        take.execute();
    } catch (const db::Error &e) {
        if (!isLockConflict(e))
            throw;
        holder.reset();
        throw WorkRefused(refusal(ksu));
    }
    // Named at once in a row of its own, so that the refused can read who it is.
    db::Query name(ksu, QStringLiteral("update or insert into BLOKADY (NAZWA, KTO, CZYNNOSC, OD) values ('KTO', :d0, "
                                       ":d1, current_timestamp) matching (NAZWA)"));
    name.execute({ksu.user(), int(work)});
    ksu.commitRetaining();
    m_holder = std::move(holder);
}

ExclusiveLock::~ExclusiveLock()
{
    if (!m_holder)
        return;
    try {
        m_holder->rollbackRetaining();
        m_holder->close();
    } catch (const db::Error &) {
        // The attachment is gone, and the lock with it.
    }
}

PeriodStamp ReadPeriodStamp(db::Connection &ksu, qint64 periodId)
{
    db::Query q(ksu, QStringLiteral("select coalesce(ZMIANA, 0), ZMIENIL, ZMIENIONO from OKRES where ID_OK = :d0"));
    q.execute({periodId});
    PeriodStamp stamp;
    if (q.next()) {
        stamp.counter = q.value(0).toInt();
        stamp.user = q.value(1).toString();
        stamp.when = q.value(2).toDateTime();
    }
    q.closeCursor();
    return stamp;
}

QString describeChange(const PeriodStamp &stamp)
{
    const QString who = stamp.user.isEmpty() ? QStringLiteral("inny użytkownik") : stamp.user;
    return stamp.when.isValid() ? who + QStringLiteral(", ") + shownTime(stamp.when) : who;
}

qint64 BumpPeriodStamp(db::Connection &ksu, qint64 periodId, qint64 expected)
{
    qint64 stored = 0;
    try {
        // Locks the period's row until the save commits: a second save of the
        // period waits for this one and then finds the counter changed.
        db::Query lock(ksu, QStringLiteral("select coalesce(ZMIANA, 0) from OKRES where ID_OK = :d0 with lock"));
        lock.execute({periodId});
        if (!lock.next())
            throw db::Error(QStringLiteral("Okres został w międzyczasie usunięty przez innego użytkownika."));
        stored = lock.value(0).toInt();
        lock.closeCursor();
    } catch (const db::Error &e) {
        if (!isLockConflict(e))
            throw;
        const PeriodStamp now = ReadPeriodStamp(ksu, periodId);
        throw PeriodChanged(QStringLiteral("Okres zmienił w międzyczasie %1.").arg(describeChange(now)), now);
    }
    if (expected >= 0 && stored != expected) {
        const PeriodStamp now = ReadPeriodStamp(ksu, periodId);
        throw PeriodChanged(QStringLiteral("Okres zmienił w międzyczasie %1.").arg(describeChange(now)), now);
    }
    db::Query bump(ksu, QStringLiteral("update OKRES set ZMIANA = :d0, ZMIENIL = :d1, ZMIENIONO = current_timestamp "
                                       "where ID_OK = :d2"));
    bump.execute({stored + 1, ksu.user(), periodId});
    return stored + 1;
}

} // namespace store
