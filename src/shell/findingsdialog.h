#pragma once

#include "workflow/periodcheck.h"

#include <QDialog>
#include <QList>

class QLabel;
class QTreeWidget;

// "Kontrola danych": the findings of the check in a list, one row each (level,
// page, field, values, explanation). Not modal, so that the user can correct a
// figure with the list still open; a double-click (or Enter) on a finding asks
// the window to show its field.
class FindingsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit FindingsDialog(QWidget *parent = nullptr);

    void setFindings(const QList<check::Finding> &findings);
    const QList<check::Finding> &findings() const { return m_findings; }
    QTreeWidget *list() const { return m_list; }

signals:
    void findingActivated(const check::Finding &finding);

private:
    QList<check::Finding> m_findings;
    QLabel *m_summary = nullptr;
    QTreeWidget *m_list = nullptr;
};
