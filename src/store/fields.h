#pragma once

// The fields of the period's pages, described once: their control names, kinds,
// limits, captions and the reporting-database columns they are loaded from and
// saved to. Pages build their controls from these tables; the loads, saves, the
// import, the XML file and the summary read and write the fields by these names.

#include "controllookup.h"

#include <array>
#include <cstddef>
#include <string_view>

namespace store {

enum class FieldKind {
    Text,    // a text edit or a combo box
    Date,    // a date picker
    Count,   // numeric edit, whole number
    Money,   // numeric edit, fixed-point money with four decimals, shown with two
    Decimal, // numeric edit, floating value, shown with two decimals
};

// How a value is written back to its column.
enum class SaveAs { Text, Date, Integer, Number, Currency, None };

// Items of the combo boxes that accept no typing.
enum class Choices { None, LegalForm, YesNo, YesNoNotApplicable };

struct FieldSpec
{
    std::string_view control;
    FieldKind kind;
    std::string_view column; // empty: not stored
    SaveAs saveAs;
    std::string_view caption;
    int maxLength = 0; // text edits: most characters; 0 = no limit
    Choices choices = Choices::None;
    std::string_view suffix = {}; // numeric edits: shown after the number when not focused
};

inline constexpr std::array<std::string_view, 5> LegalFormItems{"", "Spółka Akcyjna", "Spółka Z O.O.", "Fundacja",
                                                                "Stowarzyszenie"};
inline constexpr std::array<std::string_view, 3> YesNoItems{"", "Tak", "Nie"};
inline constexpr std::array<std::string_view, 4> YesNoNotApplicableItems{"", "Tak", "Nie", "Nie dotyczy"};

// Page "Dane Funduszu", table DANE_INST, in tab order.
inline constexpr std::array<FieldSpec, 11> InstitutionFields{{
    {"cb_forma_inst", FieldKind::Text, "FORMA", SaveAs::Text, "Forma prawna", 25, Choices::LegalForm},
    {"e_nazwa_inst", FieldKind::Text, "NAZWA", SaveAs::Text, "Nazwa instytucji prowadzącej fundusz pożyczkowy", 100},
    {"e_nip_inst", FieldKind::Text, "NIP", SaveAs::Text, "NIP", 15},
    {"e_krs_inst", FieldKind::Text, "KRS", SaveAs::Text, "KRS", 30},
    {"e_adres_inst", FieldKind::Text, "ADRES", SaveAs::Text, "Ulica nr domu/ lokal", 50},
    {"e_kod_inst", FieldKind::Text, "KOD_POCZTA", SaveAs::Text, "Kod pocztowy / poczta", 30},
    {"e_miasto_inst", FieldKind::Text, "MIASTO", SaveAs::Text, "Miejscowość", 30},
    {"e_tel_inst", FieldKind::Text, "TELEFON", SaveAs::Text, "Telefon", 30},
    {"dt_rok_inst", FieldKind::Date, "ROK_ZAL", SaveAs::Date, "Rok założenia"},
    {"e_fax_inst", FieldKind::Text, "FAX", SaveAs::Text, "Fax", 30},
    {"e_mail_inst", FieldKind::Text, "EMAIL", SaveAs::Text, "E-mail", 30},
}};

// Page "Zasady gospodarowania", table ZASADY, in tab order: each rule's field,
// the printed summary's label and, for the yes/no rules the XML file lists among
// "zasady_gospodarowania_tak_nie", its typ (the other rules have tags of their own).
struct RuleSpec
{
    FieldSpec field;
    std::string_view summaryLabel;
    std::string_view xmlTyp;     // empty: not a "zasady_gospodarowania_tak_nie" entry
    std::string_view columnType; // the column's type in CREATE TABLE ZASADY
};

inline constexpr std::array<RuleSpec, 13> Rules{{
    {{"cb_fundusz", FieldKind::Text, "FUN_NIE_ZYS", SaveAs::Text, "Fundusz nie działa dla zysku", 0, Choices::YesNo},
     "Fundusz nie działa dla\rzysku",
     "fundusz_nie_dziala_dla_zysku",
     "VARCHAR(15)"},
    {{"cb_analiza", FieldKind::Text, "PO_ANALIZ", SaveAs::Text,
      "Fundusz udziela pożyczek po analizie  ryzyka niespłacenia i po ustanowieniu zabezpieczenia", 0, Choices::YesNo},
     "Fundusz udziela pożyczek\rpo analizie ryzyka...",
     "fundusz_udziela_pozyczek_po_analizie_ryzyka_niesplacenia_i_po_ustanowieniu_zabezpieczenia",
     "VARCHAR(15)"},
    {{"cb_syt", FieldKind::Text, "TRUD_SYT", SaveAs::Text,
      "Pożyczki udzielane są przedsiębiorcom nie będącym w trudnej sytuacji", 0, Choices::YesNo},
     "Pożyczki udzielane są\rdla przedsiębiorców w nie\rtrudnej sytuacji",
     "pozyczki_udzielane_sa_przedsiebiorcom_nie_bedacym_w_trudnej_sytuacji",
     "VARCHAR(15)"},
    {{"cb_pot", FieldKind::Text, "POT_EKO", SaveAs::Text, "Fundusz posiada odpowiedni potencjał ekonomiczny", 0,
      Choices::YesNo},
     "Fundusz posiada\rodpowiedni poencjał ekon.",
     "fundusz_posiada_odpowiedni_potencjal_ekonomiczny",
     "VARCHAR(15)"},
    {{"e_zinne", FieldKind::Text, "INNE", SaveAs::Text, "Inne", 80}, "Inne", {}, "VARCHAR(80)"},
    {{"cb_kwal", FieldKind::Text, "KWAL_PRAC", SaveAs::Text,
      "Fundusz zatrudnia pracowników posiadających odpowiednie kwalifikacje", 0, Choices::YesNo},
     "Fundusz zatrudnia \rpracowników z odpowiednimi\rkwalifikacjami",
     "fundusz_zatrudnia_pracownikow_posiadajacych_odpowiednie_kwalifikacje",
     "VARCHAR(15)"},
    {{"jv_max", FieldKind::Money, "MAX_POZ", SaveAs::Number, "Maxymalna wielkość pożyczki"},
     "Maxymalna wielkość\rpożyczki",
     {},
     "DECIMAL(15,2)"},
    {{"jv_min_opr", FieldKind::Decimal, "MIN_OPR", SaveAs::Number, "Minimalne oprocentowanie", 0, Choices::None, " %"},
     "Minimalne oprocentowanie",
     {},
     "DECIMAL(15,2)"},
    {{"cb_wym_tech", FieldKind::Text, "WYM_TECH", SaveAs::Text,
      "Podmiot spełnia wymagania w zakresie potencjału technicznego zgodnie z punktem II 1 \"Standardu funduszu "
      "pożyczkowego i usługi finansowej polegającej na udzielaniu pożyczki\" ",
      0, Choices::YesNoNotApplicable},
     "Podmiot spełnia\rwymagania w zakresie\rpot. technicznego",
     "podmiot_spelnia_wymagania_w_zakresie_potencjalu_technicznego_zgodnie_z_punktem_ii_1_standardu_funduszu_"
     "pozyczkowego_i_uslugi_finansowej_polegajacej_na_udzielaniu_pozyczki",
     "VARCHAR(15) CHARACTER SET NONE"},
    {{"cb_wym_eko", FieldKind::Text, "WYM_EKO", SaveAs::Text,
      "Podmiot spełnia wymagania w zakresie potencjału ekonomicznego zgodnie z punktem II 2 \"Standardu funduszu "
      "pożyczkowego i usługi finansowej polegającej na udzielaniu pożyczki\" ",
      0, Choices::YesNoNotApplicable},
     "Podmiot spełnia\rwymagania w zakresie\rpot. ekonomicznego",
     "podmiot_spelnia_wymagania_w_zakresie_potencjalu_ekonomicznego_zgodnie_z_punktem_ii_2_standardu_funduszu_"
     "pozyczkowego_i_uslugi_finansowej_polegajacej_na_udzielaniu_pozyczki",
     "VARCHAR(15) CHARACTER SET NONE"},
    {{"cb_wym_usl", FieldKind::Text, "WYM_USL", SaveAs::Text,
      "Podmiot spełnia wymagania w zakresie jakości usług zgodnie z punktem II 3 \"Standardu funduszu pożyczkowego "
      "i usługi finansowej polegającej na udzielaniu pożyczki\"",
      0, Choices::YesNoNotApplicable},
     "Podmiot spełnia\rymagania w zakresie\rjakości usług",
     "podmiot_spelnia_wymagania_w_zakresie_jakosci_uslug_zgodnie_z_punktem_ii_3_standardu_funduszu_pozyczkowego_i_"
     "uslugi_finansowej_polegajacej_na_udzielaniu_pozyczki",
     "VARCHAR(15) CHARACTER SET NONE"},
    {{"cb_et_zaw", FieldKind::Text, "ET_ZAW", SaveAs::Text,
      "Fundusz przestrzega zasad etyki zawodowej zgodnie z punktem II 4 \"Standardu funduszu pożyczkowego i usługi "
      "finansowej polegającej na udzielaniu pożyczki\"",
      0, Choices::YesNoNotApplicable},
     "Fundusz\rprzestrzega\rzasad etyki zaw.",
     "fundusz_przestrzega_zasad_etyki_zawodowej_zgodnie_z_punktem_ii_4_standardu_funduszu_pozyczkowego_i_uslugi_"
     "finansowej_polegajacej_na_udzielaniu_pozyczki",
     "VARCHAR(15) CHARACTER SET NONE"},
    {{"Okres_spl", FieldKind::Count, "OKRES_SPL", SaveAs::Integer, "Maxymalny okres spłaty pożyczki"},
     "Maxymalny okres\rspłaty pożyczki",
     {},
     "INTEGER"},
}};

// The rules' fields alone, in tab order.
inline constexpr std::array<FieldSpec, Rules.size()> RuleFields = [] {
    std::array<FieldSpec, Rules.size()> fields{};
    for (std::size_t i = 0; i < Rules.size(); ++i)
        fields[i] = Rules[i].field;
    return fields;
}();

// The rule of control `control`; throws std::logic_error on an unknown name.
inline const RuleSpec &rule(std::string_view control)
{
    return rowByControl(Rules, control, [](const RuleSpec &r) { return r.field.control; });
}

inline const FieldSpec &ruleField(std::string_view control)
{
    return rule(control).field;
}

// Page "Aktywne i stracone pożyczki", table AKT_STR: one row per item, with the
// printed summary's label and the XML file's typ of the row (the loss ratio has a
// tag of its own there). The XML typ of the terminated loans is spelt right,
// unlike the page's caption.
struct ActiveLostRow
{
    std::string_view number;
    std::string_view caption;
    FieldSpec count;
    FieldSpec value;
    std::string_view summaryLabel;
    std::string_view xmlTyp;
};

inline constexpr std::array<ActiveLostRow, 7> ActiveLostRows{{
    {"1.",
     "Pożyczki aktywne na koniec okresu sprawozdawczego (obowiązujące umowy)",
     {"Jvl_poz_akt", FieldKind::Count, "PA_L", SaveAs::Integer, ""},
     {"Jvw_poz_akt", FieldKind::Money, "PA_W", SaveAs::Number, ""},
     "Pożyczki aktywne",
     "Pożyczki aktywne na koniec okresu sprawozdawczego (obowiązujące umowy)"},
    {"1 a.",
     "- spłacane terminowo (opóźnienia w spłacie nie przekraczające 30 dni)",
     {"Jvl_splac_term", FieldKind::Count, "ST_L", SaveAs::Integer, ""},
     {"Jvw_splac_term", FieldKind::Money, "ST_W", SaveAs::Number, ""},
     "-spłacane terminowo",
     "- spłacane terminowo (opóźnienia w spłacie nie przekraczające 30 dni)"},
    {"1 b.",
     "- pożyczki o opóźnieniach w spłacie od 31 do 90 dni",
     {"Jvl_po_31_180", FieldKind::Count, "PO_31_180_L", SaveAs::Integer, ""},
     {"Jvw_po_31_180", FieldKind::Money, "PO_31_180_W", SaveAs::Number, ""},
     "-poż. o opóźnieniach od 31 do 90 dni",
     "- pożyczki o opóźnieniach w spłacie od 31 do 90 dni"},
    {"1 c.",
     "- pożyczki o opóźnieniach w spłacie powyżej 90 dni",
     {"Jvl_po_180", FieldKind::Count, "PO_180_L", SaveAs::Integer, ""},
     {"Jvw_po_180", FieldKind::Money, "PO_180_W", SaveAs::Number, ""},
     "-poż. o opóźnieniach powyżej 90 dni",
     "- pożyczki o opóźnieniach w spłacie powyżej 90 dni"},
    {"2.",
     "Pożyczki dla których zostały wypowiedziane umowy pożyczkowe, w tym podlegające widykacji",
     {"Jvl_pw", FieldKind::Count, "PW_L", SaveAs::Integer, ""},
     {"Jvw_pw", FieldKind::Money, "PW_W", SaveAs::Number, ""},
     "-poż. wypowiedziane, windykowane",
     "Pożyczki dla których zostały wypowiedziane umowy pożyczkowe, w tym podlegające windykacji"},
    {"3.",
     "Pożyczki stracone w danym okresie",
     {"Jvl_poz_strac", FieldKind::Count, "PS_L", SaveAs::Integer, ""},
     {"Jv_poz_strac", FieldKind::Money, "PS_W", SaveAs::Number, ""},
     "Pożyczki stracone",
     "Pożyczki stracone w danym okresie"},
    {"4.",
     "Współczynnik strat w danym okresie",
     {"Jvl_wspol_strat", FieldKind::Decimal, "WSDO_L", SaveAs::Number, "", 0, Choices::None, " %"},
     {"Jvw_wspol_strat", FieldKind::Decimal, "WSDO_W", SaveAs::Number, ""},
     "Wsp. strat w danym okresie",
     "Współczynnik strat w danym okresie"},
}};

// The row whose count control is `countControl`; throws std::logic_error on an unknown name.
inline const ActiveLostRow &activeLostRow(std::string_view countControl)
{
    return rowByControl(ActiveLostRows, countControl, [](const ActiveLostRow &r) { return r.count.control; });
}

// Page "Kapitał pożyczkowy": the fields that are not grids.
inline constexpr std::array<FieldSpec, 4> CapitalFields{{
    {"cb_grupa", FieldKind::Text, "", SaveAs::None, "Grupa"},
    {"JvValidateEdit7", FieldKind::Money, "", SaveAs::None, "Suma:"},
    {"Prz_kw", FieldKind::Decimal, "KWOTA", SaveAs::Number, "Przyrost(+)/spadk(-) kapitału"},
    {"Przyr_spad", FieldKind::Text, "NAZWA", SaveAs::Text, "Przyczyna przyrostu lub spadku kapitału", 99},
}};

} // namespace store
