#pragma once

// How the loan statistics classify a contract: the categories of each breakdown
// with their limits and codes, and the rules and lookup answers that place a
// contract in them.

#include "db/money.h"
#include "db/value.h"
#include "loanstatistics.h"

#include <QDate>
#include <QString>

#include <limits>
#include <optional>

namespace import {

// The categories, as indices into store::StatisticPairs.
inline constexpr int Mikro = statisticIndex("MIKRO_LS");
inline constexpr int Male = statisticIndex("MALE_LS");
inline constexpr int Srednie = statisticIndex("SREDNIE_LS");
inline constexpr int Inne = statisticIndex("INNE_LS");
inline constexpr int Eko = statisticIndex("EKO_LS");
inline constexpr int Starting = statisticIndex("S_PRZP_LS");
inline constexpr int Continuing = statisticIndex("S_PRZK_LS");
inline constexpr int Woman = statisticIndex("PL_KOB_LS");
inline constexpr int Man = statisticIndex("PL_MEN_LS");
inline constexpr int OtherSex = statisticIndex("PL_POZ_LS");
inline constexpr int FirstTime = statisticIndex("RK_POC_LS");
inline constexpr int Again = statisticIndex("RK_KOL_LS");
inline constexpr int Rural = statisticIndex("MZ_WIEJ_LS");
inline constexpr int Urban = statisticIndex("MZ_MIEJ_LS");

// Enterprise types by Lokra's code, with their import report names.
struct TypeCategory
{
    int code;
    const char *name;
    int pair;
};
inline constexpr TypeCategory Types[]{
    {1, "Mikro", Mikro}, {2, "Male", Male}, {3, "Srednie", Srednie}, {4, "Inne", Inne}, {5, "Ekonomi społecznej", Eko},
};

struct PurposeCategory
{
    const char *code;
    const char *name;
    int pair;
};
inline constexpr PurposeCategory Purposes[]{
    {"001", "Obrotowe", statisticIndex("OBROT_LS")},
    {"002", "Inwestycyjne", statisticIndex("INWES_LS")},
    {"003", "Inwestycyjno-obrotowe", statisticIndex("IO_LS")},
};

// Sectors by the highest sector code they take, in ascending order (codes 1 to 999).
struct SectorCategory
{
    int lastCode;
    const char *label;
    int pair;
};
inline constexpr SectorCategory Sectors[]{
    {39, "Rolnictwo...", statisticIndex("RO_LS")},       {99, "Górnictwo..", statisticIndex("GOR_LS")},
    {349, "Przetwór..", statisticIndex("PRZET_LS")},     {399, "Wytwarzanie..", statisticIndex("DZIAL_LS")},
    {449, "Budownictwo", statisticIndex("BUD_LS")},      {479, "Handel", statisticIndex("HAN_LS")},
    {539, "Transport", statisticIndex("TRAN_LS")},       {969, "Pozos. usł", statisticIndex("US_LS")},
    {999, "Inne rodz. dział.", statisticIndex("IN_LS")},
};

// Loan-size brackets by the amount disbursed in the period, each upper limit included.
struct Bracket
{
    qint64 upToZloty;
    int pair;
};
inline constexpr Bracket Brackets[]{
    {10000, statisticIndex("JVL_10")},
    {30000, statisticIndex("JVL_10_30")},
    {50000, statisticIndex("JVL_30_50")},
    {120000, statisticIndex("JVL_50_120")},
    {300000, statisticIndex("JVL_120_300")},
    {std::numeric_limits<qint64>::max() / db::Money::Scale, statisticIndex("JVL_300")},
};

// A key read back exactly as the whole number the lookups bind, or nothing.
std::optional<qint64> wholeNumber(const db::Value &v);

// A contract's positive tranches as the set statement gives them.
struct Tranches
{
    qint64 count = 0;
    bool undated = false;
    QDate earliest;

    // The date of the lookup's first row: none without tranches or with an undated one.
    QDate first() const { return count > 0 && !undated ? earliest : QDate(); }
};

// The text columns the sector is made of, from a client's first PKD entry.
struct MainPkd
{
    QString podklasa;
    QString dzial;
    bool operator==(const MainPkd &) const = default;
};

// A client's PKD entries as the set statement gives them, and the answer of the
// lookup when it does not depend on how the server orders entries of equal
// glowny: told apart for whole numbers only, NULL after them.
class PkdEntries
{
public:
    void add(const db::Value &klient, const db::Value &podklasa, const db::Value &dzial, const db::Value &glowny);
    std::optional<MainPkd> answer() const;

private:
    std::optional<MainPkd> m_first; // an entry first in order, if any
    std::optional<qint64> m_rank;   // its glowny
    bool m_alike = true;            // every entry of the same glowny reads the same
    bool m_comparable = true;
};

// The sector code of a client's main PKD entry: its division followed by 0, or
// the digits of its subclass, cut to three characters; 0 when there is none.
int sectorCode(const QString &podklasa, const QString &dzial);

// The text of the import report's "Rodz. umowy" column for Lokra's RU code.
QString clientKindText(qint64 ru);

} // namespace import
