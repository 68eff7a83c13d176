#include "statisticsreport.h"

#include "importcontext.h"
#include "reports/reportsheet.h"

namespace import {

namespace {

// Writes one row from column 0 and moves the import report's row pointer on.
void writeRow(ImportContext &ctx, const QStringList &cells)
{
    int column = 0;
    for (const QString &text : cells)
        column = ctx.importReport.setCell(column, ctx.ImportReportRow, text);
    ++ctx.ImportReportRow;
}

void skipRow(ImportContext &ctx)
{
    ++ctx.ImportReportRow;
}

void writeCountAndValue(ImportContext &ctx, const QString &countLabel, int count, db::Money value)
{
    writeRow(ctx, {countLabel, QString::number(count)});
    writeRow(ctx, {QStringLiteral("Suma pożyczek"), reports::plainNumber(value)});
}

} // namespace

void WriteTypeHeading(ImportContext &ctx)
{
    writeRow(ctx, {QString(), QStringLiteral("TYP PRZEDSIEBIORSTWA")});
}

void WritePurposeHeading(ImportContext &ctx)
{
    writeRow(ctx, {QString(), QStringLiteral("PRZEZNACZENIE")});
}

void WriteCategoryTable(ImportContext &ctx, const QString &name, const QList<ListedContract> &contracts, int count,
                        db::Money value)
{
    writeRow(ctx, {QString(), name});
    writeRow(ctx, {QStringLiteral("Nr umowy"), QStringLiteral("Kwota pożyczki")});
    for (const ListedContract &c : contracts)
        writeRow(ctx, {c.number, c.amount});
    writeCountAndValue(ctx, QStringLiteral("Ilosc"), count, value);
    skipRow(ctx);
}

void WriteSectionEnd(ImportContext &ctx)
{
    skipRow(ctx);
}

void WriteSectorHeading(ImportContext &ctx)
{
    writeRow(ctx, {QString(), QStringLiteral("DZIAŁANIE POŻYCZKOBIORCY")});
    writeRow(ctx, {QStringLiteral("Nr umowy"), QStringLiteral("Kwota pożyczki"), QStringLiteral("Podklasa")});
}

void WriteSectorContract(ImportContext &ctx, const ListedContract &contract, const QString &pkd)
{
    writeRow(ctx, {contract.number, contract.amount, pkd});
}

void WriteSectorSummary(ImportContext &ctx, const QString &label, int count, db::Money value)
{
    writeRow(ctx, {label});
    writeCountAndValue(ctx, QStringLiteral("Ilosc"), count, value);
    skipRow(ctx);
}

void WriteStatusHeading(ImportContext &ctx)
{
    writeRow(ctx, {QString(), QStringLiteral("STATUS, PŁEĆ,RODZAJ, MIEJSCE")});
    writeRow(ctx, {QStringLiteral("Numer umowy"), QStringLiteral("Kwota"), QStringLiteral("Data Działalności"),
                   QStringLiteral("Płeć"), QStringLiteral("Rodz. umowy"), QStringLiteral("Obszar")});
}

void WriteStatusContract(ImportContext &ctx, const QStringList &cells)
{
    writeRow(ctx, cells);
}

void WriteStatusSum(ImportContext &ctx, int count, db::Money value)
{
    skipRow(ctx);
    writeRow(ctx, {QStringLiteral("SUMA")});
    writeCountAndValue(ctx, QStringLiteral("Ilość"), count, value);
}

} // namespace import
