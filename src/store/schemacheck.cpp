#include "schemacheck.h"

#include "common/messages.h"
#include "db/connection.h"
#include "db/query.h"
#include "schema.h"

#include <QHash>
#include <QRegularExpression>

namespace store {

namespace {

// One column of the program's schema and the least precision its type needs
// (0: not a DECIMAL).
struct ExpectedColumn
{
    QString table;
    QString column;
    int precision = 0;
};

// The columns of every CREATE TABLE of the schema, read from the statements
// themselves so that the schema stays described in one place.
QList<ExpectedColumn> expectedColumns()
{
    static const QRegularExpression createTable(QStringLiteral(R"(^CREATE TABLE (\w+) \((.*)\);?$)"),
                                                QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression decimal(QStringLiteral(R"(DECIMAL\((\d+),)"),
                                            QRegularExpression::CaseInsensitiveOption);
    QList<ExpectedColumn> out;
    for (const QString &statement : reportingSchemaStatements()) {
        const QRegularExpressionMatch m = createTable.match(statement.trimmed());
        if (!m.hasMatch())
            continue;
        const QString table = m.captured(1).toUpper();
        // Split at the commas outside parentheses: "DECIMAL(15,2)" is one type.
        QStringList definitions;
        int depth = 0;
        QString current;
        for (QChar c : m.captured(2)) {
            if (c == u'(')
                ++depth;
            else if (c == u')')
                --depth;
            if (c == u',' && depth == 0) {
                definitions << current;
                current.clear();
            } else {
                current += c;
            }
        }
        definitions << current;
        for (const QString &definition : std::as_const(definitions)) {
            const QString trimmed = definition.trimmed();
            const QString name = trimmed.section(u' ', 0, 0).toUpper();
            const QRegularExpressionMatch d = decimal.match(trimmed);
            out.append({table, name, d.hasMatch() ? d.captured(1).toInt() : 0});
        }
    }
    return out;
}

} // namespace

SchemaCheck checkReportingSchema(db::Connection &ksu)
{
    // Every user column with its precision (NULL for other than exact numbers).
    db::Query query(ksu,
                    QStringLiteral("select trim(rf.rdb$relation_name), trim(rf.rdb$field_name), "
                                   "f.rdb$field_precision from rdb$relation_fields rf join rdb$fields f on "
                                   "f.rdb$field_name = rf.rdb$field_source where coalesce(rf.rdb$system_flag, 0) = 0"));
    query.execute();
    QHash<QString, int> present; // "TABLE.COLUMN" -> precision
    bool hasPeriods = false;
    while (query.next()) {
        const QString table = query.value(0).toString();
        hasPeriods = hasPeriods || table == u"OKRES";
        present.insert(table + u'.' + query.value(1).toString(), int(query.value(2).toInt()));
    }
    query.closeCursor();
    if (!hasPeriods)
        return {SchemaState::NotReporting, QString()};
    for (const ExpectedColumn &c : expectedColumns()) {
        const QString key = c.table + u'.' + c.column;
        const auto found = present.constFind(key);
        if (found == present.cend() || *found < c.precision)
            return {SchemaState::Older, key};
    }
    return {SchemaState::Current, QString()};
}

bool requireReportingDatabase(db::Connection &ksu, Messages &messages, bool allowOlder)
{
    const SchemaCheck check = checkReportingSchema(ksu);
    if (check.state == SchemaState::NotReporting) {
        messages.showError(QStringLiteral("Baza danych %1 nie jest bazą danych programu Tervala (nie ma w niej tabeli "
                                          "OKRES).\rSprawdź ścieżkę Path_ksu w pliku TV.ini.")
                               .arg(ksu.path()),
                           QStringLiteral("Błąd!"));
        return false;
    }
    if (check.state == SchemaState::Older && !allowOlder) {
        messages.showError(QStringLiteral("Baza danych %1 pochodzi ze starszej wersji programu (brak kolumny %2).\r"
                                          "Uaktualnij ją poleceniem menu „Instalacja wersji” (w wierszu poleceń: "
                                          "tervala upgrade-schema).")
                               .arg(ksu.path(), check.missing),
                           QStringLiteral("Błąd!"));
        return false;
    }
    return true;
}

} // namespace store
