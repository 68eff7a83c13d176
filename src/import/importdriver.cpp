#include "importdriver.h"

#include "activelost.h"
#include "common/apppaths.h"
#include "common/messages.h"
#include "db/connection.h"
#include "db/error.h"
#include "db/query.h"
#include "importcontext.h"
#include "institutionrules.h"
#include "loanstatistics.h"
#include "reports/reportsheet.h"
#include "store/datamodule.h"
#include "store/pagemodel.h"
#include "store/periodstore.h"
#include "store/schemacheck.h"
#include "versioncheck.h"

#include <QDir>

namespace import {

namespace {

// The new period's key (the last one plus 1) and the period it carries over from.
void InsertPeriod(ImportContext &ctx)
{
    db::Query last(ctx.ksu, QStringLiteral("select max(id_ok) from OKRES"));
    last.execute();
    last.next();
    const qint64 id = last.value(0).toInt() + 1;
    ctx.period.CurrentPeriodId = QString::number(id);
    ctx.PreviousPeriodId = QString::number(id - 1);
    db::Query insert(ctx.ksu, QStringLiteral("insert into OKRES (ID_OK,ODK,DOK,DATAW,WPROWADZIL) values (:d0,:d1,:d2,:d3,:d4)"));
    insert.execute({id, ctx.period.PeriodStart.date(), ctx.period.PeriodEnd.date(), QDate::currentDate(), 1});
    ctx.ksu.commitRetaining();
}

// A new period starts with the components and values of the previous one.
void CopyCapitalComponents(ImportContext &ctx)
{
    db::Query previous(ctx.ksu, QStringLiteral("select * from KAPITAL_FUND where ID_OK=:d0 order by id_skl;"));
    previous.execute({ctx.PreviousPeriodId.toLongLong()});
    db::Query lastKey(ctx.ksu, QStringLiteral("select max(id_skl) from kapital_fund"));
    db::Query insert(ctx.ksu, QStringLiteral("insert into KAPITAL_FUND (Id_skl,Id_ok,Skladnik,Wartosc,Nazwa_r,Grupa,Rodzaj,"
                                             "Szczegoly) values (:d0,:d1,:d2,:d3,:d4,:d5,:d6,:d7);"));
    while (previous.next()) {
        lastKey.execute();
        lastKey.next();
        const qint64 key = lastKey.value(0).toInt() + 1;
        lastKey.closeCursor();
        insert.execute({key, ctx.period.id(), previous.value(u"SKLADNIK").toString(), previous.value(u"WARTOSC").toMoney(),
                        previous.value(u"NAZWA_R").toInt(), previous.value(u"GRUPA").toInt(),
                        previous.value(u"RODZAJ").toInt(), previous.value(u"SZCZEGOLY").toString()});
        ctx.ksu.commitRetaining();
    }
}

// A new period starts with the capital change and sources of the previous one.
void CopyCapitalSources(ImportContext &ctx)
{
    store::CreateCapitalChangeRow(ctx.ksu, ctx.period, ctx.model);
    db::Query sources(ctx.ksu, QStringLiteral("select d.nazwa,d.kwota from DANE_KAP d where d.zrodlo=1 and d.id_ok=:d0;"));
    sources.execute({ctx.PreviousPeriodId.toLongLong()});
    db::Query insert(ctx.ksu, QStringLiteral("insert into DANE_KAP (nazwa,kwota,ID_OK,dataw,wprowadzil,zrodlo) values "
                                             "(:d0,:d1,:d2,:d3,:d4,:d5);"));
    while (sources.next()) {
        insert.execute({sources.value(0).toString(), sources.value(1).toMoney(), ctx.period.id(), QDate::currentDate(), 1, 1});
        ctx.ksu.commitRetaining();
    }
    db::Query change(ctx.ksu, QStringLiteral("select d.nazwa,d.kwota from DANE_KAP d where d.zrodlo=0 and d.id_ok=:d0;"));
    change.execute({ctx.PreviousPeriodId.toLongLong()});
    const bool found = change.next();
    ctx.model.setText(QStringLiteral("Przyr_spad"), found ? change.value(0).toString() : QString());
    ctx.model.setNumber(QStringLiteral("Prz_kw"), found ? change.value(1).toDouble() : 0.0);
    change.closeCursor();
    store::SaveCapitalChange(ctx.ksu, ctx.period, ctx.model);
    store::RefreshCapitalSources(ctx.ksu, ctx.period, ctx.model);
}

QString closingMessage(bool overwrite, int errorCount)
{
    if (overwrite) {
        return errorCount > 0 ? QStringLiteral("Dane przykryte...ale wystąpiły błędy\rPlik z importem zapisany w ")
                              : QStringLiteral("Dane przyryte pomyślnie\rPlik z importem zapisany w ");
    }
    return errorCount > 0 ? QStringLiteral("Dane zaimportowane...ale wystąpiły błędy\rPlik z importem zapisany w ")
                          : QStringLiteral("Dane zaimportowane pomyślnie\rPlik z importem zapisany w ");
}

} // namespace

QString importReportPath(const store::OpenPeriod &period)
{
    return AppPaths::file(QStringLiteral("Eksport/IMP_%1_%2.pdf").arg(period.PeriodStartText, period.PeriodEndText));
}

std::optional<ImportResult> bb_zdaneClick(store::DataModule &dm, store::PageModel &model, Messages &messages,
                                          ImportOutput &output, const output::OutputGuard &guard,
                                          reports::ReportSheet &importReport, reports::ReportSheet &errorReport,
                                          const store::PeriodChoice &choice)
{
    output.setProgress(0);
    dm.LOKRA.close();
    dm.LOKRA.open();
    importReport.titleLines.clear();
    errorReport.titleLines.clear();
    CheckLoanSystemVersion(dm.LOKRA, messages);
    if (!store::isValidPeriodChoice(choice)) {
        messages.showWarning(QStringLiteral("Błędnie podany okres sprawozdawczy !"), QStringLiteral("Błąd!"));
        return std::nullopt;
    }
    const store::PeriodBounds bounds = store::periodBounds(choice);
    if (!store::requireReportingDatabase(dm.KSU, messages))
        return std::nullopt;
    const std::optional<qint64> existing = store::findPeriod(dm.KSU, bounds.start.date(), bounds.end.date());
    if (existing
        && !messages.askYesNo(QStringLiteral("Podany okres został już wcześniej zaimportowany. Przykryc dany okres ?"),
                              QStringLiteral("Pytanie")))
        return std::nullopt;

    // The steps fill a copy of the pages, which the window takes only when the
    // import has succeeded.
    store::PageModel pages;
    pages.assignFrom(model);
    ImportContext ctx{dm.KSU, dm.LOKRA, pages, messages, output, importReport, errorReport, {}, {}, 0, 0, {}};
    ctx.period.isOpen = true;
    ctx.period.PeriodStart = bounds.start;
    ctx.period.PeriodEnd = bounds.end;
    ctx.period.PeriodStartText = store::FormatDateYMD(bounds.start.date());
    ctx.period.PeriodEndText = store::FormatDateYMD(bounds.end.date());
    const QString reportPath = importReportPath(ctx.period);
    if (!guard.approve(reportPath, output::FileKind::Pdf, messages))
        return std::nullopt;
    output::StagedFiles files;
    ctx.importReportPath = files.stage(reportPath);
    ImportResult result;
    try {
        db::AtomicWork work(dm.KSU);
        if (existing) {
            ctx.period.CurrentPeriodId = QString::number(*existing);
            store::DeletePeriodData(dm.KSU, ctx.period);
            InsertPeriod(ctx);
            ImportInstitutionData(ctx);
            result.groups = store::LoadCapitalGroups(dm.KSU, pages);
            ImportManagementRules(ctx);
            ImportActiveLostLoans(ctx);
        } else {
            InsertPeriod(ctx);
            result.groups = store::LoadCapitalGroups(dm.KSU, pages);
            ImportManagementRules(ctx);
            ImportActiveLostLoans(ctx);
            ImportInstitutionData(ctx);
        }
        ImportLoanStatistics(ctx);
        output.setProgress(75);
        CopyCapitalComponents(ctx);
        CopyCapitalSources(ctx);
        output.setProgress(80);
        work.commit();
    } catch (const std::exception &e) {
        const QString reason = dynamic_cast<const db::Error *>(&e) ? static_cast<const db::Error &>(e).message()
                                                                    : QString::fromUtf8(e.what());
        throw db::Error(QStringLiteral("Import przerwany: ") + reason
                        + QStringLiteral("\rBaza danych programu Tervala pozostała bez zmian."));
    }

    try {
        files.commit();
    } catch (const db::Error &e) {
        // The period is imported; only its report could not take its place.
        messages.showWarning(e.message() + QStringLiteral("\rDane zostały zaimportowane, ale raport z importu nie "
                                                          "został zapisany."),
                             QStringLiteral("Błąd!"));
    }
    model.assignFrom(pages);
    messages.showInformation(closingMessage(existing.has_value(), ctx.errorCount)
                                 + QDir::toNativeSeparators(reportPath),
                             applicationTitle());
    output.setProgress(100);
    importReport.titleLines.clear();
    errorReport.titleLines.clear();
    result.period = ctx.period;
    result.errorCount = ctx.errorCount;
    return result;
}

} // namespace import
