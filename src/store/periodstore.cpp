#include "periodstore.h"

#include "db/connection.h"
#include "db/query.h"
#include "fields.h"
#include "statisticpairs.h"

#include <QDate>

#include <array>
#include <initializer_list>
#include <stdexcept>
#include <vector>

namespace store {

namespace {

using Specs = std::vector<const FieldSpec *>;

template <std::size_t N>
Specs specsOf(const std::array<FieldSpec, N> &table)
{
    Specs out;
    for (const FieldSpec &s : table)
        out.push_back(&s);
    return out;
}

Specs activeLostSpecs()
{
    Specs out;
    for (const ActiveLostRow &r : ActiveLostRows)
        out.insert(out.end(), {&r.count, &r.value});
    return out;
}

// The statistics fields' specs live in the model; each pair is count then value.
Specs statisticSpecs(const PageModel &model)
{
    Specs out;
    for (const StatisticPair &p : StatisticPairs)
        out.insert(out.end(), {&model.spec(toQString(p.countControl)), &model.spec(toQString(p.valueControl))});
    return out;
}

void loadField(const FieldSpec &spec, const db::Value &value, PageModel &model)
{
    const QString control = toQString(spec.control);
    switch (spec.kind) {
    case FieldKind::Date:
        model.setDate(control, value.toDate());
        break;
    case FieldKind::Text:
        model.setText(control, value.toString());
        break;
    default:
        // The statistics values take the amount exactly; every other number goes
        // through its text, so a NULL count or value leaves the field empty.
        if (spec.saveAs == SaveAs::Currency)
            model.setMoney(control, value.toMoney());
        else
            model.setText(control, value.toString());
        break;
    }
}

// Fills the fields from the first row of an executed select, or as from a row of
// NULLs when there is none.
void loadFirstRow(db::Query &query, const Specs &specs, PageModel &model)
{
    static const db::Value null;
    const bool hasRow = query.next();
    for (const FieldSpec *spec : specs)
        loadField(*spec, hasRow ? query.value(toQString(spec->column)) : null, model);
}

void loadPeriodRow(db::Connection &ksu, const char *table, const OpenPeriod &period, const Specs &specs,
                   PageModel &model)
{
    db::Query query(ksu, QStringLiteral("select * from %1 where ID_OK=:d0;").arg(QLatin1String(table)));
    query.execute({period.id()});
    loadFirstRow(query, specs, model);
}

db::Param saveParam(const FieldSpec &spec, const PageModel &model)
{
    const QString control = toQString(spec.control);
    switch (spec.saveAs) {
    case SaveAs::Text:
        return model.text(control);
    case SaveAs::Date:
        return model.date(control); // an invalid date binds NULL
    case SaveAs::Integer:
        return model.integer(control);
    case SaveAs::Currency:
        return model.money(control);
    case SaveAs::Number:
        // Amounts stay exact; ratios and rates are floating values by nature.
        if (spec.kind == FieldKind::Money)
            return model.money(control);
        return model.number(control);
    case SaveAs::None:
        break;
    }
    throw std::logic_error("field " + std::string(spec.control) + " is not saved");
}

void run(db::Connection &ksu, const QString &sql, std::initializer_list<db::Param> params)
{
    db::Query query(ksu, sql);
    query.execute(params);
}

// "COLUMN=:dN" for each field, numbered from 0.
QString setClauses(const Specs &specs)
{
    QStringList clauses;
    for (const FieldSpec *spec : specs)
        clauses << QStringLiteral("%1=:d%2").arg(toQString(spec->column)).arg(clauses.size());
    return clauses.join(QStringLiteral(", "));
}

// Binds the fields' values to :d0, :d1, ... in the order of the fields.
void bindFields(db::Query &query, const Specs &specs, const PageModel &model)
{
    for (int i = 0; i < int(specs.size()); ++i)
        query.bind(i, saveParam(*specs[i], model));
}

void updatePeriodRow(db::Connection &ksu, const char *table, const OpenPeriod &period, const Specs &specs,
                     const PageModel &model)
{
    const int last = int(specs.size());
    db::Query query(
        ksu,
        QStringLiteral("update %1 set %2 where Id_ok=:d%3").arg(QLatin1String(table), setClauses(specs)).arg(last));
    bindFields(query, specs, model);
    query.bind(last, period.id());
    query.execute();
    ksu.commitRetaining();
}

// "insert into TABLE (KEYS,COLUMNS) values (:d0,...)": the keys' values are bound
// first, then the fields' values in the order of the fields.
void insertRow(db::Connection &ksu, const char *table, const QStringList &keyColumns,
               std::initializer_list<db::Param> keys, const Specs &specs, const PageModel &model)
{
    QStringList columns = keyColumns;
    for (const FieldSpec *spec : specs)
        columns << toQString(spec->column);
    QStringList placeholders;
    for (int i = 0; i < int(columns.size()); ++i)
        placeholders << QStringLiteral(":d%1").arg(i);
    db::Query query(ksu, QStringLiteral("insert into %1 (%2) values (%3);")
                             .arg(QLatin1String(table), columns.join(u','), placeholders.join(u',')));
    int i = 0;
    for (const db::Param &key : keys)
        query.bind(i++, key);
    for (const FieldSpec *spec : specs)
        query.bind(i++, saveParam(*spec, model));
    query.execute();
}

// The period tables in the order their rows are deleted, OKRES last.
constexpr std::array<const char *, 8> PeriodTables{"ZASADY",       "POZYCZKI",  "AKT_STR",  "LISTY_UMOW",
                                                   "KAPITAL_FUND", "DANE_INST", "DANE_KAP", "OKRES"};

} // namespace

void LoadInstitutionData(db::Connection &ksu, PageModel &model)
{
    db::Query query(ksu, QStringLiteral("select * from Dane_Inst order by id_ok desc ;"));
    query.execute();
    loadFirstRow(query, specsOf(InstitutionFields), model);
}

void LoadActiveLostLoans(db::Connection &ksu, const OpenPeriod &period, PageModel &model)
{
    loadPeriodRow(ksu, "AKT_STR", period, activeLostSpecs(), model);
}

void LoadManagementRules(db::Connection &ksu, const OpenPeriod &period, PageModel &model)
{
    loadPeriodRow(ksu, "ZASADY", period, specsOf(RuleFields), model);
}

void LoadLoanStatistics(db::Connection &ksu, const OpenPeriod &period, PageModel &model)
{
    loadPeriodRow(ksu, "POZYCZKI", period, statisticSpecs(model), model);
    model.recomputeAllSums();
}

void LoadCapitalChange(db::Connection &ksu, const OpenPeriod &period, PageModel &model)
{
    db::Query query(ksu, QStringLiteral("select nazwa,kwota from DANE_KAP where zrodlo=0 and Id_ok=:d0;"));
    query.execute({period.id()});
    static const db::Value null;
    const bool hasRow = query.next();
    model.setText(QStringLiteral("Przyr_spad"), (hasRow ? query.value(0) : null).toString());
    model.setNumber(QStringLiteral("Prz_kw"), (hasRow ? query.value(1) : null).toDouble());
}

QList<CapitalSource> LoadCapitalSources(db::Connection &ksu, qint64 periodId)
{
    db::Query query(ksu,
                    QStringLiteral("select d.id,d.nazwa,d.kwota from DANE_KAP d where d.zrodlo=1 and d.id_ok=:d0"));
    query.execute({periodId});
    QList<CapitalSource> sources;
    while (query.next())
        sources.append({query.value(0).toInt(), query.value(1).toString(), query.value(2).toOptionalMoney()});
    return sources;
}

void RefreshCapitalSources(db::Connection &ksu, const OpenPeriod &period, PageModel &model)
{
    model.setCapitalSources(LoadCapitalSources(ksu, period.id()));
}

CapitalGroupList LoadCapitalGroups(db::Connection &ksu, PageModel &model)
{
    // A list that grows with the dictionary rather than a table of 100 entries:
    // a dictionary with more groups keeps them all and nothing is written past an end.
    CapitalGroupList groups;
    QStringList names;
    db::Query query(ksu, QStringLiteral("Select Nazwa,Kod,Grupa,Rodzaj from Slowniki"));
    query.execute();
    while (query.next()) {
        const qint64 grupa = query.value(2).toInt();
        if (grupa != 0)
            continue;
        CapitalGroup group{query.value(1).toInt(), query.value(0).toString(), grupa, query.value(3).toInt()};
        names << group.Nazwa;
        groups << group;
    }
    model.setItems(QStringLiteral("cb_grupa"), names);
    return groups;
}

void LoadPeriod(db::Connection &ksu, const OpenPeriod &period, PageModel &model, CapitalGroupList &groups)
{
    LoadInstitutionData(ksu, model);
    groups = LoadCapitalGroups(ksu, model);
    LoadActiveLostLoans(ksu, period, model);
    LoadManagementRules(ksu, period, model);
    LoadLoanStatistics(ksu, period, model);
    // The capital components are read by the capital page when a group is chosen.
    LoadCapitalChange(ksu, period, model);
    RefreshCapitalSources(ksu, period, model);
}

void SaveInstitutionData(db::Connection &ksu, const PageModel &model)
{
    // No condition: the institution is the same in every period, so every row takes it.
    const Specs specs = specsOf(InstitutionFields);
    const int last = int(specs.size());
    db::Query query(ksu, QStringLiteral("Update Dane_inst set %1, Dataw=:d%2").arg(setClauses(specs)).arg(last));
    bindFields(query, specs, model);
    query.bind(last, QDate::currentDate());
    query.execute();
    ksu.commitRetaining();
}

void SaveActiveLostLoans(db::Connection &ksu, const OpenPeriod &period, const PageModel &model)
{
    updatePeriodRow(ksu, "AKT_STR", period, activeLostSpecs(), model);
}

void SaveManagementRules(db::Connection &ksu, const OpenPeriod &period, const PageModel &model)
{
    updatePeriodRow(ksu, "ZASADY", period, specsOf(RuleFields), model);
}

void InsertLoanStatistics(db::Connection &ksu, const OpenPeriod &period, const PageModel &model)
{
    const Specs specs = statisticSpecs(model);
    QStringList columns;
    QStringList placeholders;
    for (const FieldSpec *spec : specs) {
        columns << toQString(spec->column);
        placeholders << QStringLiteral(":d%1").arg(placeholders.size() + 1);
    }
    const int last = int(specs.size()) + 1;
    db::Query query(ksu, QStringLiteral("insert into POZYCZKI (ID_OK,%1,WPROWADZIL) values (:d0,%2,:d%3)")
                             .arg(columns.join(u','), placeholders.join(u','))
                             .arg(last));
    query.bind(0, period.id());
    for (int i = 0; i < int(specs.size()); ++i)
        query.bind(i + 1, saveParam(*specs[i], model));
    query.bind(last, 1);
    query.execute();
    ksu.commitRetaining();
}

void SaveLoanStatistics(db::Connection &ksu, const OpenPeriod &period, const PageModel &model)
{
    // Delete and insert commit together (the insert's own commit waits for the
    // unit): an insert that fails keeps the old row.
    const qint64 id = period.id();
    db::AtomicWork work(ksu);
    run(ksu, QStringLiteral("delete from POZYCZKI where ID_OK=:d0"), {id});
    InsertLoanStatistics(ksu, period, model);
    work.commit();
}

void SaveCapitalChange(db::Connection &ksu, const OpenPeriod &period, const PageModel &model)
{
    run(ksu, QStringLiteral("update DANE_KAP set nazwa=:d0,kwota=:d1 where zrodlo=0 and Id_ok=:d2"),
        {model.text(QStringLiteral("Przyr_spad")), model.number(QStringLiteral("Prz_kw")), period.id()});
    ksu.commitRetaining();
}

void CreateCapitalChangeRow(db::Connection &ksu, const OpenPeriod &period, PageModel &model)
{
    run(ksu,
        QStringLiteral("insert into DANE_KAP (nazwa,kwota,ID_OK,dataw,wprowadzil,zrodlo) "
                       "values (:d0,:d1,:d2,:d3,:d4,:d5);"),
        {QString(), db::Money(), period.id(), QDate::currentDate(), 1, 0});
    ksu.commitRetaining();
    LoadCapitalChange(ksu, period, model);
}

void DeleteCapitalSource(db::Connection &ksu, const OpenPeriod &period, qint64 id, PageModel &model)
{
    run(ksu, QStringLiteral("delete from DANE_KAP where id=:d0"), {id});
    ksu.commitRetaining();
    RefreshCapitalSources(ksu, period, model);
}

namespace {
// Every period shows the newest DANE_INST row, and an import adds none when one
// exists: the rows of a deleted period that holds the only ones pass to the
// remaining period that ends latest, so that what the user typed stays.
void keepInstitutionData(db::Connection &ksu, qint64 id)
{
    db::Query others(ksu, QStringLiteral("select first 1 ID_OK from DANE_INST where ID_OK<>:d0"));
    others.execute({id});
    if (others.next())
        return;
    others.closeCursor();
    db::Query heir(ksu,
                   QStringLiteral("select first 1 ID_OK from OKRES where ID_OK<>:d0 order by DOK desc, ID_OK desc"));
    heir.execute({id});
    if (!heir.next())
        return;
    const qint64 heirId = heir.value(0).toInt();
    heir.closeCursor();
    run(ksu, QStringLiteral("update DANE_INST set ID_OK=:d0 where ID_OK=:d1"), {heirId, id});
}
} // namespace

void DeletePeriodData(db::Connection &ksu, const OpenPeriod &period)
{
    // All seven deletes or none: a period is never left half deleted.
    const qint64 id = period.id();
    db::AtomicWork work(ksu);
    keepInstitutionData(ksu, id);
    for (const char *table : PeriodTables)
        run(ksu, QStringLiteral("delete from %1 where ID_OK=:d0").arg(QLatin1String(table)), {id});
    work.commit();
}

void DeleteImportedFigures(db::Connection &ksu, const OpenPeriod &period)
{
    run(ksu, QStringLiteral("delete from AKT_STR where ID_OK=:d0"), {period.id()});
    run(ksu, QStringLiteral("delete from POZYCZKI where ID_OK=:d0"), {period.id()});
    ksu.commitRetaining();
}

namespace {
bool hasRow(db::Connection &ksu, const QString &sql, qint64 id)
{
    db::Query query(ksu, sql);
    query.execute({id});
    return query.next();
}
} // namespace

bool HasManagementRules(db::Connection &ksu, const OpenPeriod &period)
{
    return hasRow(ksu, QStringLiteral("select 1 from ZASADY where ID_OK=:d0"), period.id());
}

bool HasCapitalChange(db::Connection &ksu, const OpenPeriod &period)
{
    return hasRow(ksu, QStringLiteral("select 1 from DANE_KAP where zrodlo=0 and ID_OK=:d0"), period.id());
}

void SavePeriod(db::Connection &ksu, const OpenPeriod &period, const PageModel &model)
{
    // All pages or none: a write refused half-way must not leave the first pages
    // saved and the rest as they were (each step's commit waits for the unit).
    db::AtomicWork work(ksu);
    SaveInstitutionData(ksu, model);
    SaveActiveLostLoans(ksu, period, model);
    // The capital components need nothing here: the capital page commits its edits at once.
    SaveManagementRules(ksu, period, model);
    SaveLoanStatistics(ksu, period, model);
    SaveCapitalChange(ksu, period, model);
    work.commit();
}

// The import's writes.

bool HasInstitutionData(db::Connection &ksu)
{
    db::Query count(ksu, QStringLiteral("Select Count(id_ok) as \"counter\" from dane_inst"));
    count.execute();
    count.next();
    return count.value(u"counter").toInt() > 0;
}

bool LoadNewestNamedInstitution(db::Connection &ksu, PageModel &model)
{
    db::Query newest(ksu, QStringLiteral("select * from Dane_Inst where nazwa<>'' order by id_ok desc"));
    newest.execute();
    if (!newest.next())
        return false;
    for (const FieldSpec &f : InstitutionFields) {
        const QString control = toQString(f.control);
        const db::Value &v = newest.value(toQString(f.column));
        if (f.kind == FieldKind::Date)
            model.setDate(control, v.toDate());
        else
            model.setText(control, v.toString());
    }
    return true;
}

void InsertInstitutionData(db::Connection &ksu, const OpenPeriod &period, const PageModel &model)
{
    insertRow(ksu, "DANE_INST", {QStringLiteral("Id_ok")}, {period.id()}, specsOf(InstitutionFields), model);
}

ManagementRulesRow ReadManagementRules(db::Connection &ksu, qint64 periodId)
{
    QStringList columns;
    for (const FieldSpec &f : RuleFields)
        columns << toQString(f.column);
    db::Query query(ksu, QStringLiteral("Select %1 from ZASADY where ID_OK=:d0;").arg(columns.join(u',')));
    query.execute({periodId});
    ManagementRulesRow row;
    if (query.next()) {
        for (std::size_t i = 0; i < RuleFields.size(); ++i)
            row[i] = query.value(int(i));
    }
    return row;
}

void InsertManagementRules(db::Connection &ksu, const OpenPeriod &period, const PageModel &model)
{
    qint64 idZas = 0;
    {
        db::Query lastKey(ksu, QStringLiteral("select max(id_zas) from zasady"));
        lastKey.execute();
        lastKey.next();
        idZas = lastKey.value(0).toInt() + 1;
    }
    insertRow(ksu, "ZASADY", {QStringLiteral("Id_zas"), QStringLiteral("Id_ok")}, {idZas, period.id()},
              specsOf(RuleFields), model);
}

void InsertActiveLostLoans(db::Connection &ksu, const OpenPeriod &period, const PageModel &model)
{
    insertRow(ksu, "AKT_STR", {QStringLiteral("ID_OK")}, {period.id()}, activeLostSpecs(), model);
}

} // namespace store
