// What the update server sends: the version file's first line (versionNumber) and
// the published dictionary compared with the local one (dictionaryIsCurrent).
#include "db/textcodec.h"
#include "fuzzsupport.h"
#include "store/dictionaryfile.h"
#include "workflow/onlinecheck.h"

#include <limits>

namespace {

// The digits "0" to "9" of the text in their order.
QString digitsOf(QStringView text)
{
    QString digits;
    for (QChar c : text) {
        if (c >= u'0' && c <= u'9')
            digits += c;
    }
    return digits;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::ensureApplication();
    const QList<QByteArray> part = fuzz::parts(data, size, 3);

    // Wersja.txt: Windows-1250 bytes; the running title: any text.
    for (const QString &text : {db::fromWin1250(part[0]), fuzz::text(part[0])}) {
        const std::optional<int> number = online::versionNumber(text);
        const QString digits = digitsOf(text);
        if (digits.isEmpty()) {
            FUZZ_CHECK(!number, text);
            continue;
        }
        qsizetype lead = 0;
        while (lead < digits.size() && digits[lead] == u'0')
            ++lead;
        const QStringView significant = QStringView(digits).mid(lead);
        const qulonglong value = significant.isEmpty() ? 0 : significant.toULongLong();
        if (significant.size() > 10 || value > qulonglong(std::numeric_limits<int>::max()))
            FUZZ_CHECK(!number, text);
        else
            FUZZ_CHECK(number && qulonglong(*number) == value, text);
    }

    // Slownik.txt and the local names: equal names are current, a local row beyond
    // the published ones is a difference, published rows beyond the local ones are not.
    const QStringList published = store::dictionaryNameLines(store::dictionaryLines(part[1]));
    const QStringList local = store::dictionaryNameLines(store::dictionaryLines(part[2]));
    const bool current = online::dictionaryIsCurrent(local, published);
    FUZZ_CHECK(current == (local.size() <= published.size() && published.mid(0, local.size()) == local),
               QStringLiteral("dictionary comparison"));
    FUZZ_CHECK(online::dictionaryIsCurrent(published, published), QStringLiteral("a dictionary differs from itself"));
    FUZZ_CHECK(online::dictionaryIsCurrent(published.mid(0, published.size() / 2), published),
               QStringLiteral("prefix"));
    FUZZ_CHECK(!online::dictionaryIsCurrent(published + QStringList{QString()}, published),
               QStringLiteral("extra row"));
    return 0;
}
