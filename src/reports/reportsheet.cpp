#include "reportsheet.h"

#include <cmath>

namespace reports {

void ReportSheet::ClearGrid()
{
    m_rows = QList<QStringList>(2);
    m_columns = 2;
}

int ReportSheet::setCell(int column, int row, const QString &text)
{
    if (column < 0 || row < 0)
        return column;
    if (row >= m_rows.size())
        m_rows.resize(row + 1);
    m_columns = std::max(m_columns, column + 1);
    QStringList &cells = m_rows[row];
    if (column >= cells.size())
        cells.resize(column + 1);
    cells[column] = text;
    return column + 1;
}

QString ReportSheet::cell(int column, int row) const
{
    if (row < 0 || row >= m_rows.size())
        return QString();
    return m_rows[row].value(column);
}

QStringList ReportSheet::row(int row) const
{
    QStringList cells = m_rows.value(row);
    cells.resize(m_columns);
    return cells;
}

QString FormatAmount(double amount)
{
    QString text = QString::number(amount, 'f', 2);
    text.replace(u'.', u',');
    return text.rightJustified(11, u' ');
}

QString plainNumber(double value)
{
    if (value == 0 || !std::isfinite(value))
        return QStringLiteral("0");
    QString text = QString::number(value, 'g', 15);
    if (text.contains(u'e')) {
        // Exponent form for very large or small numbers: write the digits out.
        const int decimals = std::max(0, 14 - int(std::floor(std::log10(std::fabs(value)))));
        text = QString::number(value, 'f', std::min(decimals, 30));
        if (text.contains(u'.')) {
            while (text.endsWith(u'0'))
                text.chop(1);
            if (text.endsWith(u'.'))
                text.chop(1);
        }
    }
    text.replace(u'.', u',');
    return text;
}

QString plainNumber(db::Money value)
{
    QString text = value.format(db::Money::Decimals, u',');
    while (text.endsWith(u'0'))
        text.chop(1);
    if (text.endsWith(u','))
        text.chop(1);
    return text == QStringLiteral("-0") ? QStringLiteral("0") : text;
}

} // namespace reports
