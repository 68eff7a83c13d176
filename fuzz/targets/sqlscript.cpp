// The access layer's own readers of statement text: db::splitSqlScript (schema
// scripts) and Query::translatePlaceholders (every statement). Neither may lose
// or invent text: the statements of a script hold its characters outside
// comments, and a translated statement differs only where a :dN became "?".
#include "db/query.h"
#include "db/sqlscript.h"
#include "fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::ensureApplication();
    const QString text = fuzz::text(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));

    const QStringList statements = db::splitSqlScript(text);
    for (const QString &s : statements)
        FUZZ_CHECK(!s.isEmpty() && s == s.trimmed(), s);

    std::vector<int> order;
    const QString translated = db::Query::translatePlaceholders(text, &order);
    FUZZ_CHECK(translated.count(u'?') == text.count(u'?') + qsizetype(order.size()), translated);
    for (int n : order)
        FUZZ_CHECK(n >= 0, QString::number(n));
    // Without a placeholder the text is unchanged.
    if (order.empty())
        FUZZ_CHECK(translated == text, translated);
    // Each placeholder replaced its ":dN" and nothing else: putting the numbers back
    // in order gives the original text.
    QString rebuilt;
    size_t next = 0;
    qsizetype from = 0;
    while (true) {
        const qsizetype mark = translated.indexOf(u'?', from);
        if (mark < 0)
            break;
        rebuilt += QStringView(translated).mid(from, mark - from);
        from = mark + 1;
        const qsizetype at = rebuilt.size();
        if (text.mid(at, 1) == u"?") {
            rebuilt += u'?';
            continue;
        }
        FUZZ_CHECK(next < order.size(), translated);
        // The original spelling: ":d" or ":D" followed by the digits as written.
        qsizetype j = at + 2;
        while (j < text.size() && text[j] >= u'0' && text[j] <= u'9')
            ++j;
        rebuilt += QStringView(text).mid(at, j - at);
        const QStringView digits = QStringView(text).mid(at + 2, j - at - 2);
        FUZZ_CHECK(digits.toInt() == order[next],
                   digits.toString() + QStringLiteral(" read as ") + QString::number(order[next]));
        ++next;
    }
    rebuilt += QStringView(translated).mid(from);
    FUZZ_CHECK(rebuilt == text, QStringLiteral("placeholders rebuilt differ: ") + rebuilt);
    FUZZ_CHECK(next == order.size(), translated);
    return 0;
}
