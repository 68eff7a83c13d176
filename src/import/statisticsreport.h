#pragma once

// The loan statistics sections of the import report: the contracts behind each
// category of the type, purpose, sector and status breakdowns, with their counts
// and values.

#include "db/money.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace import {

struct ImportContext;

// A contract of an import report list: its number and amount as the query gives them.
struct ListedContract
{
    QString number;
    QString amount;
};

// The loan statistics sections of the import report. Each writes from
// ctx.ImportReportRow on and leaves it at the next free row.
void WriteTypeHeading(ImportContext &ctx);
void WritePurposeHeading(ImportContext &ctx);
// One category of the type or purpose section: name, list, count and value.
void WriteCategoryTable(ImportContext &ctx, const QString &name, const QList<ListedContract> &contracts, int count,
                        db::Money value);
// The empty row that closes the type and purpose sections.
void WriteSectionEnd(ImportContext &ctx);
void WriteSectorHeading(ImportContext &ctx);
void WriteSectorContract(ImportContext &ctx, const ListedContract &contract, const QString &pkd);
void WriteSectorSummary(ImportContext &ctx, const QString &label, int count, db::Money value);
void WriteStatusHeading(ImportContext &ctx);
// Number, amount, registration date, sex, kind of client and area.
void WriteStatusContract(ImportContext &ctx, const QStringList &cells);
void WriteStatusSum(ImportContext &ctx, int count, db::Money value);

} // namespace import
