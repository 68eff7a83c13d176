#include "reportreads.h"

#include "db/connection.h"
#include "db/query.h"

namespace store {

QList<ReportedCapitalComponent> LoadReportedCapitalComponents(db::Connection &ksu, qint64 periodId, qint64 groupKod)
{
    db::Query rows(ksu, QStringLiteral("select * from Kapital_fund where id_ok=:d0 and grupa=:d1"));
    rows.execute({periodId, groupKod});
    QList<ReportedCapitalComponent> out;
    while (rows.next()) {
        ReportedCapitalComponent c;
        c.rodzaj = rows.value(u"RODZAJ").toInt();
        c.skladnik = rows.value(u"SKLADNIK").toString();
        c.wartosc = rows.value(u"WARTOSC").toString();
        c.szczegoly = rows.value(u"SZCZEGOLY").toString();
        out << c;
    }
    return out;
}

qint64 CountDictionaryGroups(db::Connection &ksu)
{
    db::Query count(ksu, QStringLiteral("select count(kod) as \"counter\" from Slowniki where grupa=0"));
    count.execute();
    return count.next() ? count.value(0).toInt() : 0;
}

QStringList DictionaryEntryNames(db::Connection &ksu)
{
    QStringList names;
    db::Query q(ksu, QStringLiteral("select nazwa from slowniki order by kod"));
    q.execute();
    while (q.next())
        names << q.value(0).toString();
    return names;
}

QList<ReportedCapitalSource> LoadReportedCapitalSources(db::Connection &ksu, qint64 periodId)
{
    db::Query sources(ksu,
                      QStringLiteral("select d.id,d.nazwa,d.kwota from DANE_KAP d where d.zrodlo=1 and d.id_ok=:d0"));
    sources.execute({periodId});
    QList<ReportedCapitalSource> out;
    while (sources.next())
        out.append({sources.value(u"NAZWA").toString(), sources.value(u"KWOTA").toString()});
    return out;
}

QString RecordProgramVersion(db::Connection &ksu, const QString &version)
{
    QString previous;
    {
        db::Query last(ksu, QStringLiteral("select * from logowanie where dataw=(select max(dataw) from logowanie);"));
        last.execute();
        if (last.next())
            previous = last.value(u"Wersja").toString();
    }
    db::Query insert(ksu, QStringLiteral("insert into LOGOWANIE (Wersja) values (:d0)"));
    insert.execute({version});
    ksu.commitRetaining();
    return previous;
}

} // namespace store
