#pragma once

// CSV files as spreadsheets in Poland read them: fields separated by ";" (the
// comma is the decimal separator), quoted as RFC 4180 says, lines ended by CRLF,
// UTF-8 with a byte order mark so that Polish letters come out right.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace csv {

inline constexpr QChar Separator = u';';

// The field as written: in double quotes, with each quote doubled, when it holds
// the separator, a quote, a line break or blanks at either end; as it is otherwise.
QString field(const QString &text);
// The fields of one line, without its end.
QString line(const QStringList &fields);
// Every row as a line ended by CRLF.
QString lines(const QList<QStringList> &rows);
// A whole file: the byte order mark, then lines(rows).
QByteArray document(const QList<QStringList> &rows);
// The rows of `text` as `lines` writes them, quoted fields unquoted; a line may
// end in CRLF or LF, and the last one without an end.
QList<QStringList> parse(QStringView text);
// Writes document(rows) to `path`, whole or not at all. Throws FileError with a
// Polish message naming the file when it cannot be written.
void writeFile(const QString &path, const QList<QStringList> &rows);

} // namespace csv
