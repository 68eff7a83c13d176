#include "carryover.h"

#include "db/connection.h"
#include "db/query.h"
#include "pagemodel.h"
#include "periodstore.h"

namespace store {

std::optional<PeriodDates> previousPeriod(db::Connection &ksu, QDate start, qint64 except)
{
    db::Query before(ksu, QStringLiteral("select first 1 ID_OK, ODK, DOK from OKRES where DOK < :d0 and ID_OK <> :d1 "
                                         "order by DOK desc, ID_OK desc"));
    before.execute({start, except});
    if (!before.next())
        return std::nullopt;
    return PeriodDates{before.value(0).toInt(), before.value(1).toDate(), before.value(2).toDate()};
}

qint64 carryOverSource(db::Connection &ksu, QDate newStart, qint64 except)
{
    if (const std::optional<PeriodDates> before = previousPeriod(ksu, newStart, except))
        return before->id;
    db::Query latest(
        ksu, QStringLiteral("select first 1 ID_OK from OKRES where ID_OK <> :d0 order by DOK desc, ID_OK desc"));
    latest.execute({except});
    return latest.next() ? latest.value(0).toInt() : 0;
}

void CopyCapitalComponents(db::Connection &ksu, qint64 from, const OpenPeriod &period)
{
    db::Query previous(ksu, QStringLiteral("select * from KAPITAL_FUND where ID_OK=:d0 order by id_skl;"));
    previous.execute({from});
    db::Query lastKey(ksu, QStringLiteral("select max(id_skl) from kapital_fund"));
    db::Query insert(ksu, QStringLiteral("insert into KAPITAL_FUND (Id_skl,Id_ok,Skladnik,Wartosc,Nazwa_r,Grupa,Rodzaj,"
                                         "Szczegoly) values (:d0,:d1,:d2,:d3,:d4,:d5,:d6,:d7);"));
    while (previous.next()) {
        lastKey.execute();
        lastKey.next();
        const qint64 key = lastKey.value(0).toInt() + 1;
        lastKey.closeCursor();
        insert.execute({key, period.id(), previous.value(u"SKLADNIK").toString(), previous.value(u"WARTOSC").toMoney(),
                        previous.value(u"NAZWA_R").toInt(), previous.value(u"GRUPA").toInt(),
                        previous.value(u"RODZAJ").toInt(), previous.value(u"SZCZEGOLY").toString()});
        ksu.commitRetaining();
    }
}

void CopyCapitalSources(db::Connection &ksu, qint64 from, const OpenPeriod &period, PageModel &model)
{
    CreateCapitalChangeRow(ksu, period, model);
    db::Query insert(ksu, QStringLiteral("insert into DANE_KAP (nazwa,kwota,ID_OK,dataw,wprowadzil,zrodlo) values "
                                         "(:d0,:d1,:d2,:d3,:d4,:d5);"));
    for (const CapitalSource &source : LoadCapitalSources(ksu, from)) {
        insert.execute({source.nazwa, source.kwota, period.id(), QDate::currentDate(), 1, 1});
        ksu.commitRetaining();
    }
    db::Query change(ksu, QStringLiteral("select d.nazwa,d.kwota from DANE_KAP d where d.zrodlo=0 and d.id_ok=:d0;"));
    change.execute({from});
    const bool found = change.next();
    model.setText(QStringLiteral("Przyr_spad"), found ? change.value(0).toString() : QString());
    model.setNumber(QStringLiteral("Prz_kw"), found ? change.value(1).toDouble() : 0.0);
    change.closeCursor();
    SaveCapitalChange(ksu, period, model);
    RefreshCapitalSources(ksu, period, model);
}

} // namespace store
