#include "dictionaryload.h"

#include "common/messages.h"
#include "db/connection.h"
#include "db/error.h"
#include "db/query.h"
#include "dictionaryfile.h"
#include "schemacheck.h"

#include <QFile>

namespace store {

bool LoadDictionary(db::Connection &ksu, const QString &path, Messages &messages)
{
    if (!requireReportingDatabase(ksu, messages))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw db::Error(QStringLiteral("Nie można otworzyć pliku słownika %1: %2").arg(path, file.errorString()));
    const QByteArray contents = file.readAll();
    // A read that fails part-way counts like a rejected entry: the load goes on to
    // the end and is then undone.
    bool failed = file.error() != QFileDevice::NoError;
    file.close();

    {
        db::AtomicWork work(ksu);
        db::Query remove(ksu, QStringLiteral("delete from Slowniki"));
        remove.execute();
        db::Query insert(ksu, QStringLiteral("insert into Slowniki (Nazwa,Kod,Grupa,Rodzaj) values (:d0,:d1,:d2,:d3)"));
        // The number lines go to the database as text: it converts them, and a line
        // that is not a whole number fails that entry.
        for (const DictionaryEntry &entry : dictionaryEntries(dictionaryLines(contents))) {
            try {
                insert.execute({entry.name, entry.kod, entry.grupa, entry.rodzaj});
            } catch (const db::Error &) {
                failed = true;
            }
        }
        if (!failed)
            work.commit();
    }
    if (failed) {
        messages.showWarning(QStringLiteral("Wystąpiły błędy podczas wczytywania nowego składnika"),
                             QStringLiteral("Błąd!"));
        return false;
    }
    messages.showInformation(QStringLiteral("Nowy słownik zaczytany prawidłowo"), applicationTitle());
    return true;
}

} // namespace store
