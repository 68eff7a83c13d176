#include "printedsummary.h"

#include "common/messages.h"
#include "db/connection.h"
#include "db/value.h"
#include "reportsheet.h"
#include "store/fields.h"
#include "store/pagemodel.h"
#include "store/periodstore.h"
#include "store/statisticpairs.h"
#include "xmlreport.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string_view>

namespace reports {

namespace {

using store::toQString;

// The rules in the summary's order; their labels are the rules' own (Rules).
constexpr std::array<std::string_view, 13> RuleOrder{
    "cb_fundusz", "jv_min_opr",  "cb_analiza", "jv_max",     "Okres_spl", "cb_syt",  "cb_pot",
    "cb_kwal",    "cb_wym_tech", "cb_wym_eko", "cb_wym_usl", "cb_et_zaw", "e_zinne",
};

constexpr int ActiveLostHeaderRow = 41;
constexpr int RulesHeaderRow = 50;
constexpr int CapitalHeadingRow = 65;
constexpr int RowsPerBreakdown = 5;

QString moneyCell(const store::PageModel &model, const QString &control)
{
    return PointAmount(model.money(control));
}

void writeStatistics(ReportSheet &sheet, const store::PageModel &model)
{
    sheet.setCell(0, 0, QStringLiteral("DANE ZBIORCZE"));
    for (int g = 0; g < int(store::StatisticGroups.size()); ++g) {
        const int top = 1 + RowsPerBreakdown * g;
        const store::StatisticGroup &group = store::StatisticGroups[g];
        sheet.setCell(0, top, toQString(group.summaryHeading));
        sheet.setCell(0, top + 2, QStringLiteral("Liczba poż."));
        sheet.setCell(0, top + 3, QStringLiteral("Wartość poż."));
        int column = 1;
        for (const store::StatisticPair &p : store::StatisticPairs) {
            if (p.group != g)
                continue;
            if (p.summaryLabel.empty())
                throw std::logic_error("a breakdown of the summary lacks a column label");
            sheet.setCell(column, top + 1, toQString(p.summaryLabel));
            sheet.setCell(column, top + 2, model.shownText(toQString(p.countControl)));
            sheet.setCell(column, top + 3, moneyCell(model, toQString(p.valueControl)));
            ++column;
        }
        sheet.setCell(column, top + 1, QStringLiteral("Suma"));
        sheet.setCell(column, top + 2, model.shownText(toQString(group.countSum)));
        sheet.setCell(column, top + 3, moneyCell(model, toQString(group.valueSum)));
    }
}

void writeActiveLost(ReportSheet &sheet, const store::PageModel &model)
{
    int c = sheet.setCell(0, ActiveLostHeaderRow, QStringLiteral("DANE DOTYCZĄCE POŻYCZEK\rAKTYWNYCH I STRACONYCH"));
    c = sheet.setCell(c, ActiveLostHeaderRow, QStringLiteral("ILOŚĆ"));
    sheet.setCell(c, ActiveLostHeaderRow, QStringLiteral("WARTOŚĆ"));
    int row = ActiveLostHeaderRow + 1;
    for (const store::ActiveLostRow &item : store::ActiveLostRows) {
        c = sheet.setCell(0, row, toQString(item.summaryLabel));
        c = sheet.setCell(c, row, model.shownText(toQString(item.count.control)));
        sheet.setCell(c, row, moneyCell(model, toQString(item.value.control)));
        ++row;
    }
}

void writeRules(ReportSheet &sheet, const store::PageModel &model)
{
    const int c = sheet.setCell(0, RulesHeaderRow, QStringLiteral("ZASADY GOSPODAROWANIA\rFUNDUSZEM POŻYCZKOWYM"));
    sheet.setCell(c, RulesHeaderRow, QStringLiteral("WARTOŚĆ"));
    int row = RulesHeaderRow + 1;
    for (std::string_view control : RuleOrder) {
        const store::RuleSpec &rule = store::rule(control);
        sheet.setCell(sheet.setCell(0, row, toQString(rule.summaryLabel)), row, model.shownText(toQString(control)));
        ++row;
    }
}

// The groups from row 66 on; returns the row pointer after the last component.
int writeCapitalComponents(ReportSheet &sheet, const QList<CapitalGroupComponents> &groups)
{
    sheet.setCell(0, CapitalHeadingRow, QStringLiteral("KAPITAŁ POŻYCZKOWY"));
    int r = CapitalHeadingRow + 1;
    for (const CapitalGroupComponents &group : groups) {
        ++r;
        sheet.setCell(0, r, group.group.Nazwa);
        ++r;
        int c = sheet.setCell(1, r, QStringLiteral("Składnik"));
        c = sheet.setCell(c, r, QStringLiteral("Wartość"));
        sheet.setCell(c, r, QStringLiteral("Szczegóły"));
        ++r;
        for (const CapitalComponent &component : group.components) {
            // Only the three kinds of component a group can hold are listed.
            if (component.RODZAJ < 1 || component.RODZAJ > 3)
                continue;
            c = sheet.setCell(1, r, component.SKLADNIK);
            c = sheet.setCell(c, r, PointAmount(component.WARTOSC));
            sheet.setCell(c, r, component.SZCZEGOLY);
            ++r;
        }
    }
    return r;
}

void writeCapitalChangeAndSources(ReportSheet &sheet, int r, db::Connection &ksu, const store::OpenPeriod &period,
                                  const store::PageModel &model)
{
    sheet.setCell(0, r + 2, QStringLiteral("DANE DOT. KAP."));
    sheet.setCell(sheet.setCell(0, r + 3, QStringLiteral("Przyrost(+)\rSpadek(-)")), r + 3,
                  QStringLiteral("Przyczyna"));
    sheet.setCell(sheet.setCell(0, r + 4, model.shownText(QStringLiteral("Prz_kw"))), r + 4,
                  model.text(QStringLiteral("Przyr_spad")));

    sheet.setCell(0, r + 6, QStringLiteral("ŹRÓDŁA KAP."));
    sheet.setCell(sheet.setCell(1, r + 7, QStringLiteral("Nazwa")), r + 7, QStringLiteral("Kwota"));
    int row = r + 8;
    for (const store::CapitalSource &source : store::LoadCapitalSources(ksu, period.id())) {
        sheet.setCell(sheet.setCell(1, row, source.nazwa), row, PointAmount(source.kwota));
        ++row;
    }
}

} // namespace

QStringList BuildPrintedSummary(ReportSheet &sheet, db::Connection &ksu, const store::OpenPeriod &period,
                                const store::CapitalGroupList &groups, const store::PageModel &model,
                                const QDateTime &now)
{
    // Filled aside: a database error leaves the sheet as it was.
    ReportSheet summary;
    summary.ClearGrid();
    summary.titleLines << QStringLiteral("Dane sprawozdania za okres '") + period.PeriodStartText
                              + QStringLiteral("' do '") + period.PeriodEndText + u'\''
                       << QStringLiteral("Data utworzenia: ") + db::shortDateText(now.date()) + u' '
                              + db::longTimeText(now.time())
                       << QStringLiteral("Wersja programu: ") + applicationTitle();
    writeStatistics(summary, model);
    writeActiveLost(summary, model);
    writeRules(summary, model);
    const QList<CapitalGroupComponents> components = ReadCapitalComponents(ksu, period, groups);
    const int r = writeCapitalComponents(summary, components);
    writeCapitalChangeAndSources(summary, r, ksu, period, model);
    QStringList leftOut = ComponentsLeftOut(ksu, period.id(), components);
    sheet = summary;
    return leftOut;
}

} // namespace reports
