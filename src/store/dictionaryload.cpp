#include "dictionaryload.h"

#include "common/failures.h"
#include "common/messages.h"
#include "db/connection.h"
#include "db/error.h"
#include "db/query.h"
#include "dictionaryfile.h"
#include "reportreads.h"
#include "schemacheck.h"

#include <QFile>

namespace store {

namespace {

void showRefusal(Messages &messages, const QString &cause)
{
    messages.showWarning(QStringLiteral("Wystąpiły błędy podczas wczytywania nowego składnika\r") + cause
                             + QStringLiteral("\rSłownik pozostał bez zmian."),
                         QStringLiteral("Błąd!"));
}

// The period whose components the new dictionary is held against: the open one, or
// else the newest, whose components the next import carries over.
StoredPeriod periodToCompare(db::Connection &ksu, const OpenPeriod &period)
{
    if (!period.isOpen)
        return LastStoredPeriod(ksu);
    return {period.id(), period.PeriodStartText + QStringLiteral(" – ") + period.PeriodEndText};
}

} // namespace

bool LoadDictionary(db::Connection &ksu, const QString &path, Messages &messages, const OpenPeriod &period)
{
    if (!requireReportingDatabase(ksu, messages))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw db::Error(explainFileFailure(path, file, FileAccess::Read)
                            .text(QStringLiteral("Nie można otworzyć pliku słownika %1: ").arg(path)));
    const QByteArray contents = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        showRefusal(
            messages,
            explainFileFailure(path, file, FileAccess::Read).text(QStringLiteral("Nie udało się odczytać pliku: ")));
        return false;
    }
    file.close();

    // A file that cannot be a dictionary is refused before the old one is touched:
    // an empty or unreadable file must not leave the fund with no dictionary.
    const QStringList lines = dictionaryLines(contents);
    if (const QString fault = dictionaryFault(contents, lines); !fault.isEmpty()) {
        showRefusal(messages, fault);
        return false;
    }

    QString rejected;
    {
        db::AtomicWork work(ksu);
        db::Query remove(ksu, QStringLiteral("delete from Slowniki"));
        remove.execute();
        db::Query insert(ksu, QStringLiteral("insert into Slowniki (Nazwa,Kod,Grupa,Rodzaj) values (:d0,:d1,:d2,:d3)"));
        // The number lines go to the database as text: it converts them, and a line
        // that is not a whole number fails that entry.
        const QList<DictionaryEntry> entries = dictionaryEntries(lines);
        for (qsizetype i = 0; i < entries.size(); ++i) {
            const DictionaryEntry &entry = entries[i];
            try {
                insert.execute({entry.name, entry.kod, entry.grupa, entry.rodzaj});
            } catch (const db::Error &) {
                if (rejected.isEmpty())
                    rejected = QStringLiteral("Baza danych nie przyjęła wpisu z wierszy %1–%2 („%3”).")
                                   .arg(4 * i + 1)
                                   .arg(4 * i + 4)
                                   .arg(entry.name);
            }
        }
        if (rejected.isEmpty())
            work.commit();
    }
    if (!rejected.isEmpty()) {
        showRefusal(messages, rejected);
        return false;
    }
    messages.showInformation(QStringLiteral("Nowy słownik zaczytany prawidłowo"), applicationTitle());

    const StoredPeriod compared = periodToCompare(ksu, period);
    if (compared.id != 0) {
        const QStringList ungrouped = ComponentsOutsideDictionaryGroups(ksu, compared.id);
        if (!ungrouped.isEmpty())
            messages.showWarning(
                componentsWithoutGroupText(
                    compared.days, ungrouped,
                    QStringLiteral("Nie trafią do pliku XML ani na wydruk. Dodaj je na stronie „Kapitał pożyczkowy” "
                                   "do grup nowego słownika albo wczytaj słownik, w którym są ich grupy.")),
                QStringLiteral("Składniki bez grupy"));
    }
    return true;
}

} // namespace store
