#pragma once

#include "money.h"
#include "value.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <initializer_list>
#include <optional>
#include <variant>
#include <vector>

namespace Firebird {
class IStatement;
class IResultSet;
class IMessageMetadata;
} // namespace Firebird

namespace db {

class Connection;

// A statement parameter: text, integer, floating-point, date, date-time, an
// exact money amount, or NULL.
class Param
{
public:
    Param() = default;
    Param(const QString &v) : m_value(v) {}
    Param(const char *v) : m_value(QString::fromUtf8(v)) {}
    Param(int v) : m_value(qint64(v)) {}
    Param(qint64 v) : m_value(v) {}
    Param(double v) : m_value(v) {}
    Param(QDate v) : m_value(v) {}
    Param(const QDateTime &v) : m_value(v) {}
    Param(Money v) : m_value(v) {}
    Param(const std::optional<Money> &v)
    {
        if (v)
            m_value = *v;
    }

    using Variant = std::variant<std::monostate, QString, qint64, double, QDate, QDateTime, Money>;
    const Variant &value() const { return m_value; }

private:
    Variant m_value;
};

// A prepared statement on one connection, run in the connection's transaction.
// Parameters are written :d0, :d1, ... (case-insensitive) and bound by number; a
// number may appear more than once. Prepare once, execute as often as needed.
class Query
{
public:
    Query(Connection &connection, const QString &sql);
    ~Query();
    Query(const Query &) = delete;
    Query &operator=(const Query &) = delete;

    // How many distinct :dN numbers the text uses (highest N + 1).
    int parameterCount() const { return int(m_params.size()); }
    void bind(int index, const Param &value);

    // Runs the statement with the bound values. A select opens its rows for next().
    void execute();
    void execute(std::initializer_list<Param> values);
    bool next();
    // For a statement that may take long before its first row: `heartbeat` is
    // called every few milliseconds while execute() (with the preparing on the
    // first one) and the first next() wait for the engine, so that the window
    // can redraw meanwhile.
    void setHeartbeat(std::function<void()> heartbeat) { m_heartbeat = std::move(heartbeat); }
    void closeCursor();

    int columnCount() const { return int(m_columnNames.size()); }
    QString columnName(int index) const { return m_columnNames.at(index); }
    const Value &value(int index) const;
    const Value &value(QStringView columnName) const;
    bool hasColumn(QStringView columnName) const { return columnIndex(columnName) >= 0; }

    // Turns ":d0 ... :d1 ... :d0" into "? ... ? ... ?" and the order of the numbers.
    static QString translatePlaceholders(const QString &sql, std::vector<int> *order);

private:
    friend class Connection;
    void releaseHandles();
    void prepare();
    void buildInput();
    void readRow();
    int columnIndex(QStringView name) const;
    Value readColumn(unsigned index) const;

    struct ColumnLayout;
    Connection &m_connection;
    QString m_sql;
    QByteArray m_translated;
    std::vector<int> m_order;
    std::vector<Param> m_params;
    Firebird::IStatement *m_statement = nullptr;
    Firebird::IResultSet *m_cursor = nullptr;
    Firebird::IMessageMetadata *m_outMeta = nullptr;
    QByteArray m_outBuffer;
    QStringList m_columnNames;
    std::vector<ColumnLayout> m_layout;
    std::vector<Value> m_row;
    bool m_singletonPending = false;
    bool m_hasCursor = false;
    // The connection was closed while rows were still open: they did not end, they were lost.
    bool m_cursorLost = false;
    std::function<void()> m_heartbeat;
    bool m_awaitingFirstRow = false;
};

} // namespace db
