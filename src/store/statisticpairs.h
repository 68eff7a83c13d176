#pragma once

#include "controllookup.h"

#include <array>
#include <string_view>

namespace store {

// One count/value pair of the aggregate loan statistics (table POZYCZKI, page
// "Dane zbiorcze"). Everything that handles the 32 pairs reads this table.
struct StatisticPair
{
    std::string_view countColumn;
    std::string_view valueColumn;
    std::string_view countControl;
    std::string_view valueControl;
    int group; // index into StatisticGroups
    std::string_view caption;
    std::string_view summaryLabel; // the printed summary's column label
    std::string_view xmlTyp;       // the XML file's typ of the category
    // Whether the category is one of the parts that split the loans of its
    // breakdown, or only counts a subset of another part ("w tym ...": the
    // social-economy loans are counted among "Inne" too).
    bool splitsLoans = true;
};

// One breakdown of the page: its heading and the sum fields of its rows.
struct StatisticGroup
{
    std::string_view heading;
    std::string_view countSum;
    std::string_view valueSum;
    bool sumReadOnly;
    std::string_view summaryHeading; // the printed summary's heading of the breakdown
    // Whether the breakdown's parts add up to the loans granted in the period and
    // their value by construction: every disbursement falls in exactly one loan-size
    // bracket. The consistency check compares the other breakdowns with it.
    bool grantedTotal = false;
};

inline constexpr std::array<StatisticGroup, 8> StatisticGroups{{
    {"Według typu przedsiębiorstwa", "Jvl_r", "Jvw_r", false, "TYP PRZED."},
    {"Według przeznaczenia", "Jvl_poz", "Jvw_poz", false, "PRZEZNACZENIE"},
    {"Według sektora działalności pożyczkobiorcy", "sl_dzial", "sw_dzial", true, "SEKTOR DZIAŁ."},
    {"Według wielkości udzielonej pożyczki", "Jvl_ra", "Jvw_ra", false, "WIELKOŚĆ UDZIELONEJ\rPOŻYCZKI", true},
    {"Według statusu przedsiębiorstwa", "sl_stat", "sw_stat", false, "STATUS PRZED."},
    {"Według płci przedsiębiorcy", "sl_plec", "sw_plec", false, "PŁEĆ PRZED."},
    {"Według rodzaju klienta funduszu pożyczkowego", "sl_rodz", "sw_rodz", false, "RODZAJ KLIENTA"},
    {"Według miejsca zarejestrowania działalności gospodarczej lub miejsca pochodzenia pożyczkobiorcy", "sl_zarej",
     "sw_zarej", false, "MIEJSCE ZAREJESTR.\rDZIAŁALNOŚCI"},
}};

// In the column order of the POZYCZKI row statement; captions as the page heads its columns.
inline constexpr std::array<StatisticPair, 32> StatisticPairs{{
    {"MIKRO_LS", "MIKRO_WS", "Jvl_mik", "Jvw_mik", 0, "mikro", "Mikro", "typ mikro"},
    {"MALE_LS", "MALE_WS", "Jvl_mal", "Jvw_mal", 0, "małe", "Małe", "typ male"},
    {"SREDNIE_LS", "SREDNIE_WS", "Jvl_sred", "Jvw_sred", 0, "średnie", "Średnie", "typ srednie"},
    {"INNE_LS", "INNE_WS", "Jvl_in", "Jvw_in", 0, "Inne", "Inne", "typ inne"},
    {"EKO_LS", "EKO_WS", "Jvl_ek", "Jvw_ek", 0, "w tym inst ekon i społ", "Ekonom. społ.", "typ spoleczne", false},
    {"OBROT_LS", "OBROT_WS", "Jvl_obr", "Jvw_obr", 1, "obrotowy", "Obrotowa", "przeznaczenie obrotowy"},
    {"INWES_LS", "INWES_WS", "Jvl_inw", "Jvw_inw", 1, "inwestycyjny", "Inwest.", "przeznaczenie inwestycyjny"},
    {"IO_LS", "IO_WS", "Jvl_oi", "Jvw_oi", 1, "inwestycyjno - obrotowy", "Inwest-obrotowa",
     "przeznaczenie inwestycyjno-obrotowy"},
    {"RO_LS", "RO_WS", "l_rol", "w_rol", 2, "rolnictwo,leśnictwo, łowiectwo i rybactwo (PKD 01-03)", "Rolnictwo,..",
     "dzialalnosc PKD 01"},
    {"GOR_LS", "GOR_WS", "l_gor", "w_gor", 2, "górnictwo i wydobywanie (PKD 05-09)", "Górnictwo..",
     "dzialalnosc PKD 05"},
    {"PRZET_LS", "PRZET_WS", "l_przet", "w_przet", 2, "przetwórstwo przemysłowe (PKD 10-33)", "Przetwórstwo",
     "dzialalnosc PKD 10"},
    {"DZIAL_LS", "DZIAL_WS", "l_dzial", "w_dzial", 2,
     "działalność związana z wytwarzaniem i zaopatrywaniem w energię elektryczną, gaz, wodę, oraz gospodarowanie "
     "ściekami i odpadami (PKD 35-39)",
     "Wytwarzanie i zaop...", "dzialalnosc PKD 35"},
    {"BUD_LS", "BUD_WS", "l_bud", "w_bud", 2, "budownictwo (PKD 41-43)", "Budownictwo", "dzialalnosc PKD 41"},
    {"HAN_LS", "HAN_WS", "l_han", "w_han", 2, "handel (PKD 45-47)", "Handel", "dzialalnosc PKD 45"},
    {"TRAN_LS", "TRAN_WS", "l_tran", "w_tran", 2, "transport (PKD 49-53)", "Transport", "dzialalnosc PKD 49"},
    {"US_LS", "US_WS", "l_poz", "w_poz", 2, "pozostałe usługi (PKD 55-96)", "Pozostałe", "dzialalnosc PKD 55"},
    {"IN_LS", "IN_WS", "l_in", "w_in", 2, "inne rodzaje działalności (PKD 97-99)", "Inne rodzaje",
     "dzialalnosc PKD 97"},
    {"JVL_10", "JVW_10", "Jvl_10", "Jvw_10", 3, "< 10 tys", "<10 tys. zł", "kwota do 10"},
    {"JVL_10_30", "JVW_10_30", "Jvl_10_30", "Jvw_10_30", 3, "pow. 10 - 30 tys", "pow. 10-30 tys.", "kwota 10-30"},
    {"JVL_30_50", "JVW_30_50", "Jvl_30_50", "Jvw_30_50", 3, "pow. 30 - 50 tys", "pow. 30-50 tys.", "kwota 30-50"},
    {"JVL_50_120", "JVW_50_120", "Jvl_50_120", "Jvw_50_120", 3, "pow. 50 -120 tys", "pow. 50-120 tys", "kwota 50-120"},
    {"JVL_120_300", "JVW_120_300", "Jvl_120_300", "Jvw_120_300", 3, "pow.120 - 300 tys", "pow. 120-300 tys",
     "kwota 120-300"},
    {"JVL_300", "JVW_300", "Jvl_300", "Jvw_300", 3, "pow. 300 tys", "pow. 300 tys", "kwota pow. 300"},
    {"S_PRZP_LS", "S_PRZP_WS", "l_12mc", "w_12mc", 4,
     "rozpoczynający działalność gospodarczą (do 12 m-cy od zarejstrowania)", "Rozpoczynający dział.",
     "status rozpoczynajacy"},
    {"S_PRZK_LS", "S_PRZK_WS", "l_kon", "w_kon", 4, "kontynuujący działalność gospodarczą", "Kontynuujący dział.",
     "status kontynuujacy"},
    {"PL_KOB_LS", "PL_KOB_WS", "l_kob", "w_kob", 5, "kobieta", "Kobieta", "plec kobieta"},
    {"PL_MEN_LS", "PL_MEN_WS", "l_men", "w_men", 5, "mężczyzna", "Mężczyzna", "plec mezczyzna"},
    {"PL_POZ_LS", "PL_POZ_WS", "l_popl", "w_popl", 5, "pozostałe", "Pozostałe", "plec pozostale"},
    {"RK_POC_LS", "RK_POC_WS", "l_pier", "w_pier", 6,
     "przedsiębiorcy korzystający z usług funduszu pożyczkowego po raz pierwszy", "Przed. po raz pierwszy",
     "rodzaj rozpoczynajacy"},
    {"RK_KOL_LS", "RK_KOL_WS", "l_kol", "w_kol", 6,
     "przedsiębiorcy korzystający z usług funduszu pożyczkowego po raz kolejny", "Przed. po raz kolejny",
     "rodzaj kontynuujacy"},
    {"MZ_WIEJ_LS", "MZ_WIEJ_WS", "l_wiej", "w_wiej", 7,
     "obszar wiejski (gminy wiejskie, wiejsko-miejskie oraz miasta poniżej 25 tys. mieszkańców", "Obszar wiejski",
     "pochodzenie wiejskich"},
    {"MZ_MIEJ_LS", "MZ_MIEJ_WS", "l_miej", "w_miej", 7, "obszar miejski (miasta powyżej 25 tys. miszkańców",
     "Obszar miejski", "pochodzenie miejskich"},
}};

// The pair whose count control is `countControl`; throws std::logic_error on an unknown name.
inline const StatisticPair &statisticPair(std::string_view countControl)
{
    return rowByControl(StatisticPairs, countControl, [](const StatisticPair &p) { return p.countControl; });
}

} // namespace store
