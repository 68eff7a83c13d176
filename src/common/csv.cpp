#include "csv.h"

#include "failures.h"
#include "fileerror.h"

#include <QDir>
#include <QSaveFile>

#include <utility>

namespace csv {

QString field(const QString &text)
{
    const bool quoted = text.contains(Separator) || text.contains(u'"') || text.contains(u'\r') || text.contains(u'\n')
                        || (!text.isEmpty() && (text.front().isSpace() || text.back().isSpace()));
    if (!quoted)
        return text;
    QString escaped = text;
    escaped.replace(u'"', QStringLiteral("\"\""));
    return u'"' + escaped + u'"';
}

QString line(const QStringList &fields)
{
    QStringList written;
    written.reserve(fields.size());
    for (const QString &f : fields)
        written << field(f);
    return written.join(Separator);
}

QString lines(const QList<QStringList> &rows)
{
    QString out;
    for (const QStringList &row : rows)
        out += line(row) + QStringLiteral("\r\n");
    return out;
}

QByteArray document(const QList<QStringList> &rows)
{
    return "\xEF\xBB\xBF" + lines(rows).toUtf8();
}

QList<QStringList> parse(QStringView text)
{
    QList<QStringList> rows;
    QStringList row;
    qsizetype at = 0;
    while (at < text.size()) {
        QString value;
        if (text[at] == u'"') {
            // Up to the quote that is not doubled; everything between is the field's.
            ++at;
            for (;;) {
                const qsizetype quote = text.indexOf(u'"', at);
                if (quote < 0) {
                    value += text.mid(at);
                    at = text.size();
                    break;
                }
                value += text.mid(at, quote - at);
                at = quote + 1;
                if (at >= text.size() || text[at] != u'"')
                    break;
                value += u'"';
                ++at;
            }
        }
        // An unquoted field, or what follows a closing quote, runs to the separator or the line's end.
        qsizetype end = at;
        while (end < text.size() && text[end] != Separator && text[end] != u'\n')
            ++end;
        QStringView rest = text.mid(at, end - at);
        if (rest.endsWith(u'\r') && end < text.size())
            rest.chop(1);
        value += rest;
        row << value;
        at = end + 1;
        if (end >= text.size() || text[end] == u'\n')
            rows << std::exchange(row, {});
    }
    if (!row.isEmpty()) // the text ends with a separator: an empty last field
        rows << (row << QString());
    return rows;
}

void writeFile(const QString &path, const QList<QStringList> &rows)
{
    const QByteArray content = document(rows);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit())
        throw FileError(explainFileFailure(path, file, FileAccess::Write)
                            .text(QStringLiteral("Nie można zapisać pliku %1: ").arg(QDir::toNativeSeparators(path))));
}

} // namespace csv
