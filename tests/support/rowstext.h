#pragma once

#include "db/connection.h"
#include "db/query.h"
#include "reports/reportsheet.h"

#include <QString>
#include <QStringList>

#include <initializer_list>

// A query's rows as text: each row its columns joined by "|", NULL as "<NULL>".
inline QStringList rowsAsText(db::Connection &connection, const QString &sql,
                              std::initializer_list<db::Param> params = {})
{
    db::Query q(connection, sql);
    q.execute(params);
    QStringList rows;
    while (q.next()) {
        QStringList cells;
        for (int c = 0; c < q.columnCount(); ++c)
            cells << (q.value(c).isNull() ? QStringLiteral("<NULL>") : q.value(c).toString());
        rows << cells.join(u'|');
    }
    return rows;
}

// The same as another attachment to the embedded database file sees it: only
// committed work shows.
inline QStringList committedRows(const QString &databasePath, const QString &sql)
{
    db::Connection reader;
    reader.setDatabase(QString(), databasePath);
    reader.open();
    return rowsAsText(reader, sql);
}

// A report sheet's row as its cells joined by "|", without the empty cells at its end.
inline QString sheetRowText(const reports::ReportSheet &sheet, int row)
{
    QStringList cells = sheet.row(row);
    while (!cells.isEmpty() && cells.last().isEmpty())
        cells.removeLast();
    return cells.join(u'|');
}

// The sheet's rows from `first` on, each as sheetRowText gives it.
inline QStringList sheetRowsText(const reports::ReportSheet &sheet, int first = 0)
{
    QStringList rows;
    for (int r = first; r < sheet.rowCount(); ++r)
        rows << sheetRowText(sheet, r);
    return rows;
}
