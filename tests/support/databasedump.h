#pragma once

// The whole content of a database as lines of text, to compare a database before
// and after an action: every row of every user table, all columns, in a fixed order.

#include "db/connection.h"
#include "db/query.h"

#include <QRegularExpression>
#include <QStringList>

#include <stdexcept>

namespace dump {

// Columns left out of a dump, as "TABLE.COLUMN" or "*.COLUMN": values that differ
// between two equal runs (today's date, a key drawn from a sequence, which a
// rolled-back insert advances all the same).
using IgnoredColumns = QStringList;

inline QString cellText(const db::Value &v)
{
    if (v.isNull())
        return QStringLiteral("<null>");
    if (v.kind() == db::Value::Kind::Timestamp)
        return v.toDateTime().toString(Qt::ISODateWithMs);
    return v.toString();
}

// Names cannot be bound as parameters: only plain catalogue identifiers go into a statement.
inline const QString &checkedIdentifier(const QString &name)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Z][A-Z0-9_$]*$"));
    if (!plain.match(name).hasMatch())
        throw std::runtime_error("unexpected identifier in the catalogue: " + name.toStdString());
    return name;
}

inline QStringList userTables(db::Connection &c)
{
    db::Query q(c, QStringLiteral("select trim(rdb$relation_name) from rdb$relations "
                                  "where coalesce(rdb$system_flag, 0) = 0 and rdb$view_blr is null "
                                  "order by rdb$relation_name"));
    q.execute();
    QStringList tables;
    while (q.next())
        tables << checkedIdentifier(q.value(0).toString());
    return tables;
}

inline QStringList tableColumns(db::Connection &c, const QString &table, const IgnoredColumns &ignored)
{
    db::Query q(c, QStringLiteral("select trim(rdb$field_name) from rdb$relation_fields "
                                  "where rdb$relation_name = :d0 order by rdb$field_position"));
    q.execute({table});
    QStringList columns;
    while (q.next()) {
        const QString column = checkedIdentifier(q.value(0).toString());
        if (!ignored.contains(table + u'.' + column) && !ignored.contains(QStringLiteral("*.") + column))
            columns << column;
    }
    return columns;
}

// "TABLE: v1 | v2 | ..." per row, the rows of each table ordered by all their
// columns, the tables by name; a table without rows still gives its name.
// Table and column names come from the database's own catalogue. Left out: the
// lock table BLOKADY, which names who ran the last import, deletion or upgrade,
// and the server's time of a period's last change (its counter stays in).
inline QStringList dumpDatabase(db::Connection &c, IgnoredColumns ignored = {})
{
    ignored << QStringLiteral("OKRES.ZMIENIONO");
    QStringList lines;
    for (const QString &table : userTables(c)) {
        if (table == u"BLOKADY")
            continue;
        const QStringList columns = tableColumns(c, table, ignored);
        lines << QStringLiteral("== ") + table + QStringLiteral(" (") + columns.join(u',') + u')';
        if (columns.isEmpty())
            continue;
        QStringList order;
        for (int i = 1; i <= columns.size(); ++i)
            order << QString::number(i);
        QStringList quoted;
        for (const QString &column : columns)
            quoted << u'"' + column + u'"';
        db::Query q(
            c, QStringLiteral("select %1 from \"%2\" order by %3").arg(quoted.join(u','), table, order.join(u',')));
        q.execute();
        while (q.next()) {
            QStringList cells;
            for (int i = 0; i < columns.size(); ++i)
                cells << cellText(q.value(i));
            lines << table + QStringLiteral(": ") + cells.join(QStringLiteral(" | "));
        }
    }
    return lines;
}

// The dump of a database file opened locally (embedded); the file is closed again.
inline QStringList dumpDatabaseFile(const QString &path, const IgnoredColumns &ignored = {})
{
    db::Connection c;
    c.setDatabase(QString(), path);
    c.open();
    QStringList lines = dumpDatabase(c, ignored);
    c.close();
    return lines;
}

// The first lines where two dumps differ, for a readable failure.
inline QString firstDifference(const QStringList &expected, const QStringList &actual)
{
    for (qsizetype i = 0; i < std::max(expected.size(), actual.size()); ++i) {
        const QString e = expected.value(i, QStringLiteral("<end>"));
        const QString a = actual.value(i, QStringLiteral("<end>"));
        if (e != a)
            return QStringLiteral("line %1: expected \"%2\", found \"%3\"").arg(i + 1).arg(e, a);
    }
    return QString();
}

} // namespace dump
