#pragma once

// The schema of the report file (data/tervala-report.xsd, compiled into the
// program as the resource :/schema/tervala-report.xsd) and the validation of a
// document against it with libxml2. Widget-free: the window, the command line and
// the tests validate the same way.

#include <QByteArray>
#include <QList>
#include <QString>

namespace reports {

// The schema's text as the program carries it.
QByteArray reportSchema();

// One finding of a validation: the line of the document (0 when unknown), the
// element it concerns (empty when none, e.g. a document that is not XML at all)
// and a Polish explanation.
struct SchemaError
{
    int line = 0;
    QString element;
    QString message;

    // "wiersz 12, element „wartosc”: …"
    QString text() const;
    bool operator==(const SchemaError &) const = default;
};

// Parses the document from memory (no network, no external entities) and
// validates it against the report schema. Empty when the document is valid;
// otherwise its errors in document order, one per element and line. A document
// that is not well-formed gives the parser's first error.
QList<SchemaError> validateReportXml(const QByteArray &document);

} // namespace reports
