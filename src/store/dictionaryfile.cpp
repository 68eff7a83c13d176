#include "dictionaryfile.h"

#include "db/textcodec.h"

#include <QFile>

#include <stdexcept>

namespace store {

QStringList dictionaryLines(QByteArrayView contents)
{
    QStringList lines;
    QByteArray line;
    bool open = false; // a line has begun and is not ended yet
    // A carriage return never reaches a line: before a line feed it belongs to the
    // line end, anywhere else it is dropped.
    for (const char c : contents) {
        if (c == '\n') {
            lines << db::fromWin1250(line);
            line.clear();
            open = false;
        } else if (c != '\r') {
            line += c;
            open = true;
        }
    }
    if (open)
        lines << db::fromWin1250(line);
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

QStringList readDictionaryFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(
            QStringLiteral("Nie można otworzyć pliku słownika %1: %2").arg(path, file.errorString()).toStdString());
    const QByteArray contents = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw std::runtime_error(
            QStringLiteral("Nie można odczytać pliku słownika %1: %2").arg(path, file.errorString()).toStdString());
    return dictionaryLines(contents);
}

} // namespace store
