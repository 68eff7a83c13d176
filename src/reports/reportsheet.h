#pragma once

#include "db/money.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace reports {

// A report sheet: title lines above one table of text cells (columns and rows
// counted from 0). The error report, the import report and the printed summary
// are sheets; the report engine lays a sheet out on pages.
class ReportSheet
{
public:
    ReportSheet() { ClearGrid(); }

    QStringList titleLines;

    // Empties every cell and makes the table 2 rows by 2 columns.
    void ClearGrid();
    // Writes one cell, growing the table to hold it; returns column + 1 so that a
    // row is written by chaining calls from column 0. A negative column writes
    // nothing and is returned unchanged.
    int setCell(int column, int row, const QString &text);
    QString cell(int column, int row) const;
    int rowCount() const { return int(m_rows.size()); }
    int columnCount() const { return m_columns; }
    // One row's cells, as many as the table has columns.
    QStringList row(int row) const;

private:
    QList<QStringList> m_rows; // each row holds at most m_columns cells; missing ones are empty
    int m_columns = 2;
};

// The amount with exactly two decimals and a decimal comma, right-aligned in 11
// characters by leading spaces (a longer text is not cut).
QString FormatAmount(double amount);
// A number as its shortest decimal text of up to 15 significant digits, with a
// decimal comma and no thousands separator ("1234,5", "0", "-12").
QString plainNumber(double value);
// An exact amount in the same plain form ("1234,5", "0").
QString plainNumber(db::Money value);

} // namespace reports
