#include "capitalstore.h"

#include "db/connection.h"
#include "db/query.h"
#include "periodstore.h"

#include <QDate>
#include <QHash>

#include <initializer_list>

namespace store {

namespace {

// The width of the grid's calculated name column.
constexpr int DictionaryNameWidth = 50;

void runAndCommit(db::Connection &ksu, const QString &sql, std::initializer_list<db::Param> params)
{
    db::Query query(ksu, sql);
    query.execute(params);
    ksu.commitRetaining();
}

// Every dictionary code with its name; a code that appears twice keeps the name
// of its last row, as a lookup walking the rows would.
QHash<qint64, QString> dictionaryNames(db::Connection &ksu)
{
    QHash<qint64, QString> names;
    db::Query query(ksu, QStringLiteral("select nazwa,kod from slowniki"));
    query.execute();
    while (query.next())
        names.insert(query.value(1).toInt(), query.value(0).toString());
    return names;
}

} // namespace

qint64 findCapitalGroup(const CapitalGroupList &groups, const QString &name)
{
    qint64 kod = 0;
    for (const CapitalGroup &group : groups) {
        if (group.Nazwa == name)
            kod = group.Kod;
    }
    return kod;
}

GroupComponentList LoadGroupComponents(db::Connection &ksu, qint64 parentKod)
{
    GroupComponentList components;
    db::Query query(ksu, QStringLiteral("Select Nazwa,Kod,Grupa,Rodzaj from Slowniki where grupa=:d0"));
    query.execute({parentKod});
    while (query.next())
        components.append(
            {query.value(1).toInt(), query.value(0).toString(), query.value(2).toInt(), query.value(3).toInt()});
    return components;
}

QStringList LoadComponentListEntries(db::Connection &ksu, qint64 componentKod)
{
    QStringList names;
    for (const GroupComponent &entry : LoadGroupComponents(ksu, componentKod))
        names << entry.Nazwa;
    return names;
}

namespace {

QList<CapitalComponent> readComponents(db::Connection &ksu, db::Query &query)
{
    const QHash<qint64, QString> names = dictionaryNames(ksu);
    QList<CapitalComponent> components;
    while (query.next()) {
        CapitalComponent c;
        c.ID_SKL = query.value(u"ID_SKL").toInt();
        c.ID_OK = query.value(u"ID_OK").toInt();
        c.SKLADNIK = query.value(u"SKLADNIK").toString();
        c.WARTOSC = query.value(u"WARTOSC").toOptionalMoney();
        c.NAZWA_R = query.value(u"NAZWA_R").toInt();
        c.GRUPA = query.value(u"GRUPA").toInt();
        c.RODZAJ = query.value(u"RODZAJ").toInt();
        c.SZCZEGOLY = query.value(u"SZCZEGOLY").toString();
        c.NAZ_PROJEKTU_SLOWN = names.value(c.NAZWA_R).left(DictionaryNameWidth);
        components.append(c);
    }
    return components;
}

} // namespace

QList<CapitalComponent> LoadCapitalComponents(db::Connection &ksu, qint64 periodId, qint64 groupKod)
{
    db::Query query(ksu, QStringLiteral("select * from KAPITAL_FUND where ID_OK=:d0 and grupa=:d1 order by id_skl;"));
    query.execute({periodId, groupKod});
    return readComponents(ksu, query);
}

QList<CapitalComponent> LoadCapitalComponents(db::Connection &ksu, qint64 periodId)
{
    db::Query query(ksu, QStringLiteral("select * from KAPITAL_FUND where ID_OK=:d0 order by id_skl;"));
    query.execute({periodId});
    return readComponents(ksu, query);
}

std::optional<db::Money> CapitalGroupTotal(db::Connection &ksu, const OpenPeriod &period, qint64 groupKod)
{
    db::Query query(ksu,
                    QStringLiteral("select Sum(wartosc) as \"suma\" from kapital_fund where Id_ok=:d0 and grupa=:d1"));
    query.execute({period.id(), groupKod});
    if (!query.next() || query.value(0).isNull())
        return std::nullopt;
    return query.value(0).toMoney();
}

qint64 NextComponentId(db::Connection &ksu)
{
    db::Query query(ksu, QStringLiteral("select max(id_skl) from kapital_fund"));
    query.execute();
    return query.next() ? query.value(0).toInt() + 1 : 1;
}

qint64 InsertCapitalComponent(db::Connection &ksu, const OpenPeriod &period, const NewCapitalComponent &component)
{
    const qint64 periodId = period.id();
    const qint64 id = NextComponentId(ksu);
    runAndCommit(
        ksu,
        QStringLiteral("insert into KAPITAL_FUND (Id_skl,Id_ok,Skladnik,Wartosc,Nazwa_r,Grupa,Rodzaj,Szczegoly) "
                       "values (:d0,:d1,:d2,:d3,:d4,:d5,:d6,:d7);"),
        {id, periodId, component.SKLADNIK, component.WARTOSC, component.NAZWA_R, component.GRUPA, component.RODZAJ,
         component.SZCZEGOLY});
    return id;
}

void DeleteCapitalComponent(db::Connection &ksu, qint64 idSkl)
{
    runAndCommit(ksu, QStringLiteral("delete from Kapital_fund where id_skl=:d0"), {idSkl});
}

void UpdateCapitalComponentValue(db::Connection &ksu, qint64 idSkl, db::Money value)
{
    runAndCommit(ksu, QStringLiteral("Update Kapital_fund set wartosc=:d0 where id_skl=:d1"), {value, idSkl});
}

void UpdateCapitalComponentDetails(db::Connection &ksu, qint64 idSkl, const QString &details)
{
    runAndCommit(ksu, QStringLiteral("Update Kapital_fund set szczegoly=:d0 where id_skl=:d1"), {details, idSkl});
}

void InsertCapitalSource(db::Connection &ksu, const OpenPeriod &period, const QString &name, db::Money amount,
                         PageModel &model)
{
    // ID comes from the table's sequence.
    runAndCommit(ksu,
                 QStringLiteral("insert into DANE_KAP (nazwa,kwota,ID_OK,dataw,wprowadzil,zrodlo) "
                                "values (:d0,:d1,:d2,:d3,:d4,:d5);"),
                 {name, amount, period.id(), QDate::currentDate(), 1, 1});
    RefreshCapitalSources(ksu, period, model);
}

void UpdateCapitalSource(db::Connection &ksu, const OpenPeriod &period, qint64 id, const QString &name,
                         db::Money amount, PageModel &model)
{
    runAndCommit(ksu, QStringLiteral("update DANE_KAP set nazwa=:d0,kwota=:d1 where id=:d2"), {name, amount, id});
    RefreshCapitalSources(ksu, period, model);
}

} // namespace store
