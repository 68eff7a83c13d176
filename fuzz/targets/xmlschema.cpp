// The report schema's validator on any document: it never crashes or hangs, gives
// the same answer twice, and every refusal carries a message; a document it
// accepts is one a strict XML reader reads to its end.
#include "fuzzsupport.h"
#include "reports/xmlschema.h"

#include <QXmlStreamReader>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::ensureApplication();
    const QByteArray document(reinterpret_cast<const char *>(data), qsizetype(size));
    const QList<reports::SchemaError> errors = reports::validateReportXml(document);
    FUZZ_CHECK(errors == reports::validateReportXml(document), QStringLiteral("two answers for one document"));
    for (const reports::SchemaError &e : errors) {
        FUZZ_CHECK(!e.message.isEmpty(), QStringLiteral("an error without a message"));
        FUZZ_CHECK(e.line >= 0, QStringLiteral("a negative line"));
    }
    if (errors.isEmpty() && !document.contains("<!")) {
        // Without a DTD or comments and CDATA the two readers agree on what is XML.
        QXmlStreamReader xml(document);
        while (!xml.atEnd())
            xml.readNext();
        FUZZ_CHECK(!xml.hasError(), QStringLiteral("accepted, but not XML: ") + xml.errorString());
    }
    return 0;
}
