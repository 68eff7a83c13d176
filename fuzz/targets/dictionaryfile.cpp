// The component dictionary file (menu "Wczytaj słownik") and its entries.
#include "db/textcodec.h"
#include "fuzzsupport.h"
#include "store/dictionaryfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::ensureApplication();
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList lines = store::dictionaryLines(input);
    const QList<store::DictionaryEntry> entries = store::dictionaryEntries(lines);
    const QStringList names = store::dictionaryNameLines(lines);

    FUZZ_CHECK(entries.size() == lines.size() / 4, QString::number(entries.size()));
    FUZZ_CHECK(names.size() == (lines.size() + 3) / 4, QString::number(names.size()));
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const store::DictionaryEntry &e = entries[i];
        FUZZ_CHECK(e.name == lines[4 * i] && e.kod == lines[4 * i + 1] && e.grupa == lines[4 * i + 2]
                       && e.rodzaj == lines[4 * i + 3],
                   QString::number(i));
        FUZZ_CHECK(names[i] == e.name, e.name);
    }

    // No line carries a line end, and the lines written back with CR LF in the
    // encoding they were read in read the same (UTF-8 with its byte-order mark, so
    // that the encoding is told apart whatever the letters).
    const bool utf8 = store::isUtf8Dictionary(input);
    QByteArray written = utf8 ? QByteArray("\xEF\xBB\xBF") : QByteArray();
    bool encodable = true;
    for (const QString &line : lines) {
        FUZZ_CHECK(!line.contains(u'\r') && !line.contains(u'\n'), line);
        encodable = encodable && (utf8 || db::fitsWin1250(line));
        written += (utf8 ? line.toUtf8() : db::toWin1250(line)) + "\r\n";
    }
    // (Dropping stray CRs can join Windows-1250 bytes into valid UTF-8; such a
    // file reads as UTF-8 and is no test of the round trip.)
    if (encodable && store::isUtf8Dictionary(written) == utf8)
        FUZZ_CHECK(store::dictionaryLines(written) == lines, QStringLiteral("lines written back differ"));
    // The checks of a file never fail on any input.
    (void)store::dictionaryFault(input, lines);

    // A line ending with LF alone reads like one ending with CR LF.
    QByteArray lf = input;
    lf.replace("\r\n", "\n");
    FUZZ_CHECK(store::dictionaryLines(lf) == lines, QStringLiteral("CR LF and LF read differently"));
    return 0;
}
