#include "institutionrules.h"

#include "common/messages.h"
#include "db/connection.h"
#include "db/query.h"
#include "importcontext.h"
#include "store/fields.h"
#include "store/pagemodel.h"

namespace import {

namespace {

using store::toQString;

// Puts the first row of a DANE_INST select into the institution page.
void showInstitutionRow(const db::Query &row, store::PageModel &model)
{
    for (const store::FieldSpec &f : store::InstitutionFields) {
        const QString control = toQString(f.control);
        const db::Value &v = row.value(toQString(f.column));
        if (f.kind == store::FieldKind::Date)
            model.setDate(control, v.toDate());
        else
            model.setText(control, v.toString());
    }
}

// Institution data as the Lokra program keeps them: FIRMA record 1 and the name
// of its legal form in the dictionary. A missing record or founding date leaves
// the fields (and the date) empty.
void FetchInstitutionData(db::Connection &lokra, store::PageModel &model)
{
    db::Query firma(lokra, QStringLiteral("Select nazwa,miasto,ulica,nip,telefon,email,kod,form_prawna,telefon2,datarozdz "
                                          "from FIRMA where nr_rekordu=1"));
    firma.execute();
    const bool found = firma.next();
    auto text = [&](const char *column) { return found ? firma.value(QString::fromLatin1(column)).toString() : QString(); };
    model.setText(QStringLiteral("e_nazwa_inst"), text("nazwa"));
    model.setText(QStringLiteral("e_nip_inst"), text("nip"));
    model.setText(QStringLiteral("e_adres_inst"), text("ulica"));
    model.setText(QStringLiteral("e_kod_inst"), text("kod"));
    model.setText(QStringLiteral("e_miasto_inst"), text("miasto"));
    model.setText(QStringLiteral("e_tel_inst"), text("telefon"));
    model.setText(QStringLiteral("e_mail_inst"), text("email"));
    model.setText(QStringLiteral("e_fax_inst"), text("telefon2"));
    model.setDate(QStringLiteral("dt_rok_inst"), found ? firma.value(u"datarozdz").toDate() : QDate());

    QString form = text("form_prawna");
    if (form.isEmpty())
        form = QStringLiteral("0");
    firma.closeCursor();
    db::Query name(lokra, QStringLiteral("select nazwa from slownik where nr=:d0"));
    name.execute({form});
    model.setText(QStringLiteral("cb_forma_inst"), name.next() ? name.value(0).toString() : QString());
}

void InsertInstitutionData(ImportContext &ctx)
{
    const store::PageModel &m = ctx.model;
    db::Query insert(ctx.ksu, QStringLiteral("insert into DANE_INST (Nazwa,Id_ok,Nip,Krs,Adres,Kod_poczta,Miasto,Telefon,"
                                             "Fax,Email,Rok_zal,Forma) values(:d0,:d1,:d2,:d3,:d4,:d5,:d6,:d7,:d8,:d9,"
                                             ":d10,:d11);"));
    insert.execute({m.text(QStringLiteral("e_nazwa_inst")), ctx.period.id(), m.text(QStringLiteral("e_nip_inst")),
                    m.text(QStringLiteral("e_krs_inst")), m.text(QStringLiteral("e_adres_inst")),
                    m.text(QStringLiteral("e_kod_inst")), m.text(QStringLiteral("e_miasto_inst")),
                    m.text(QStringLiteral("e_tel_inst")), m.text(QStringLiteral("e_fax_inst")),
                    m.text(QStringLiteral("e_mail_inst")), m.date(QStringLiteral("dt_rok_inst")),
                    m.text(QStringLiteral("cb_forma_inst"))});
    ctx.ksu.commitRetaining();
}

} // namespace

void ImportInstitutionData(ImportContext &ctx)
{
    db::Query count(ctx.ksu, QStringLiteral("Select Count(id_ok) as \"counter\" from dane_inst"));
    count.execute();
    count.next();
    if (count.value(u"counter").toInt() > 0) {
        db::Query newest(ctx.ksu, QStringLiteral("select * from Dane_Inst where nazwa<>'' order by id_ok desc"));
        newest.execute();
        if (newest.next()) {
            showInstitutionRow(newest, ctx.model);
        } else {
            // Rows exist but none has a name: the page shows empty data.
            for (const store::FieldSpec &f : store::InstitutionFields)
                ctx.model.clear(toQString(f.control));
        }
        return;
    }
    FetchInstitutionData(ctx.lokra, ctx.model);
    try {
        db::AtomicWork insert(ctx.ksu);
        InsertInstitutionData(ctx);
        insert.commit();
    } catch (const std::exception &) {
        ctx.messages.showWarning(QStringLiteral("Błąd w próbie importu danych funduszu"), QStringLiteral("Błąd!"));
    }
}

void ImportManagementRules(ImportContext &ctx)
{
    using store::RuleFields;
    store::PageModel &m = ctx.model;
    db::Query previous(ctx.ksu, QStringLiteral("Select fun_nie_zys,min_opr,po_analiz,max_poz,trud_syt,pot_eko,kwal_prac,"
                                               "inne,wym_tech,wym_eko,wym_usl,et_zaw,okres_spl from ZASADY where "
                                               "ID_OK=:d0;"));
    previous.execute({ctx.PreviousPeriodId.toLongLong()});
    const bool found = previous.next();
    ctx.output.setProgress(10);
    // The rules pass through the page: the new row holds what the fields make of them.
    for (const store::FieldSpec &f : RuleFields) {
        const QString control = toQString(f.control);
        const db::Value value = found ? previous.value(toQString(f.column)) : db::Value();
        switch (f.kind) {
        case store::FieldKind::Count:
            m.setInteger(control, value.toInt());
            break;
        case store::FieldKind::Money:
            m.setMoney(control, value.toMoney());
            break;
        case store::FieldKind::Decimal:
            m.setNumber(control, value.toDouble());
            break;
        default:
            m.setText(control, value.toString());
            break;
        }
    }
    previous.closeCursor();

    db::Query lastKey(ctx.ksu, QStringLiteral("select max(id_zas) from zasady"));
    lastKey.execute();
    lastKey.next();
    const qint64 idZas = lastKey.value(0).toInt() + 1;
    db::Query insert(ctx.ksu, QStringLiteral("insert into ZASADY (Id_zas,Id_ok,Fun_nie_zys,min_opr,po_analiz,max_poz,"
                                             "trud_syt,pot_eko,kwal_prac,inne,wym_tech,wym_eko,wym_usl,et_zaw,okres_spl) "
                                             "values (:d0,:d1,:d2,:d3,:d4,:d5,:d6,:d7,:d8,:d9,:d10,:d11,:d12,:d13,:d14);"));
    insert.execute({idZas, ctx.period.id(), m.text(QStringLiteral("cb_fundusz")), m.number(QStringLiteral("jv_min_opr")),
                    m.text(QStringLiteral("cb_analiza")), m.money(QStringLiteral("jv_max")), m.text(QStringLiteral("cb_syt")),
                    m.text(QStringLiteral("cb_pot")), m.text(QStringLiteral("cb_kwal")), m.text(QStringLiteral("e_zinne")),
                    m.text(QStringLiteral("cb_wym_tech")), m.text(QStringLiteral("cb_wym_eko")),
                    m.text(QStringLiteral("cb_wym_usl")), m.text(QStringLiteral("cb_et_zaw")),
                    m.integer(QStringLiteral("Okres_spl"))});
    ctx.ksu.commitRetaining();
}

} // namespace import
