#include "query.h"

#include "connection.h"
#include "fbapi.h"
#include "textcodec.h"
#include "whilebeating.h"

#include <algorithm>
#include <cstring>
#include <optional>

using namespace Firebird;

namespace db {

namespace {

// The highest :dN a statement may use.
constexpr int MaxPlaceholder = 9999;

// Firebird counts dates from 1858-11-17 and times in ten-thousandths of a second.
constexpr qint64 FirebirdEpochJulianDay = 2400001;

ISC_DATE encodeDate(QDate d)
{
    return ISC_DATE(d.toJulianDay() - FirebirdEpochJulianDay);
}

ISC_TIME encodeTime(QTime t)
{
    return ISC_TIME(t.msecsSinceStartOfDay()) * 10;
}

QDate decodeDate(ISC_DATE d)
{
    return QDate::fromJulianDay(qint64(d) + FirebirdEpochJulianDay);
}

QTime decodeTime(ISC_TIME t)
{
    return QTime::fromMSecsSinceStartOfDay(int(t / 10));
}

template <typename T>
T readAt(const char *buffer, unsigned offset)
{
    T v;
    std::memcpy(&v, buffer + offset, sizeof v);
    return v;
}

template <typename T>
void writeAt(char *buffer, unsigned offset, T v)
{
    std::memcpy(buffer + offset, &v, sizeof v);
}

bool isBlob(unsigned type)
{
    return (type & ~1u) == SQL_BLOB;
}

// A new blob in `transaction` holding `bytes`, which the statement then links to its row.
ISC_QUAD writeBlob(ThrowStatusWrapper *s, IAttachment *attachment, ITransaction *transaction, const QByteArray &bytes)
{
    // A segment's length is a 16-bit number.
    constexpr qsizetype SegmentSize = 32768;
    ISC_QUAD id{};
    IBlob *blob = attachment->createBlob(s, transaction, &id, 0, nullptr);
    try {
        for (qsizetype at = 0; at < bytes.size(); at += SegmentSize)
            blob->putSegment(s, unsigned(std::min(SegmentSize, bytes.size() - at)), bytes.constData() + at);
        blob->close(s);
    } catch (...) {
        blob->release();
        throw;
    }
    return id;
}

} // namespace

struct Query::ColumnLayout
{
    unsigned type;
    int scale;
    unsigned length;
    unsigned offset;
    unsigned nullOffset;
    int subType;
};

QString Query::translatePlaceholders(const QString &sql, std::vector<int> *order)
{
    QString out;
    out.reserve(sql.size());
    const qsizetype n = sql.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = sql[i];
        if (c == u'\'' || c == u'"') {
            // Copy a quoted literal or identifier whole; a doubled quote stays inside.
            const qsizetype start = i;
            for (++i; i < n; ++i) {
                if (sql[i] == c) {
                    if (i + 1 < n && sql[i + 1] == c)
                        ++i;
                    else
                        break;
                }
            }
            out += QStringView(sql).mid(start, i - start + 1);
            continue;
        }
        if (c == u'-' && i + 1 < n && sql[i + 1] == u'-') {
            const qsizetype end = sql.indexOf(u'\n', i);
            const qsizetype stop = end < 0 ? n : end;
            out += QStringView(sql).mid(i, stop - i);
            i = stop - 1;
            continue;
        }
        if (c == u'/' && i + 1 < n && sql[i + 1] == u'*') {
            const qsizetype end = sql.indexOf(QStringLiteral("*/"), i + 2);
            const qsizetype stop = end < 0 ? n : end + 2;
            out += QStringView(sql).mid(i, stop - i);
            i = stop - 1;
            continue;
        }
        if (c == u':' && i + 2 < n && (sql[i + 1] == u'd' || sql[i + 1] == u'D') && sql[i + 2].isDigit()) {
            qsizetype j = i + 2;
            int number = 0;
            while (j < n && sql[j].isDigit() && sql[j].unicode() < 128)
                number = std::min(number * 10 + (sql[j++].unicode() - '0'), MaxPlaceholder + 1);
            const bool endsHere = j == n || !(sql[j].isLetterOrNumber() || sql[j] == u'_' || sql[j] == u'$');
            // A longer number is no placeholder of ours: Firebird rejects the text
            // with its own message instead of the query reserving that many values.
            if (endsHere && number <= MaxPlaceholder) {
                order->push_back(number);
                out += u'?';
                i = j - 1;
                continue;
            }
        }
        out += c;
    }
    return out;
}

Query::Query(Connection &connection, const QString &sql) : m_connection(connection), m_sql(sql)
{
    m_translated = toWin1250(translatePlaceholders(sql, &m_order));
    int count = 0;
    for (int n : m_order)
        count = std::max(count, n + 1);
    m_params.resize(count);
    m_connection.registerQuery(this);
    try {
        prepare();
    } catch (...) {
        // No destructor runs for a constructor that throws.
        m_connection.unregisterQuery(this);
        releaseHandles();
        throw;
    }
}

Query::~Query()
{
    m_connection.unregisterQuery(this);
    releaseHandles();
}

void Query::releaseHandles()
{
    if (m_cursor) {
        m_cursor->release();
        m_cursor = nullptr;
        m_cursorLost = true;
    }
    if (m_outMeta) {
        m_outMeta->release();
        m_outMeta = nullptr;
    }
    if (m_statement) {
        m_statement->release();
        m_statement = nullptr;
    }
    m_singletonPending = false;
}

void Query::prepare()
{
    IAttachment *attachment = m_connection.attachment();
    ITransaction *transaction = m_connection.transaction();
    fb::call(m_connection, [&](ThrowStatusWrapper *s) {
        m_statement =
            attachment->prepare(s, transaction, 0, m_translated.constData(), 3, IStatement::PREPARE_PREFETCH_METADATA);
        m_hasCursor = (m_statement->getFlags(s) & IStatement::FLAG_HAS_CURSOR) != 0;
        m_outMeta = m_statement->getOutputMetadata(s);
        const unsigned count = m_outMeta->getCount(s);
        m_outBuffer = QByteArray(int(m_outMeta->getMessageLength(s)), '\0');
        m_columnNames.clear();
        m_layout.clear();
        for (unsigned i = 0; i < count; ++i) {
            m_columnNames << QString::fromUtf8(m_outMeta->getAlias(s, i));
            m_layout.push_back({m_outMeta->getType(s, i) & ~1u, m_outMeta->getScale(s, i), m_outMeta->getLength(s, i),
                                m_outMeta->getOffset(s, i), m_outMeta->getNullOffset(s, i),
                                m_outMeta->getSubType(s, i)});
        }
    });
    m_row.assign(m_columnNames.size(), Value());
}

void Query::bind(int index, const Param &value)
{
    if (index < 0 || index >= int(m_params.size()))
        throw Error(QStringLiteral("Parametr :d%1 nie występuje w zapytaniu").arg(index));
    m_params[index] = value;
}

void Query::execute(std::initializer_list<Param> values)
{
    int i = 0;
    for (const Param &p : values)
        bind(i++, p);
    execute();
}

void Query::execute()
{
    // Preparing a long statement takes a while too.
    if (!m_statement)
        whileBeating(m_heartbeat, [this] { prepare(); });
    closeCursor();
    m_cursorLost = false;
    IAttachment *attachment = m_connection.attachment();
    ITransaction *transaction = m_connection.transaction();
    const unsigned charSet = m_connection.win1250CharSetId();
    whileBeating(m_heartbeat, [&] {
        fb::call(m_connection, [&](ThrowStatusWrapper *s) {
            IMessageMetadata *inMeta = nullptr;
            QByteArray inBuffer;
            struct Release
            {
                IMessageMetadata *&m;
                ~Release()
                {
                    if (m)
                        m->release();
                }
            } releaseIn{inMeta};
            if (!m_order.empty()) {
                IMessageMetadata *described = m_statement->getInputMetadata(s);
                IMetadataBuilder *builder = described->getBuilder(s);
                std::vector<QByteArray> texts(m_order.size());
                std::vector<std::optional<ISC_QUAD>> blobs(m_order.size());
                for (unsigned i = 0; i < m_order.size(); ++i) {
                    const Param::Variant &v = m_params[m_order[i]].value();
                    if (std::holds_alternative<std::monostate>(v)) {
                        builder->setType(s, i, described->getType(s, i) | 1);
                    } else if (auto text = std::get_if<QString>(&v); text && isBlob(described->getType(s, i))) {
                        // A text of any length: written as a blob first, bound by its id.
                        blobs[i] = writeBlob(s, attachment, transaction, toWin1250(*text));
                        builder->setType(s, i, SQL_BLOB + 1);
                        builder->setLength(s, i, sizeof(ISC_QUAD));
                        builder->setSubType(s, i, described->getSubType(s, i));
                        builder->setCharSet(s, i, charSet);
                        builder->setScale(s, i, 0);
                    } else if (text) {
                        texts[i] = toWin1250(*text);
                        builder->setType(s, i, SQL_VARYING + 1);
                        builder->setLength(s, i, unsigned(std::max<qsizetype>(1, texts[i].size())));
                        builder->setCharSet(s, i, charSet);
                        builder->setSubType(s, i, 0);
                        builder->setScale(s, i, 0);
                    } else if (std::holds_alternative<qint64>(v) || std::holds_alternative<Money>(v)) {
                        builder->setType(s, i, SQL_INT64 + 1);
                        builder->setLength(s, i, sizeof(qint64));
                        builder->setSubType(s, i, 0);
                        builder->setScale(s, i, std::holds_alternative<Money>(v) ? -Money::Decimals : 0);
                    } else if (std::holds_alternative<double>(v)) {
                        builder->setType(s, i, SQL_DOUBLE + 1);
                        builder->setLength(s, i, sizeof(double));
                        builder->setSubType(s, i, 0);
                        builder->setScale(s, i, 0);
                    } else if (std::holds_alternative<QDate>(v)) {
                        builder->setType(s, i, SQL_TYPE_DATE + 1);
                        builder->setLength(s, i, sizeof(ISC_DATE));
                        builder->setSubType(s, i, 0);
                        builder->setScale(s, i, 0);
                    } else {
                        builder->setType(s, i, SQL_TIMESTAMP + 1);
                        builder->setLength(s, i, sizeof(ISC_TIMESTAMP));
                        builder->setSubType(s, i, 0);
                        builder->setScale(s, i, 0);
                    }
                }
                described->release();
                inMeta = builder->getMetadata(s);
                builder->release();
                inBuffer = QByteArray(int(inMeta->getMessageLength(s)), '\0');
                char *buf = inBuffer.data();
                for (unsigned i = 0; i < m_order.size(); ++i) {
                    const Param::Variant &v = m_params[m_order[i]].value();
                    const unsigned offset = inMeta->getOffset(s, i);
                    const bool isNull = std::holds_alternative<std::monostate>(v)
                                        || (std::holds_alternative<QDate>(v) && !std::get<QDate>(v).isValid())
                                        || (std::holds_alternative<QDateTime>(v) && !std::get<QDateTime>(v).isValid());
                    writeAt<short>(buf, inMeta->getNullOffset(s, i), isNull ? -1 : 0);
                    if (isNull)
                        continue;
                    if (blobs[i]) {
                        writeAt<ISC_QUAD>(buf, offset, *blobs[i]);
                    } else if (std::holds_alternative<QString>(v)) {
                        writeAt<quint16>(buf, offset, quint16(texts[i].size()));
                        std::memcpy(buf + offset + 2, texts[i].constData(), size_t(texts[i].size()));
                    } else if (auto n = std::get_if<qint64>(&v)) {
                        writeAt<qint64>(buf, offset, *n);
                    } else if (auto m = std::get_if<Money>(&v)) {
                        writeAt<qint64>(buf, offset, m->units());
                    } else if (auto d = std::get_if<double>(&v)) {
                        writeAt<double>(buf, offset, *d);
                    } else if (auto date = std::get_if<QDate>(&v)) {
                        writeAt<ISC_DATE>(buf, offset, encodeDate(*date));
                    } else if (auto ts = std::get_if<QDateTime>(&v)) {
                        ISC_TIMESTAMP stamp{encodeDate(ts->date()), encodeTime(ts->time())};
                        writeAt<ISC_TIMESTAMP>(buf, offset, stamp);
                    }
                }
            }
            void *inData = inBuffer.isEmpty() ? nullptr : inBuffer.data();
            if (m_hasCursor) {
                m_cursor = m_statement->openCursor(s, transaction, inMeta, inData, m_outMeta, 0);
            } else {
                const bool hasOutput = !m_columnNames.isEmpty();
                m_statement->execute(s, transaction, inMeta, inData, hasOutput ? m_outMeta : nullptr,
                                     hasOutput ? m_outBuffer.data() : nullptr);
                m_singletonPending = hasOutput;
            }
        });
    });
    m_awaitingFirstRow = m_cursor && m_heartbeat;
}

bool Query::next()
{
    if (m_singletonPending) {
        m_singletonPending = false;
        readRow();
        return true;
    }
    if (!m_cursor) {
        if (m_cursorLost)
            throw Error(QStringLiteral("Połączenie z bazą danych %1 zostało zamknięte w trakcie odczytu danych.")
                            .arg(m_connection.databaseName()));
        return false;
    }
    const auto fetch = [this] {
        return fb::call(m_connection,
                        [&](ThrowStatusWrapper *s) { return m_cursor->fetchNext(s, m_outBuffer.data()); });
    };
    const int result = m_awaitingFirstRow ? whileBeating(m_heartbeat, fetch) : fetch();
    m_awaitingFirstRow = false;
    if (result != IStatus::RESULT_OK) {
        closeCursor();
        return false;
    }
    readRow();
    return true;
}

void Query::closeCursor()
{
    m_singletonPending = false;
    if (!m_cursor)
        return;
    IResultSet *cursor = std::exchange(m_cursor, nullptr);
    try {
        fb::call(m_connection, [&](ThrowStatusWrapper *s) { cursor->close(s); });
    } catch (const Error &) {
        cursor->release();
    }
}

void Query::readRow()
{
    for (unsigned i = 0; i < m_layout.size(); ++i)
        m_row[i] = readColumn(i);
}

Value Query::readColumn(unsigned index) const
{
    const ColumnLayout &c = m_layout[index];
    const char *buf = m_outBuffer.constData();
    if (readAt<short>(buf, c.nullOffset) != 0)
        return Value();
    switch (c.type) {
    case SQL_TEXT: {
        QString text = fromWin1250(buf + c.offset, c.length);
        // CHAR columns come padded with blanks; a control shows them without.
        qsizetype end = text.size();
        while (end > 0 && text[end - 1] == u' ')
            --end;
        text.truncate(end);
        return Value::text(text);
    }
    case SQL_VARYING:
        return Value::text(fromWin1250(buf + c.offset + 2, readAt<quint16>(buf, c.offset)));
    case SQL_SHORT:
        return Value::scaled(readAt<qint16>(buf, c.offset), c.scale);
    case SQL_LONG:
        return Value::scaled(readAt<qint32>(buf, c.offset), c.scale);
    case SQL_INT64:
        return Value::scaled(readAt<qint64>(buf, c.offset), c.scale);
    case SQL_FLOAT:
        return Value::real(readAt<float>(buf, c.offset));
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
        return Value::real(readAt<double>(buf, c.offset));
    case SQL_TYPE_DATE:
        return Value::date(decodeDate(readAt<ISC_DATE>(buf, c.offset)));
    case SQL_TYPE_TIME:
        return Value::time(decodeTime(readAt<ISC_TIME>(buf, c.offset)));
    case SQL_TIMESTAMP: {
        const auto stamp = readAt<ISC_TIMESTAMP>(buf, c.offset);
        return Value::timestamp(QDateTime(decodeDate(stamp.timestamp_date), decodeTime(stamp.timestamp_time)));
    }
    case SQL_BOOLEAN:
        return Value::boolean(readAt<FB_BOOLEAN>(buf, c.offset) != 0);
    case SQL_BLOB: {
        ISC_QUAD id = readAt<ISC_QUAD>(buf, c.offset);
        QByteArray bytes;
        IAttachment *attachment = m_connection.attachment();
        ITransaction *transaction = const_cast<Connection &>(m_connection).transaction();
        fb::call(m_connection, [&](ThrowStatusWrapper *s) {
            IBlob *blob = attachment->openBlob(s, transaction, &id, 0, nullptr);
            try {
                char chunk[32768];
                for (;;) {
                    unsigned got = 0;
                    const int r = blob->getSegment(s, sizeof chunk, chunk, &got);
                    if (r == IStatus::RESULT_NO_DATA)
                        break;
                    bytes.append(chunk, got);
                }
                blob->close(s);
            } catch (...) {
                blob->release();
                throw;
            }
        });
        return Value::text(fromWin1250(bytes));
    }
    default:
        throw Error(QStringLiteral("Nieobsługiwany typ kolumny %1 (%2)").arg(m_columnNames.at(index)).arg(c.type));
    }
}

const Value &Query::value(int index) const
{
    if (index < 0 || index >= int(m_row.size()))
        throw Error(QStringLiteral("Zapytanie nie ma kolumny nr %1").arg(index));
    return m_row[index];
}

int Query::columnIndex(QStringView name) const
{
    for (int i = 0; i < m_columnNames.size(); ++i) {
        if (QStringView(m_columnNames[i]).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

const Value &Query::value(QStringView columnName) const
{
    const int index = columnIndex(columnName);
    if (index < 0) {
        // Firebird's own code for a column the table lacks: the cause is the same.
        Error e(QStringLiteral("Zapytanie nie ma kolumny %1").arg(columnName),
                {{isc_dsql_field_err, {columnName.toString()}}});
        m_connection.annotateFailure(e);
        throw e;
    }
    return m_row[index];
}

} // namespace db
