#pragma once

// The loan capital page's statements: the component dictionary read per group,
// the period's components (KAPITAL_FUND) with their totals, and the capital
// sources (DANE_KAP rows with ZRODLO 1). Every write is committed at once, so
// nothing the user does on the page waits for a later save.

#include "db/money.h"
#include "openperiod.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace db {
class Connection;
}

namespace store {

class PageModel;

// One KAPITAL_FUND row, as the component grid, the XML file and the printed summary show it.
struct CapitalComponent
{
    qint64 ID_SKL = 0;
    qint64 ID_OK = 0;
    QString SKLADNIK;
    std::optional<db::Money> WARTOSC; // none for NULL
    qint64 NAZWA_R = 0;
    qint64 GRUPA = 0;
    qint64 RODZAJ = 0;
    QString SZCZEGOLY;
    // The dictionary name of NAZWA_R (empty when the dictionary has no such code),
    // cut to the 50 characters of the grid's column.
    QString NAZ_PROJEKTU_SLOWN;
    bool operator==(const CapitalComponent &) const = default;
};

// An entry of GroupComponents: one component of the chosen group as the
// dictionary holds it (Kod, Nazwa, Grupa = the group's Kod, Rodzaj).
using GroupComponent = CapitalGroup;
using GroupComponentList = QList<GroupComponent>;

// The RODZAJ of a component: what details it carries.
inline constexpr qint64 RodzajValueOnly = 1; // none
inline constexpr qint64 RodzajListEntry = 2; // one of the component's list entries
inline constexpr qint64 RodzajFreeText = 3;  // a free text of up to 100 characters

// The Kod of the group named `name` exactly (the last such entry when several
// share the name); 0 when no group has that name.
qint64 findCapitalGroup(const CapitalGroupList &groups, const QString &name);

// The dictionary's children of one entry in storage order: the components of a
// group, or the list entries of a component. The list grows with the dictionary.
GroupComponentList LoadGroupComponents(db::Connection &ksu, qint64 parentKod);
// The names of a component's list entries, in storage order.
QStringList LoadComponentListEntries(db::Connection &ksu, qint64 componentKod);

// The period's components of one group in ID_SKL order, with their dictionary
// names.
QList<CapitalComponent> LoadCapitalComponents(db::Connection &ksu, qint64 periodId, qint64 groupKod);
// Every component of the period, whatever its group, in ID_SKL order.
QList<CapitalComponent> LoadCapitalComponents(db::Connection &ksu, qint64 periodId);

// The sum of the values of the open period's components of one group; none
// when the group has no component.
std::optional<db::Money> CapitalGroupTotal(db::Connection &ksu, const OpenPeriod &period, qint64 groupKod);

// The next ID_SKL: the largest over all periods plus 1, or 1 for an empty table.
qint64 NextComponentId(db::Connection &ksu);

// What the add dialog inserts besides the key and the period.
struct NewCapitalComponent
{
    QString SKLADNIK;
    db::Money WARTOSC;
    qint64 NAZWA_R = 0;
    qint64 GRUPA = 0;
    qint64 RODZAJ = 0;
    QString SZCZEGOLY;
};

// Inserts a component into the open period with the next ID_SKL and commits;
// returns the new ID_SKL.
qint64 InsertCapitalComponent(db::Connection &ksu, const OpenPeriod &period, const NewCapitalComponent &component);
void DeleteCapitalComponent(db::Connection &ksu, qint64 idSkl);
// A value or a detail edited in the component grid, committed at once.
void UpdateCapitalComponentValue(db::Connection &ksu, qint64 idSkl, db::Money value);
void UpdateCapitalComponentDetails(db::Connection &ksu, qint64 idSkl, const QString &details);

// A capital source added or edited through the source dialog; commits and
// reloads the sources into the model.
void InsertCapitalSource(db::Connection &ksu, const OpenPeriod &period, const QString &name, db::Money amount,
                         PageModel &model);
void UpdateCapitalSource(db::Connection &ksu, const OpenPeriod &period, qint64 id, const QString &name,
                         db::Money amount, PageModel &model);

} // namespace store
