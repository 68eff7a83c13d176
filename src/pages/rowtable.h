#pragma once

#include <QAbstractTableModel>

#include <functional>

namespace pages {

// A grid's rows held elsewhere (a workflow's list, the page model's), shown
// through one description per column. The table keeps no copy: it asks for the
// row count and each cell when the view needs them, and reset() tells the view
// that the rows were replaced.
class RowTable : public QAbstractTableModel
{
public:
    struct Column
    {
        QString header;
        // The text shown for a row.
        std::function<QVariant(int row)> shown;
        // The text an editor starts from; none: the column is read-only.
        std::function<QString(int row)> edited = {};
        // Takes an edit of a row; false keeps the row as it was.
        std::function<bool(int row, const QString &text)> commit = {};
        std::function<QVariant(int row)> toolTip = {};
        bool rightAligned = false;
    };

    RowTable(std::function<int()> rowCount, QList<Column> columns, QObject *parent = nullptr);

    void reset();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

private:
    std::function<int()> m_rowCount;
    QList<Column> m_columns;
};

} // namespace pages
