#pragma once

#include "common/outputfiles.h"
#include "reports/reportrenderer.h"

#include <QPrintPreviewDialog>

#include <memory>

class Messages;
class QAction;

// The modal on-screen preview of a report sheet, from which the user prints it or
// saves it as a PDF file.
class ReportPreview : public QPrintPreviewDialog
{
    Q_OBJECT

public:
    // `guard` checks the file the user chooses for "Zapisz jako PDF".
    ReportPreview(const reports::ReportSheet &sheet, reports::SheetKind kind, Messages &messages,
                  output::OutputGuard guard, QWidget *parent = nullptr);
    ~ReportPreview() override;

    // Shows the preview of the sheet and returns when the user has closed it.
    static void showModal(const reports::ReportSheet &sheet, reports::SheetKind kind, Messages &messages,
                          const output::OutputGuard &guard, QWidget *parent = nullptr);

    const reports::SheetPages &pages() const { return *m_pages; }
    QAction *exportAction() const { return m_export; }

    // Writes the previewed pages to the file once the guard approved it; a refusal
    // or a failure is shown and gives false.
    bool exportTo(const QString &path);

private:
    void print(QPrinter *printer);
    void askAndExport();

    std::unique_ptr<reports::SheetPages> m_pages;
    Messages &m_messages;
    output::OutputGuard m_guard;
    QAction *m_export = nullptr;
};
