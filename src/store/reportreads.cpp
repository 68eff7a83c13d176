#include "reportreads.h"

#include "db/connection.h"
#include "db/query.h"
#include "periods.h"

#include <algorithm>

#include <QSet>

namespace store {

QStringList ComponentsOutsideDictionaryGroups(db::Connection &ksu, qint64 periodId)
{
    db::Query rows(ksu,
                   QStringLiteral("select k.SKLADNIK from KAPITAL_FUND k where k.ID_OK=:d0 and not exists "
                                  "(select 1 from SLOWNIKI s where s.GRUPA=0 and s.KOD=k.GRUPA) order by k.ID_SKL"));
    rows.execute({periodId});
    QStringList names;
    while (rows.next())
        names << rows.value(0).toString();
    return names;
}

StoredPeriod LastStoredPeriod(db::Connection &ksu)
{
    db::Query last(ksu, QStringLiteral("select first 1 ID_OK, ODK, DOK from OKRES order by ID_OK desc"));
    last.execute();
    if (!last.next())
        return {};
    return {last.value(0).toInt(),
            FormatDateYMD(last.value(1).toDate()) + QStringLiteral(" – ") + FormatDateYMD(last.value(2).toDate())};
}

QString componentsWithoutGroupText(const QString &periodDays, const QStringList &names, const QString &consequence)
{
    // A long list is cut: the first names are enough to recognise what happened.
    constexpr qsizetype Shown = 15;
    QStringList lines;
    for (qsizetype i = 0; i < std::min(Shown, names.size()); ++i)
        lines << QStringLiteral("– ") + names[i];
    if (names.size() > Shown)
        lines << QStringLiteral("… i %1 innych").arg(names.size() - Shown);
    return QStringLiteral("Składniki kapitału pożyczkowego okresu %1 nie należą do żadnej grupy słownika:\r")
               .arg(periodDays)
           + lines.join(u'\r') + u'\r' + consequence;
}

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
