#include "xmlschema.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QStringList>
#include <QXmlStreamReader>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlschemas.h>

#include <memory>
#include <stdexcept>

namespace reports {

namespace {

// libxml2 reports through callbacks; nothing goes to standard error.
void ignoreError(void *, xmlErrorPtr) {}

// The report schema, parsed once for the whole run; validation contexts only read it.
class ParsedSchema
{
public:
    ParsedSchema()
    {
        xmlInitParser();
        const QByteArray xsd = reportSchema();
        xmlSchemaParserCtxtPtr parser = xmlSchemaNewMemParserCtxt(xsd.constData(), int(xsd.size()));
        if (parser) {
            xmlSchemaSetParserStructuredErrors(parser, ignoreError, nullptr);
            m_schema = xmlSchemaParse(parser);
            xmlSchemaFreeParserCtxt(parser);
        }
        if (!m_schema)
            throw std::logic_error("the report schema compiled into the program does not parse");
    }
    ~ParsedSchema() { xmlSchemaFree(m_schema); }
    ParsedSchema(const ParsedSchema &) = delete;
    ParsedSchema &operator=(const ParsedSchema &) = delete;

    xmlSchemaPtr get() const { return m_schema; }

private:
    xmlSchemaPtr m_schema = nullptr;
};

const ParsedSchema &parsedSchema()
{
    static const ParsedSchema schema;
    return schema;
}

QString fromXml(const xmlChar *text)
{
    return text ? QString::fromUtf8(reinterpret_cast<const char *>(text)) : QString();
}

// The simple type of each pattern of the schema: libxml2 names only the pattern
// when a value breaks one.
const QHash<QString, QString> &typeOfPattern()
{
    static const QHash<QString, QString> types = [] {
        QHash<QString, QString> out;
        QXmlStreamReader xsd(reportSchema());
        QString type;
        while (!xsd.atEnd()) {
            if (xsd.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (xsd.name() == u"simpleType")
                type = xsd.attributes().value(QStringLiteral("name")).toString();
            else if (xsd.name() == u"pattern")
                out.insert(xsd.attributes().value(QStringLiteral("value")).toString(), type);
        }
        return out;
    }();
    return types;
}

QString quoted(const QString &text)
{
    return QStringLiteral("„%1”").arg(text);
}

// The first capture of `pattern` in libxml2's own (English) message.
QString captured(const QString &message, const QString &pattern)
{
    const QRegularExpressionMatch m = QRegularExpression(pattern).match(message);
    return m.hasMatch() ? m.captured(1) : QString();
}

const QString FormatNamed = QStringLiteral(" nie ma wymaganej postaci: ");

// How a value of each of the schema's simple types is written.
QString formatOf(const QString &type)
{
    if (type == u"kwota")
        return QStringLiteral("kwota z kropką dziesiętną, bez zer na końcu, kwota całkowita z „.00”, np. 1500.00, "
                              "1500.5, -20.00");
    if (type == u"kwota_skladnika")
        return QStringLiteral("kwota z kropką dziesiętną, np. 1500.00 lub 1500.5, albo „.00”, gdy brak wartości");
    if (type == u"liczba_dziesietna")
        return QStringLiteral("liczba z kropką dziesiętną, liczba całkowita z „.00”, np. 2.5, 3.00");
    if (type == u"liczba_calkowita_lub_pusta")
        return QStringLiteral("liczba całkowita albo pusty tekst");
    if (type == u"dzien")
        return QStringLiteral("data RRRR-MM-DD");
    return QString();
}

// A Polish explanation of one validation error; libxml2's own text where no
// better one is known.
QString explain(const xmlError &error, const QString &attribute)
{
    const QString raw = fromXml(reinterpret_cast<const xmlChar *>(error.message)).trimmed();
    const QString expected = captured(raw, QStringLiteral("Expected is (?:one of )?\\( (.*) \\)"));
    const QString expectedText = expected.isEmpty() ? QString() : QStringLiteral("; oczekiwano: ") + expected;
    const QString value = captured(raw, QStringLiteral("(?:The value |^.*?: )'(.*)' is not"));
    switch (error.code) {
    case XML_SCHEMAV_ELEMENT_CONTENT:
    case XML_SCHEMAV_CVC_COMPLEX_TYPE_2_4:
        if (raw.contains(QStringLiteral("Missing child")))
            return QStringLiteral("brakuje elementu") + expectedText;
        if (expected.isEmpty())
            return QStringLiteral("element nadmiarowy: w tym miejscu nie może już stać żaden element");
        return QStringLiteral("element w złym miejscu") + expectedText;
    case XML_SCHEMAV_CVC_COMPLEX_TYPE_4:
        return QStringLiteral("brak wymaganego atrybutu ") + quoted(captured(raw, QStringLiteral("attribute '(.*)'")));
    case XML_SCHEMAV_CVC_COMPLEX_TYPE_3_2_1:
    case XML_SCHEMAV_CVC_COMPLEX_TYPE_3_2_2:
        return QStringLiteral("niedozwolony atrybut ") + quoted(attribute);
    case XML_SCHEMAV_CVC_COMPLEX_TYPE_2_1:
    case XML_SCHEMAV_CVC_COMPLEX_TYPE_2_3:
        return QStringLiteral("element może zawierać tylko inne elementy, nie tekst");
    case XML_SCHEMAV_CVC_ELT_1:
        return QStringLiteral("element główny pliku musi się nazywać „sprawozdanie”");
    case XML_SCHEMAV_CVC_IDC:
        return QStringLiteral("typ %1 występuje więcej niż raz")
            .arg(quoted(captured(raw, QStringLiteral("key-sequence \\['(.*)'\\]"))));
    case XML_SCHEMAV_CVC_ENUMERATION_VALID:
    case XML_SCHEMAV_CVC_PATTERN_VALID:
    case XML_SCHEMAV_CVC_DATATYPE_VALID_1_2_1:
    case XML_SCHEMAV_CVC_DATATYPE_VALID_1_2_2:
    case XML_SCHEMAV_CVC_DATATYPE_VALID_1_2_3:
    case XML_SCHEMAV_CVC_ATTRIBUTE_3:
    case XML_SCHEMAV_CVC_TYPE_3_1_2:
    case XML_SCHEMAV_CVC_FACET_VALID: {
        const QString subject = attribute.isEmpty() ? QStringLiteral("wartość ")
                                                    : QStringLiteral("atrybut %1: wartość ").arg(quoted(attribute));
        QString type = captured(raw, QStringLiteral("type '([^']*)'"));
        if (type.isEmpty())
            type = typeOfPattern().value(captured(raw, QStringLiteral("pattern '(.*)'")));
        const QString format = formatOf(type);
        if (!format.isEmpty())
            return subject + quoted(value) + FormatNamed + format;
        QString allowed = captured(raw, QStringLiteral("set \\{(.*)\\}"));
        // A short list of allowed values helps; the 32 category types would not.
        if (!allowed.isEmpty() && allowed.count(u',') < 4)
            return subject + quoted(value) + QStringLiteral(" jest niedozwolona; dozwolone: ") + allowed.remove(u'\'');
        return subject + quoted(value) + QStringLiteral(" jest niedozwolona");
    }
    default:
        return QStringLiteral("niezgodność ze schematem: ") + raw;
    }
}

struct Collector
{
    QList<SchemaError> errors;
};

void collectValidationError(void *userData, xmlErrorPtr error)
{
    auto *collector = static_cast<Collector *>(userData);
    if (!error || error->level == XML_ERR_WARNING)
        return;
    SchemaError e;
    e.line = error->line;
    QString attribute;
    if (const auto *node = static_cast<const xmlNode *>(error->node)) {
        if (node->type == XML_ATTRIBUTE_NODE) {
            attribute = fromXml(node->name);
            node = node->parent;
        }
        if (node) {
            e.element = fromXml(node->name);
            if (e.line <= 0)
                e.line = int(xmlGetLineNo(node));
        }
    }
    if (attribute.isEmpty())
        attribute =
            captured(fromXml(reinterpret_cast<const xmlChar *>(error->message)), QStringLiteral("attribute '([^']*)'"));
    e.message = explain(*error, attribute);
    // libxml2 may follow an error with a second one about the same value: a broken
    // pattern first, then the type it belongs to. The one that names the format is kept.
    for (SchemaError &known : collector->errors) {
        if (known.line == e.line && known.element == e.element) {
            if (e.message.contains(FormatNamed) && !known.message.contains(FormatNamed))
                known.message = e.message;
            return;
        }
    }
    collector->errors << e;
}

struct DocFree
{
    void operator()(xmlDoc *doc) const { xmlFreeDoc(doc); }
};
struct ParserFree
{
    void operator()(xmlParserCtxt *ctxt) const { xmlFreeParserCtxt(ctxt); }
};
struct ValidFree
{
    void operator()(xmlSchemaValidCtxt *ctxt) const { xmlSchemaFreeValidCtxt(ctxt); }
};

} // namespace

QByteArray reportSchema()
{
    QFile file(QStringLiteral(":/schema/tervala-report.xsd"));
    if (!file.open(QIODevice::ReadOnly))
        throw std::logic_error("the report schema is missing from the program's resources");
    return file.readAll();
}

QString SchemaError::text() const
{
    QStringList parts;
    if (line > 0)
        parts << QStringLiteral("wiersz %1").arg(line);
    if (!element.isEmpty())
        parts << QStringLiteral("element „%1”").arg(element);
    return parts.isEmpty() ? message : parts.join(QStringLiteral(", ")) + QStringLiteral(": ") + message;
}

QList<SchemaError> validateReportXml(const QByteArray &document)
{
    const xmlSchemaPtr schema = parsedSchema().get();
    const std::unique_ptr<xmlParserCtxt, ParserFree> parser(xmlNewParserCtxt());
    if (!parser)
        throw std::bad_alloc();
    // No network, no DTD loading, no entity substitution: a report has none of them.
    const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
    const std::unique_ptr<xmlDoc, DocFree> doc(
        xmlCtxtReadMemory(parser.get(), document.constData(), int(document.size()), "plik.xml", nullptr, options));
    if (!doc || !parser->wellFormed) {
        const xmlError *error = xmlCtxtGetLastError(parser.get());
        SchemaError e;
        e.line = error ? error->line : 0;
        e.message = QStringLiteral("to nie jest poprawny dokument XML");
        if (error && error->message)
            e.message += QStringLiteral(" (") + QString::fromUtf8(error->message).trimmed() + u')';
        return {e};
    }
    const std::unique_ptr<xmlSchemaValidCtxt, ValidFree> validation(xmlSchemaNewValidCtxt(schema));
    if (!validation)
        throw std::bad_alloc();
    Collector collector;
    xmlSchemaSetValidStructuredErrors(validation.get(), collectValidationError, &collector);
    const int result = xmlSchemaValidateDoc(validation.get(), doc.get());
    if (result != 0 && collector.errors.isEmpty())
        collector.errors << SchemaError{0, QString(), QStringLiteral("dokument niezgodny ze schematem")};
    return collector.errors;
}

} // namespace reports
