#include "dictionaryfile.h"

#include "common/failures.h"
#include "db/textcodec.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace store {

namespace {

constexpr QByteArrayView Utf8Bom("\xEF\xBB\xBF");

bool isAscii(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool isValidUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString ignored = decoder.decode(bytes);
    return !decoder.hasError();
}

QString numberLineFault(const QString &line, qsizetype lineNumber)
{
    bool ok = false;
    line.trimmed().toInt(&ok);
    if (ok)
        return {};
    return QStringLiteral("Wiersz %1 powinien zawierać liczbę całkowitą, a zawiera „%2”.").arg(lineNumber).arg(line);
}

} // namespace

bool isUtf8Dictionary(QByteArrayView contents)
{
    return contents.startsWith(Utf8Bom) || (!isAscii(contents) && isValidUtf8(contents));
}

QStringList dictionaryLines(QByteArrayView contents)
{
    const bool utf8 = isUtf8Dictionary(contents);
    if (contents.startsWith(Utf8Bom))
        contents = contents.sliced(Utf8Bom.size());
    // The file's own byte-order mark is gone; one at the start of a line is a
    // character of that line.
    QStringDecoder fromUtf8(QStringDecoder::Utf8,
                            QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    const auto decoded = [&](const QByteArray &line) {
        return utf8 ? QString(fromUtf8.decode(line)) : db::fromWin1250(line);
    };
    QStringList lines;
    QByteArray line;
    bool open = false; // a line has begun and is not ended yet
    // A carriage return never reaches a line: before a line feed it belongs to the
    // line end, anywhere else it is dropped.
    for (const char c : contents) {
        if (c == '\n') {
            lines << decoded(line);
            line.clear();
            open = false;
        } else if (c != '\r') {
            line += c;
            open = true;
        }
    }
    if (open)
        lines << decoded(line);
    return lines;
}

QList<DictionaryEntry> dictionaryEntries(const QStringList &lines)
{
    QList<DictionaryEntry> entries;
    entries.reserve(lines.size() / 4);
    for (qsizetype i = 0; i + 3 < lines.size(); i += 4)
        entries.append({lines[i], lines[i + 1], lines[i + 2], lines[i + 3]});
    return entries;
}

QStringList dictionaryNameLines(const QStringList &lines)
{
    QStringList names;
    names.reserve((lines.size() + 3) / 4);
    for (qsizetype i = 0; i < lines.size(); i += 4)
        names << lines[i];
    return names;
}

QString dictionaryFault(QByteArrayView contents, const QStringList &lines)
{
    if (contents.startsWith("\xFF\xFE") || contents.startsWith("\xFE\xFF"))
        return QStringLiteral("Plik jest zapisany w kodowaniu UTF-16. Zapisz go ponownie jako UTF-8 albo Windows-1250 "
                              "(ANSI) i wczytaj jeszcze raz.");
    if (contents.contains('\0'))
        return QStringLiteral("Plik nie jest plikiem tekstowym. Wybierz plik słownika zapisany jako tekst.");
    if (std::all_of(lines.begin(), lines.end(), [](const QString &line) { return line.trimmed().isEmpty(); }))
        return QStringLiteral("Plik jest pusty.");
    const QList<DictionaryEntry> entries = dictionaryEntries(lines);
    if (entries.isEmpty())
        return QStringLiteral("Plik nie zawiera ani jednego pełnego wpisu: każdy wpis to cztery wiersze (nazwa, kod, "
                              "kod grupy – 0 dla grupy, rodzaj).");
    bool anyGroup = false;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const DictionaryEntry &e = entries[i];
        const qsizetype first = 4 * i + 1; // line numbers count from 1
        if (e.name.size() > DictionaryNameLength)
            return QStringLiteral("Nazwa w wierszu %1 ma %2 znaków, a mieści się najwyżej %3.")
                .arg(first)
                .arg(e.name.size())
                .arg(DictionaryNameLength);
        if (!db::fitsWin1250(e.name))
            return QStringLiteral("Nazwa w wierszu %1 („%2”) zawiera znak spoza polskiego alfabetu, którego nie da się "
                                  "zapisać w bazie danych.")
                .arg(first)
                .arg(e.name);
        for (const auto &[line, offset] : {std::pair{&e.kod, 1}, std::pair{&e.grupa, 2}, std::pair{&e.rodzaj, 3}}) {
            QString fault = numberLineFault(*line, first + offset);
            if (!fault.isEmpty())
                return fault;
        }
        anyGroup = anyGroup || e.grupa.trimmed().toInt() == 0;
    }
    if (!anyGroup)
        return QStringLiteral("Plik nie zawiera żadnej grupy (wpisu z 0 w trzecim wierszu), więc żaden składnik nie "
                              "miałby swojej grupy.");
    return {};
}

QStringList readDictionaryFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(explainFileFailure(path, file, FileAccess::Read)
                                     .text(QStringLiteral("Nie można otworzyć pliku słownika %1: ").arg(path))
                                     .toStdString());
    const QByteArray contents = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw std::runtime_error(explainFileFailure(path, file, FileAccess::Read)
                                     .text(QStringLiteral("Nie można odczytać pliku słownika %1: ").arg(path))
                                     .toStdString());
    return dictionaryLines(contents);
}

} // namespace store
