// The CSV writer and reader that keep the contracts lists: any rows written come
// back field for field, and any text at all is read without harm.
#include "common/csv.h"
#include "fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::ensureApplication();
    const QString text = fuzz::text(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));

    // The input read as CSV, then the same input as rows: a NUL byte ends a row
    // and a 0x01 byte a field, so that fields hold separators, quotes and line ends.
    (void)csv::parse(text);
    QList<QStringList> rows;
    if (!text.isEmpty()) {
        for (const QString &row : text.split(QChar(0)))
            rows << row.split(QChar(1));
    }
    const QList<QStringList> back = csv::parse(csv::lines(rows));
    FUZZ_CHECK(back == rows, csv::lines(rows));
    return 0;
}
