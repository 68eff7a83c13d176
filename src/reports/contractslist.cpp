#include "contractslist.h"

#include "periodcomparison.h"

#include <numeric>

namespace reports {

namespace {

QList<int> allRowsOr(const QList<int> &order, qsizetype count)
{
    if (!order.isEmpty())
        return order;
    QList<int> all(count);
    std::iota(all.begin(), all.end(), 0);
    return all;
}

// Contract numbers are whole numbers in Lokra: they sort as numbers, others after them as text.
QVariant contractKey(const QString &contract)
{
    bool ok = false;
    const qint64 n = contract.toLongLong(&ok);
    return ok ? QVariant(n) : QVariant(contract);
}

QString shownAmount(db::Money amount)
{
    return figureText(store::FigureValue(amount), NumberStyle::Reading);
}

QString writtenAmount(db::Money amount)
{
    return amount.format(2, u',');
}

} // namespace

QList<QStringList> ContractsList::csvRows(const QList<int> &order) const
{
    QList<QStringList> lines{fileHeader};
    for (int r : allRowsOr(order, rows.size()))
        lines << rows.at(r).written;
    return lines;
}

ReportSheet ContractsList::sheet(const QStringList &title, const QList<int> &order) const
{
    ReportSheet sheet;
    sheet.titleLines = title;
    for (int c = 0; c < captions.size(); ++c)
        sheet.setCell(c, 0, captions.at(c));
    int line = 1;
    for (int r : allRowsOr(order, rows.size())) {
        for (int c = 0; c < captions.size(); ++c)
            sheet.setCell(c, line, rows.at(r).shown.at(c));
        ++line;
    }
    return sheet;
}

ContractsList figureContractsList(const QList<store::FigureContract> &contracts)
{
    ContractsList list{
        {QStringLiteral("Umowa"), QStringLiteral("Klient"), QStringLiteral("Liczona"), QStringLiteral("Kwota")},
        {QStringLiteral("umowa"), QStringLiteral("klient"), QStringLiteral("liczona"), QStringLiteral("kwota")},
        {3},
        {}};
    list.rows.reserve(contracts.size());
    for (const store::FigureContract &c : contracts) {
        list.rows.append(
            {{c.contract, c.client, c.counted ? QStringLiteral("Tak") : QStringLiteral("Nie"), shownAmount(c.amount)},
             {c.contract, c.client, c.counted ? QStringLiteral("1") : QStringLiteral("0"), writtenAmount(c.amount)},
             {contractKey(c.contract), c.client, c.counted, c.amount.units()}});
    }
    return list;
}

ContractsList unclassifiedContractsList(const QList<store::UnclassifiedContract> &contracts)
{
    ContractsList list{
        {QStringLiteral("Umowa"), QStringLiteral("Klient"), QStringLiteral("Kwota"), QStringLiteral("Komunikat")},
        {QStringLiteral("umowa"), QStringLiteral("klient"), QStringLiteral("kwota"), QStringLiteral("komunikat")},
        {2},
        {}};
    list.rows.reserve(contracts.size());
    for (const store::UnclassifiedContract &c : contracts) {
        list.rows.append({{c.contract, c.client, shownAmount(c.amount), c.message},
                          {c.contract, c.client, writtenAmount(c.amount), c.message},
                          {contractKey(c.contract), c.client, c.amount.units(), c.message}});
    }
    return list;
}

ContractTotals totalsOf(const QList<store::FigureContract> &contracts)
{
    ContractTotals totals;
    for (const store::FigureContract &c : contracts) {
        totals.count += c.counted ? 1 : 0;
        totals.value += c.amount;
    }
    return totals;
}

ContractsTable::ContractsTable(ContractsList list, QObject *parent)
    : QAbstractTableModel(parent), m_list(std::move(list))
{
}

int ContractsTable::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_list.rows.size());
}

int ContractsTable::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_list.captions.size());
}

QVariant ContractsTable::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const ContractsList::Row &row = m_list.rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return row.shown.at(index.column());
    case SortRole:
        return row.sortKeys.at(index.column());
    case Qt::TextAlignmentRole:
        return m_list.numberColumns.contains(index.column()) ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                                             : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant ContractsTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return m_list.captions.value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

} // namespace reports
