#include "importdriver.h"

#include "activelost.h"
#include "common/apppaths.h"
#include "common/failures.h"
#include "common/fileerror.h"
#include "common/messages.h"
#include "db/connection.h"
#include "db/error.h"
#include "db/query.h"
#include "importcontext.h"
#include "institutionrules.h"
#include "loanqueries.h"
#include "loanstatistics.h"
#include "reports/reportsheet.h"
#include "store/carryover.h"
#include "store/datamodule.h"
#include "store/pagemodel.h"
#include "store/periodstore.h"
#include "store/schemacheck.h"
#include "store/sharedaccess.h"
#include "versioncheck.h"

#include <QDir>
#include <QHash>

namespace import {

namespace {

const QString OverwriteQuestion =
    QStringLiteral("Podany okres został już wcześniej zaimportowany. Przykryc dany okres ?\r"
                   "Dane stron „Dane zbiorcze” i „Aktywne i stracone pożyczki” zostaną zaimportowane na nowo. "
                   "Strony „Dane Funduszu”, „Kapitał pożyczkowy” i „Zasady gospodarowania” pozostaną bez zmian.");

// The contracts behind each figure go with the period, named by their clients.
void KeepFigureContracts(ImportContext &ctx)
{
    QHash<QString, QString> clients;
    db::Query query(ctx.lokra, QString::fromLatin1(ContractClients));
    ctx.keepResponsiveWhileWaiting(query);
    query.execute();
    while (query.next()) {
        ctx.output.keepResponsive();
        clients.insert(query.value(0).toString(), query.value(1).toString());
    }
    for (store::FigureContract &f : ctx.contracts.figures) {
        ctx.output.keepResponsive();
        f.client = clients.value(f.contract);
    }
    for (store::UnclassifiedContract &u : ctx.contracts.unclassified)
        u.client = clients.value(u.contract);
    store::StoreFigureContracts(ctx.ksu, ctx.period.id(), ctx.contracts, [&ctx] { ctx.output.keepResponsive(); });
}

// A new period: its key is the last one plus 1, and it takes the rules, the
// institution data and the loan capital over from the period before it.
void importNew(ImportContext &ctx, ImportResult &result)
{
    const qint64 source = store::carryOverSource(ctx.ksu, ctx.period.PeriodStart.date());
    ctx.PreviousPeriodId = QString::number(source);
    ctx.period.CurrentPeriodId =
        QString::number(store::InsertPeriod(ctx.ksu, ctx.period.PeriodStart.date(), ctx.period.PeriodEnd.date()));
    result.groups = store::LoadCapitalGroups(ctx.ksu, ctx.model);
    ImportManagementRules(ctx);
    ImportActiveLostLoans(ctx);
    ImportInstitutionData(ctx);
    ImportLoanStatistics(ctx);
    KeepFigureContracts(ctx);
    ctx.output.setProgress(75);
    store::CopyCapitalComponents(ctx.ksu, source, ctx.period);
    store::CopyCapitalSources(ctx.ksu, source, ctx.period, ctx.model);
    ctx.output.setProgress(80);
}

// A period imported before, imported again after corrections in Lokra: only
// what the import computes from Lokra is replaced. The period keeps its key,
// its rules, its loan capital and the institution data the user edited.
void importAgain(ImportContext &ctx, qint64 id, ImportResult &result)
{
    ctx.period.CurrentPeriodId = QString::number(id);
    ctx.PreviousPeriodId = QString::number(store::carryOverSource(ctx.ksu, ctx.period.PeriodStart.date(), id));
    store::DeleteImportedFigures(ctx.ksu, ctx.period);
    store::MarkPeriodImported(ctx.ksu, id);
    result.groups = store::LoadCapitalGroups(ctx.ksu, ctx.model);
    // A period stored without its rules (left by an older version) takes them over
    // as a new one would.
    if (store::HasManagementRules(ctx.ksu, ctx.period)) {
        store::LoadManagementRules(ctx.ksu, ctx.period, ctx.model);
        ctx.output.setProgress(10);
    } else {
        ImportManagementRules(ctx);
    }
    ImportInstitutionData(ctx);
    ImportActiveLostLoans(ctx);
    ImportLoanStatistics(ctx);
    KeepFigureContracts(ctx);
    ctx.output.setProgress(75);
    if (!store::HasCapitalChange(ctx.ksu, ctx.period))
        store::CreateCapitalChangeRow(ctx.ksu, ctx.period, ctx.model);
    store::LoadCapitalChange(ctx.ksu, ctx.period, ctx.model);
    store::RefreshCapitalSources(ctx.ksu, ctx.period, ctx.model);
    ctx.output.setProgress(80);
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

std::optional<ImportResult> runImport(store::DataModule &dm, store::PageModel &model, Messages &messages,
                                      ImportOutput &output, const output::OutputGuard &guard,
                                      reports::ReportSheet &importReport, reports::ReportSheet &errorReport,
                                      const store::PeriodChoice &choice, const std::function<bool()> &mayReplacePages)
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
    if (existing && !messages.askYesNo(OverwriteQuestion, QStringLiteral("Pytanie")))
        return std::nullopt;

    // The steps fill a copy of the pages, which the window takes only when the
    // import has succeeded.
    store::PageModel pages;
    pages.assignFrom(model);
    ImportContext ctx{dm.KSU, dm.LOKRA, pages, messages, output, importReport, errorReport, {},
                      {},     0,        0,     {},       {},     {},           {}};
    ctx.period.isOpen = true;
    ctx.period.PeriodStart = bounds.start;
    ctx.period.PeriodEnd = bounds.end;
    ctx.period.PeriodStartText = store::FormatDateYMD(bounds.start.date());
    ctx.period.PeriodEndText = store::FormatDateYMD(bounds.end.date());
    const QString reportPath = importReportPath(ctx.period);
    if (!guard.approve(reportPath, output::FileKind::Pdf, messages) || (mayReplacePages && !mayReplacePages()))
        return std::nullopt;
    // Another user may have imported or deleted the period while the questions waited.
    if (store::findPeriod(dm.KSU, bounds.start.date(), bounds.end.date()) != existing) {
        messages.showWarning(QStringLiteral("Inny użytkownik zaimportował albo usunął ten okres w czasie, gdy "
                                            "odpowiadałeś na pytania. Zaimportuj dane ponownie."),
                             QStringLiteral("Błąd!"));
        return std::nullopt;
    }
    output::StagedFiles files;
    ctx.importReportPath = files.stage(reportPath);
    ImportResult result;
    try {
        db::AtomicWork work(dm.KSU);
        if (existing)
            importAgain(ctx, *existing, result);
        else
            importNew(ctx, result);
        // The import changes the period: a save of it opened before is told.
        ctx.period.stamp = store::BumpPeriodStamp(dm.KSU, ctx.period.id(), -1);
        work.commit([&output] { output.keepResponsive(); });
    } catch (const std::exception &e) {
        throw db::Error(explainFailure(e).text(QStringLiteral("Import przerwany: "),
                                               QStringLiteral("Baza danych programu Tervala pozostała bez zmian.")));
    }

    try {
        files.commit();
    } catch (const FileError &e) {
        // The period is imported; only its report could not take its place.
        messages.showWarning(e.message()
                                 + QStringLiteral("\rDane zostały zaimportowane, ale raport z importu nie "
                                                  "został zapisany."),
                             QStringLiteral("Błąd!"));
    }
    model.assignFrom(pages);
    QString closing = closingMessage(existing.has_value(), ctx.errorCount) + QDir::toNativeSeparators(reportPath);
    for (const QString &note : std::as_const(ctx.closingNotes))
        closing += u'\r' + note;
    messages.showInformation(closing, applicationTitle());
    output.setProgress(100);
    importReport.titleLines.clear();
    errorReport.titleLines.clear();
    result.period = ctx.period;
    result.errorCount = ctx.errorCount;
    return result;
}

} // namespace import
