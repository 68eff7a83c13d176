#include "reportpreview.h"

#include "common/fileerror.h"
#include "common/messages.h"

#include <QAction>
#include <QFileDialog>
#include <QPainter>
#include <QPrinter>
#include <QToolBar>

namespace {

// Prints the pages on a printer, honouring the page range chosen in its print
// dialog. Throws db::Error when the printer cannot be started.
void printSheet(const reports::SheetPages &pages, QPrinter &printer)
{
    int first = 1;
    int last = pages.pageCount();
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = std::max(1, printer.fromPage());
        last = std::min(last, printer.toPage() > 0 ? printer.toPage() : last);
    }
    QPainter painter;
    if (!painter.begin(&printer))
        throw FileError(QStringLiteral("Nie można rozpocząć drukowania raportu."));
    if (first <= last)
        reports::paintPages(pages, painter, printer, first, last);
    painter.end();
}

} // namespace

ReportPreview::ReportPreview(const reports::ReportSheet &sheet, reports::SheetKind kind, Messages &messages,
                             output::OutputGuard guard, QWidget *parent)
    : QPrintPreviewDialog(parent), m_pages(std::make_unique<reports::SheetPages>(sheet, kind)), m_messages(messages),
      m_guard(std::move(guard))
{
    setWindowTitle(QStringLiteral("Podgląd wydruku"));
    printer()->setPageLayout(reports::sheetPageLayout());
    printer()->setDocName(m_pages->title());
    connect(this, &QPrintPreviewDialog::paintRequested, this, &ReportPreview::print);

    m_export = new QAction(QStringLiteral("Zapisz jako PDF"), this);
    m_export->setToolTip(QStringLiteral("Zapisz raport do pliku PDF"));
    connect(m_export, &QAction::triggered, this, &ReportPreview::askAndExport);
    if (auto *toolBar = findChild<QToolBar *>()) {
        toolBar->addSeparator();
        toolBar->addAction(m_export);
    } else {
        addAction(m_export);
    }
}

ReportPreview::~ReportPreview() = default;

void ReportPreview::showModal(const reports::ReportSheet &sheet, reports::SheetKind kind, Messages &messages,
                              const output::OutputGuard &guard, QWidget *parent)
{
    ReportPreview preview(sheet, kind, messages, guard, parent);
    // A landscape page needs room: the preview opens as large as the window.
    preview.resize(parent ? parent->size() : QSize(1200, 800));
    preview.exec();
}

void ReportPreview::print(QPrinter *printer)
{
    try {
        printSheet(*m_pages, *printer);
    } catch (const std::exception &error) {
        showFailure(m_messages, error);
    }
}

void ReportPreview::askAndExport()
{
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Zapisz jako PDF"), QString(),
                                                      QStringLiteral("Pliki PDF (*.pdf)"));
    if (path.isEmpty())
        return;
    exportTo(path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive) ? path : path + QStringLiteral(".pdf"));
}

bool ReportPreview::exportTo(const QString &path)
{
    try {
        if (!m_guard.approve(path, output::FileKind::Pdf, m_messages))
            return false;
        reports::writePdf(*m_pages, path);
        return true;
    } catch (const std::exception &error) {
        showFailure(m_messages, error);
        return false;
    }
}
