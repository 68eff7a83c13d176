#pragma once

// The contracts behind one figure, and those its breakdown could not classify,
// as the window lists them, the CSV file holds them and the report engine prints
// them: the window, the file and the command line are made from the same rows.

#include "reportsheet.h"
#include "store/figurecontracts.h"

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>
#include <QVariant>

namespace reports {

// One list of contracts: a column per field, each row with the texts shown, the
// texts written to the CSV file and the keys it sorts by.
struct ContractsList
{
    struct Row
    {
        QStringList shown;
        QStringList written;
        QVariantList sortKeys; // numbers as numbers
    };
    QStringList captions;
    QStringList fileHeader;
    QList<int> numberColumns; // right-aligned
    QList<Row> rows;

    // The header line and the rows `order` (indexes into rows; every row when
    // empty), as written to the CSV file.
    QList<QStringList> csvRows(const QList<int> &order = {}) const;
    // `title` above the captions and the rows `order` (every row when empty), for the report engine.
    ReportSheet sheet(const QStringList &title, const QList<int> &order = {}) const;
};

// "Umowa, Klient, Liczona, Kwota"; in the file "umowa;klient;liczona;kwota" with
// liczona 1 or 0 and kwota with a decimal comma and two decimals.
ContractsList figureContractsList(const QList<store::FigureContract> &contracts);
// "Umowa, Klient, Kwota, Komunikat"; in the file "umowa;klient;kwota;komunikat".
ContractsList unclassifiedContractsList(const QList<store::UnclassifiedContract> &contracts);

// What the contracts add up to: the figure as imported.
struct ContractTotals
{
    qint64 count = 0; // contracts counted
    db::Money value;
};
ContractTotals totalsOf(const QList<store::FigureContract> &contracts);

// A list for a view: sorting by a column compares SortRole's values.
class ContractsTable : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int SortRole = Qt::UserRole;

    explicit ContractsTable(ContractsList list, QObject *parent = nullptr);
    const ContractsList &list() const { return m_list; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    ContractsList m_list;
};

} // namespace reports
