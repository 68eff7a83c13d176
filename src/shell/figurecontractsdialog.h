#pragma once

#include "common/outputfiles.h"
#include "reports/contractslist.h"
#include "workflow/periodworkflow.h"

#include <QDialog>

class Messages;
class QLabel;
class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QTabWidget;
class QTableView;

// "Pokaż umowy": the contracts behind one figure of the open period, with the
// count and the sum at the foot, the page's corrected values against the
// imported ones when they differ, and on a second tab the contracts its
// breakdown could not classify. Each list sorts by any column and filters by
// text; the list shown is exported to CSV and printed through the report engine
// as it is shown (filtered and sorted).
class FigureContractsDialog : public QDialog
{
    Q_OBJECT

public:
    FigureContractsDialog(const FigureExplanation &explanation, const QString &periodText, Messages &messages,
                          output::OutputGuard guard, QWidget *parent = nullptr);

    // The rows of the list shown, as the CSV file and the printout get them.
    QList<QStringList> shownCsvRows() const;
    reports::ReportSheet shownSheet() const;
    // Writes the list shown once the guard approved the path; a refusal or a failure is shown and gives false.
    bool exportCsv(const QString &path);

    void e_filtrChange(const QString &text);
    void bb_csvClick();
    void bb_drukujClick();

private:
    struct List
    {
        reports::ContractsTable *table = nullptr;
        QSortFilterProxyModel *proxy = nullptr;
        QTableView *view = nullptr;
    };
    QWidget *buildList(List &list, reports::ContractsList rows, const char *viewName);
    const List &shownList() const;
    QList<int> shownOrder() const;
    void showFoot();

    FigureExplanation m_explanation;
    QString m_periodText;
    Messages &m_messages;
    output::OutputGuard m_guard;
    List m_contracts;
    List m_unclassified;

    QLabel *l_korekta = nullptr;
    QLineEdit *e_filtr = nullptr;
    QTabWidget *Pc_umowy = nullptr;
    QLabel *l_suma = nullptr;
    QPushButton *bb_csv = nullptr;
    QPushButton *bb_drukuj = nullptr;
};
