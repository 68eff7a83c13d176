#pragma once

// Which contracts each imported figure was made of, kept with the period (table
// LISTY_UMOW): for every count/value column of POZYCZKI and AKT_STR the contracts
// it counted and summed, and for every breakdown of "Dane zbiorcze" the contracts
// the import could not classify there, with the error report's message.

#include "db/money.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace db {
class Connection;
}

namespace store {

// LISTY_UMOW and its index: the same texts serve a new database and the schema
// upgrade of an old one. A row is one list, kept as CSV text: a figure's (by its
// count column) or a breakdown's unclassified contracts (by PODZIAL, without a
// column). One row a list rather than one a contract: a period has a hundred
// rows to write, read and delete instead of hundreds of thousands.
inline constexpr const char *CreateFigureContractsTable =
    "CREATE TABLE LISTY_UMOW (ID_OK INTEGER NOT NULL, KOLUMNA VARCHAR(20), PODZIAL INTEGER, LISTA BLOB SUB_TYPE "
    "TEXT NOT NULL);";
inline constexpr const char *CreateFigureContractsIndex =
    "CREATE INDEX LISTY_UMOW_OKRES ON LISTY_UMOW (ID_OK, KOLUMNA);";

// One contract in one figure: it adds 1 to the count when counted, and its
// amount to the value.
struct FigureContract
{
    QString column; // the count column of the pair: MIKRO_LS, PA_L, ...
    QString contract;
    QString client;
    bool counted = false;
    db::Money amount;
    bool operator==(const FigureContract &) const = default;
};

// A contract that a breakdown of "Dane zbiorcze" could not classify.
struct UnclassifiedContract
{
    int breakdown = 0; // index into StatisticGroups
    QString contract;
    QString client;
    db::Money amount;
    QString message;
    bool operator==(const UnclassifiedContract &) const = default;
};

struct FigureContracts
{
    QList<FigureContract> figures;
    QList<UnclassifiedContract> unclassified;
};

// Replaces the period's lists by `contracts`; part of the caller's unit of work.
// `heartbeat` is called now and then, so that the window can redraw meanwhile.
void StoreFigureContracts(db::Connection &ksu, qint64 periodId, const FigureContracts &contracts,
                          const std::function<void()> &heartbeat = {});

// Why a period has no lists; the caller adds how to get them.
inline constexpr const char *MissingListsCause =
    "Okres nie ma zapisanych list umów: zaimportowano go wersją programu, która ich nie zapisywała.";

// True when the period was imported with its lists (a period imported by an
// older version has none).
bool HasFigureContracts(db::Connection &ksu, qint64 periodId);

// The contracts of the figure whose count or value column is `column` (either
// column of a pair, any case), in ascending contract number; none when the
// column is not a figure of either table.
std::optional<QList<FigureContract>> LoadFigureContracts(db::Connection &ksu, qint64 periodId, const QString &column);

// The contracts that breakdown `breakdown` could not classify, in ascending contract number.
QList<UnclassifiedContract> LoadUnclassifiedContracts(db::Connection &ksu, qint64 periodId, int breakdown);

// A count/value pair whose contracts are kept: the 32 of "Dane zbiorcze" and the
// rows of "Aktywne i stracone pożyczki" but the loss ratio (no sum of contracts).
struct Figure
{
    QString countColumn;
    QString valueColumn;
    QString countControl;
    QString valueControl;
    QString caption;    // "Według przeznaczenia: obrotowy", "1. Pożyczki aktywne ..."
    int breakdown = -1; // index into StatisticGroups; -1 for the rows of AKT_STR
};

// Every such pair, in table order.
const QList<Figure> &figures();
// The pair that `column` names (either column, any case); null when none does.
const Figure *figureOfColumn(const QString &column);
// The pair whose count or value field is `control`; null when none is.
const Figure *figureOfControl(const QString &control);

// Every column `figureOfColumn` accepts, in table order.
QStringList figureColumns();

} // namespace store
