#pragma once

#include "reportsheet.h"

#include <QPageLayout>
#include <QString>

#include <memory>

class QPrinter;
class QTextDocument;

namespace reports {

// The two report definitions differ only in the height of the title band.
enum class SheetKind { ImportReport, ErrorReport };

// Landscape A4 with 10 mm margins on every side: the page of every report.
QPageLayout sheetPageLayout();

// Lays a sheet out on pages of sheetPageLayout(): the bold title band, then the
// sheet's table of framed cells with the first row on money green, one table per
// page (the first row is not repeated). The document is paginated (its page size
// is the page's printable area, in quarter pixels of a 96 dpi page) and is
// painted with printSheet or writePdf.
std::unique_ptr<QTextDocument> renderSheet(const ReportSheet &sheet, SheetKind kind);

// Prints a rendered sheet on a printer, honouring the page range chosen in its
// print dialog. Throws db::Error when the printer cannot be started.
void printSheet(const QTextDocument &document, QPrinter &printer);

// Writes a rendered sheet as a PDF file, whole or not at all: a missing folder is
// made, an existing file is replaced without asking. Throws db::Error with a
// Polish message naming the file when it cannot be written.
void writePdf(const QTextDocument &document, const QString &path);

// Renders the sheet and writes it with writePdf.
void writeSheetPdf(const ReportSheet &sheet, SheetKind kind, const QString &path);

} // namespace reports
