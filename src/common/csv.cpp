#include "csv.h"

#include "fileerror.h"

#include <QDir>
#include <QSaveFile>

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

QByteArray document(const QList<QStringList> &rows)
{
    QByteArray out("\xEF\xBB\xBF");
    for (const QStringList &row : rows)
        out += line(row).toUtf8() + "\r\n";
    return out;
}

void writeFile(const QString &path, const QList<QStringList> &rows)
{
    const QByteArray content = document(rows);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit())
        throw FileError(
            QStringLiteral("Nie można zapisać pliku %1: %2").arg(QDir::toNativeSeparators(path), file.errorString()));
}

} // namespace csv
