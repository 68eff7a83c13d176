#include "reportreads.h"

#include "db/connection.h"
#include "db/query.h"

namespace store {

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
