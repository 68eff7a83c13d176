#include "versioncheck.h"

#include "common/messages.h"
#include "db/connection.h"
#include "db/error.h"
#include "db/query.h"

namespace import {

LokraVersionVerdict judgeLokraVersion(const QString &version)
{
    QString digits;
    for (QChar c : version) {
        if (c >= u'0' && c <= u'9')
            digits += c;
    }
    if (digits.isEmpty())
        throw db::Error(
            QStringLiteral("Nie można odczytać numeru wersji programu Lokra: \"%1\" nie zawiera cyfr").arg(version));
    const int n = digits.left(2).toInt();
    if (n >= 17)
        return LokraVersionVerdict::Recent;
    if (n < 16)
        return LokraVersionVerdict::TooOld;
    // Third character from the end, counted from 1; a position below 1 counts as 1.
    const qsizetype position = std::max<qsizetype>(1, version.size() - 2);
    const QChar letter = version.at(position - 1);
    return letter >= u'P' && letter <= u'Z' ? LokraVersionVerdict::Recent : LokraVersionVerdict::TooOld;
}

QString readLokraVersion(db::Connection &lokra)
{
    db::Query query(lokra, QStringLiteral("select wersja from firma;"));
    query.execute();
    QString version = query.next() ? query.value(0).toString() : QString();
    query.closeCursor();
    return version;
}

bool CheckLoanSystemVersion(db::Connection &lokra, Messages &messages)
{
    if (judgeLokraVersion(readLokraVersion(lokra)) == LokraVersionVerdict::Recent)
        return false;
    messages.showWarning(QStringLiteral("Brak wymaganej wersji orpogramowania lokra, aby móc korzystać w pełni z "
                                        "Tervala należy zainstalować aktualizację przynajmniej do wersji 4.16P"),
                         QStringLiteral("Ostrzeżenie"));
    return true;
}

} // namespace import
