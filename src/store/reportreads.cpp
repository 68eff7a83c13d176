#include "reportreads.h"

#include "db/connection.h"
#include "db/query.h"

#include <QSet>

namespace store {

qint64 CountDictionaryGroups(db::Connection &ksu)
{
    db::Query count(ksu, QStringLiteral("select count(kod) as \"counter\" from Slowniki where grupa=0"));
    count.execute();
    return count.next() ? count.value(0).toInt() : 0;
}

DictionarySize MeasureDictionary(db::Connection &ksu)
{
    QList<std::pair<qint64, qint64>> entries; // KOD, GRUPA
    db::Query q(ksu, QStringLiteral("select kod, grupa from slowniki"));
    q.execute();
    while (q.next())
        entries.append({q.value(0).toInt(), q.value(1).toInt()});
    QSet<qint64> groups;
    for (const auto &[kod, grupa] : std::as_const(entries)) {
        if (grupa == 0)
            groups.insert(kod);
    }
    QSet<qint64> components;
    for (const auto &[kod, grupa] : std::as_const(entries)) {
        if (grupa != 0 && groups.contains(grupa))
            components.insert(kod);
    }
    DictionarySize size{groups.size(), 0, 0};
    for (const auto &[kod, grupa] : std::as_const(entries)) {
        if (grupa != 0 && groups.contains(grupa))
            ++size.components;
        else if (components.contains(grupa))
            ++size.listEntries;
    }
    return size;
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
