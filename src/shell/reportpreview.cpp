#include "reportpreview.h"

#include "common/messages.h"

#include <QAction>
#include <QFileDialog>
#include <QPrinter>
#include <QToolBar>

ReportPreview::ReportPreview(const reports::ReportSheet &sheet, reports::SheetKind kind, Messages &messages,
                             output::OutputGuard guard, QWidget *parent)
    : QPrintPreviewDialog(parent),
      m_pages(std::make_unique<reports::SheetPages>(sheet, kind)),
      m_messages(messages),
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
        reports::printSheet(*m_pages, *printer);
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
