#include "institutionrules.h"

#include "common/failures.h"
#include "common/messages.h"
#include "db/connection.h"
#include "db/query.h"
#include "importcontext.h"
#include "store/fields.h"
#include "store/pagemodel.h"
#include "store/periodstore.h"

namespace import {

namespace {

using store::toQString;

// Institution data as the Lokra program keeps them: FIRMA record 1 and the name
// of its legal form in the dictionary. A missing record or founding date leaves
// the fields (and the date) empty; a missing record, or a NIP that is not ten
// digits, is noted for the user.
void FetchInstitutionData(ImportContext &ctx)
{
    db::Connection &lokra = ctx.lokra;
    store::PageModel &model = ctx.model;
    db::Query firma(lokra,
                    QStringLiteral("Select nazwa,miasto,ulica,nip,telefon,email,kod,form_prawna,telefon2,datarozdz "
                                   "from FIRMA where nr_rekordu=1"));
    firma.execute();
    const bool found = firma.next();
    if (!found)
        ctx.closingNotes << QStringLiteral("W bazie programu Lokra nie ma danych funduszu (tabela FIRMA, rekord nr 1): "
                                           "uzupełnij je na stronie „Dane Funduszu” i zapisz zmiany.");
    auto text = [&](const char *column) {
        return found ? firma.value(QString::fromLatin1(column)).toString() : QString();
    };
    model.setText(QStringLiteral("e_nazwa_inst"), text("nazwa"));
    const QString nip = importedNip(text("nip"));
    model.setText(QStringLiteral("e_nip_inst"), nip);
    if (!nip.isEmpty() && nip.size() != 10)
        ctx.fundNotes << QStringLiteral(
                             "NIP funduszu w programie Lokra („%1”) nie składa się z dziesięciu cyfr: popraw "
                             "go na stronie „Dane Funduszu”.")
                             .arg(nip);
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

} // namespace

QString importedNip(const QString &nip)
{
    QString digits;
    for (const QChar c : nip) {
        if (c == u'-' || c.isSpace())
            continue;
        if (c < u'0' || c > u'9')
            return nip;
        digits += c;
    }
    return digits.size() == 10 ? digits : nip;
}

void ImportInstitutionData(ImportContext &ctx)
{
    if (store::HasInstitutionData(ctx.ksu)) {
        if (!store::LoadNewestNamedInstitution(ctx.ksu, ctx.model)) {
            // Rows exist but none has a name: the page shows empty data.
            for (const store::FieldSpec &f : store::InstitutionFields)
                ctx.model.clear(toQString(f.control));
        }
        return;
    }
    FetchInstitutionData(ctx);
    try {
        db::AtomicWork insert(ctx.ksu);
        store::InsertInstitutionData(ctx.ksu, ctx.period, ctx.model);
        ctx.ksu.commitRetaining();
        insert.commit();
    } catch (const std::exception &e) {
        ctx.messages.showWarning(explainFailure(e).text(QStringLiteral("Błąd w próbie importu danych funduszu\r")),
                                 QStringLiteral("Błąd!"));
    }
}

void ImportManagementRules(ImportContext &ctx)
{
    using store::RuleFields;
    store::PageModel &m = ctx.model;
    const store::ManagementRulesRow previous = store::ReadManagementRules(ctx.ksu, ctx.PreviousPeriodId.toLongLong());
    ctx.output.setProgress(10);
    // The rules pass through the page: the new row holds what the fields make of them.
    for (std::size_t i = 0; i < RuleFields.size(); ++i) {
        const store::FieldSpec &f = RuleFields[i];
        const QString control = toQString(f.control);
        const db::Value &value = previous[i];
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
    store::InsertManagementRules(ctx.ksu, ctx.period, m);
    ctx.ksu.commitRetaining();
}

} // namespace import
