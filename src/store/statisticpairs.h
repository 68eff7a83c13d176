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
};

// One breakdown of the page: its heading and the sum fields of its rows.
struct StatisticGroup
{
    std::string_view heading;
    std::string_view countSum;
    std::string_view valueSum;
    bool sumReadOnly;
};

inline constexpr std::array<StatisticGroup, 8> StatisticGroups{{
    {"Według typu przedsiębiorstwa", "Jvl_r", "Jvw_r", false},
    {"Według przeznaczenia", "Jvl_poz", "Jvw_poz", false},
    {"Według sektora działalności pożyczkobiorcy", "sl_dzial", "sw_dzial", true},
    {"Według wielkości udzielonej pożyczki", "Jvl_ra", "Jvw_ra", false},
    {"Według statusu przedsiębiorstwa", "sl_stat", "sw_stat", false},
    {"Według płci przedsiębiorcy", "sl_plec", "sw_plec", false},
    {"Według rodzaju klienta funduszu pożyczkowego", "sl_rodz", "sw_rodz", false},
    {"Według miejsca zarejestrowania działalności gospodarczej lub miejsca pochodzenia pożyczkobiorcy", "sl_zarej",
     "sw_zarej", false},
}};

// In the column order of the POZYCZKI row statement; captions as the page heads its columns.
inline constexpr std::array<StatisticPair, 32> StatisticPairs{{
    {"MIKRO_LS", "MIKRO_WS", "Jvl_mik", "Jvw_mik", 0, "mikro"},
    {"MALE_LS", "MALE_WS", "Jvl_mal", "Jvw_mal", 0, "małe"},
    {"SREDNIE_LS", "SREDNIE_WS", "Jvl_sred", "Jvw_sred", 0, "średnie"},
    {"INNE_LS", "INNE_WS", "Jvl_in", "Jvw_in", 0, "Inne"},
    {"EKO_LS", "EKO_WS", "Jvl_ek", "Jvw_ek", 0, "w tym inst ekon i społ"},
    {"OBROT_LS", "OBROT_WS", "Jvl_obr", "Jvw_obr", 1, "obrotowy"},
    {"INWES_LS", "INWES_WS", "Jvl_inw", "Jvw_inw", 1, "inwestycyjny"},
    {"IO_LS", "IO_WS", "Jvl_oi", "Jvw_oi", 1, "inwestycyjno - obrotowy"},
    {"RO_LS", "RO_WS", "l_rol", "w_rol", 2, "rolnictwo,leśnictwo, łowiectwo i rybactwo (PKD 01-03)"},
    {"GOR_LS", "GOR_WS", "l_gor", "w_gor", 2, "górnictwo i wydobywanie (PKD 05-09)"},
    {"PRZET_LS", "PRZET_WS", "l_przet", "w_przet", 2, "przetwórstwo przemysłowe (PKD 10-33)"},
    {"DZIAL_LS", "DZIAL_WS", "l_dzial", "w_dzial", 2,
     "działalność związana z wytwarzaniem i zaopatrywaniem w energię elektryczną, gaz, wodę, oraz gospodarowanie "
     "ściekami i odpadami (PKD 35-39)"},
    {"BUD_LS", "BUD_WS", "l_bud", "w_bud", 2, "budownictwo (PKD 41-43)"},
    {"HAN_LS", "HAN_WS", "l_han", "w_han", 2, "handel (PKD 45-47)"},
    {"TRAN_LS", "TRAN_WS", "l_tran", "w_tran", 2, "transport (PKD 49-53)"},
    {"US_LS", "US_WS", "l_poz", "w_poz", 2, "pozostałe usługi (PKD 55-96)"},
    {"IN_LS", "IN_WS", "l_in", "w_in", 2, "inne rodzaje działalności (PKD 97-99)"},
    {"JVL_10", "JVW_10", "Jvl_10", "Jvw_10", 3, "< 10 tys"},
    {"JVL_10_30", "JVW_10_30", "Jvl_10_30", "Jvw_10_30", 3, "pow. 10 - 30 tys"},
    {"JVL_30_50", "JVW_30_50", "Jvl_30_50", "Jvw_30_50", 3, "pow. 30 - 50 tys"},
    {"JVL_50_120", "JVW_50_120", "Jvl_50_120", "Jvw_50_120", 3, "pow. 50 -120 tys"},
    {"JVL_120_300", "JVW_120_300", "Jvl_120_300", "Jvw_120_300", 3, "pow.120 - 300 tys"},
    {"JVL_300", "JVW_300", "Jvl_300", "Jvw_300", 3, "pow. 300 tys"},
    {"S_PRZP_LS", "S_PRZP_WS", "l_12mc", "w_12mc", 4,
     "rozpoczynający działalność gospodarczą (do 12 m-cy od zarejstrowania)"},
    {"S_PRZK_LS", "S_PRZK_WS", "l_kon", "w_kon", 4, "kontynuujący działalność gospodarczą"},
    {"PL_KOB_LS", "PL_KOB_WS", "l_kob", "w_kob", 5, "kobieta"},
    {"PL_MEN_LS", "PL_MEN_WS", "l_men", "w_men", 5, "mężczyzna"},
    {"PL_POZ_LS", "PL_POZ_WS", "l_popl", "w_popl", 5, "pozostałe"},
    {"RK_POC_LS", "RK_POC_WS", "l_pier", "w_pier", 6,
     "przedsiębiorcy korzystający z usług funduszu pożyczkowego po raz pierwszy"},
    {"RK_KOL_LS", "RK_KOL_WS", "l_kol", "w_kol", 6,
     "przedsiębiorcy korzystający z usług funduszu pożyczkowego po raz kolejny"},
    {"MZ_WIEJ_LS", "MZ_WIEJ_WS", "l_wiej", "w_wiej", 7,
     "obszar wiejski (gminy wiejskie, wiejsko-miejskie oraz miasta poniżej 25 tys. mieszkańców"},
    {"MZ_MIEJ_LS", "MZ_MIEJ_WS", "l_miej", "w_miej", 7, "obszar miejski (miasta powyżej 25 tys. miszkańców"},
}};

// The pair whose count control is `countControl`; throws std::logic_error on an unknown name.
inline const StatisticPair &statisticPair(std::string_view countControl)
{
    return rowByControl(StatisticPairs, countControl, [](const StatisticPair &p) { return p.countControl; });
}

} // namespace store
