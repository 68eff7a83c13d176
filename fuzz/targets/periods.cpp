// The four period combo texts (typed by the user or given on the command line):
// isValidPeriodChoice, then periodBounds for a valid choice, as the opening and
// the import run them. A period that passes is a real span of days that the
// reporting database can store: first day before last, years 1 to 9999.
#include "db/error.h"
#include "fuzzsupport.h"
#include "store/periods.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::ensureApplication();
    const QList<QByteArray> part = fuzz::parts(data, size, 4);
    const store::PeriodChoice choice{fuzz::text(part[0]), fuzz::text(part[1]), fuzz::text(part[2]),
                                     fuzz::text(part[3])};
    const QString shown =
        QStringLiteral("%1/%2 - %3/%4").arg(choice.fromMonth, choice.fromYear, choice.toMonth, choice.toYear);
    if (!store::isValidPeriodChoice(choice))
        return 0;
    store::PeriodBounds b;
    try {
        b = store::periodBounds(choice);
    } catch (const db::Error &e) {
        FUZZ_CHECK(!e.message().isEmpty(), shown);
        return 0;
    }
    FUZZ_CHECK(b.start.isValid() && b.end.isValid(), shown);
    FUZZ_CHECK(b.start < b.end, shown);
    FUZZ_CHECK(b.start.time() == QTime(0, 0) && b.start.date().day() == 1, shown);
    FUZZ_CHECK(b.end.time() == QTime(23, 59, 59, 999) && b.end.date().addDays(1).day() == 1, shown);
    FUZZ_CHECK(b.start.date().year() >= 1 && b.end.date().year() <= 9999, shown);
    const QString first = store::FormatDateYMD(b.start.date());
    const QString last = store::FormatDateYMD(b.end.date());
    FUZZ_CHECK(QDate::fromString(first, Qt::ISODate) == b.start.date(), first);
    FUZZ_CHECK(QDate::fromString(last, Qt::ISODate) == b.end.date(), last);
    return 0;
}
