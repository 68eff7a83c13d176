#include "periodworkflow.h"

#include "common/failures.h"
#include "common/messages.h"
#include "db/connection.h"
#include "db/error.h"
#include "db/query.h"
#include "import/importcontext.h"
#include "import/importdriver.h"
#include "import/versioncheck.h"
#include "reports/printedsummary.h"
#include "reports/reportrenderer.h"
#include "reports/xmlreport.h"
#include "store/datamodule.h"
#include "store/pagemodel.h"
#include "store/periodstore.h"
#include "store/reportreads.h"
#include "store/schemacheck.h"

#include <QDir>

using store::findPeriod;
using store::FormatDateYMD;
using store::isValidPeriodChoice;
using store::PeriodBounds;
using store::periodBounds;

namespace {
// A unit of work on the reporting database failed and was rolled back: says so
// in the user's language, around the cause.
[[noreturn]] void throwUnitFailure(const QString &what, const std::exception &e)
{
    throw db::Error(explainFailure(e).text(what, QStringLiteral("Baza danych programu Tervala pozostała bez zmian.")));
}
} // namespace

PeriodWorkflow::PeriodWorkflow(store::DataModule &dataModule, store::PageModel &model, Messages &messages,
                               PeriodView &view)
    : m_dm(dataModule), m_model(model), m_messages(messages), m_view(view),
      m_commands(dataModule.reportingGate, &dataModule.KSU)
{
}

bool PeriodWorkflow::openPeriod(const store::PeriodChoice &choice)
{
    DatabaseCommand command(m_commands, m_messages);
    if (!command)
        return false;
    // The Lokra database is opened afresh for each period: Lokra may have been
    // updated since.
    m_dm.LOKRA.close();
    m_dm.LOKRA.open();
    m_view.clearCapitalGroupText();
    importReport.titleLines.clear();
    errorReport.titleLines.clear();
    import::CheckLoanSystemVersion(m_dm.LOKRA, m_messages);

    const std::optional<store::OpenPeriod> found = findImportedPeriod(choice);
    if (!found)
        return false;
    const store::OpenPeriod &period = *found;

    // Loaded aside and shown only when every load succeeded, so that a failure
    // leaves the pages showing the period they belong to.
    store::PageModel loaded;
    store::CapitalGroupList groups;
    store::LoadPeriod(m_dm.KSU, period, loaded, groups);
    if (!keepOrDropEdits())
        return false;

    m_period = period;
    m_groups = groups;
    m_model.assignFrom(loaded);
    m_model.markUnmodified();
    m_view.ShowPeriodLabels(m_period);
    m_view.enablePeriodButtons();
    m_messages.showInformation(QStringLiteral("Podany okres był już importowany i można go edytować"),
                               applicationTitle());
    m_view.focusInstitutionName();
    m_view.setProgress(100);
    return true;
}

std::optional<store::OpenPeriod> PeriodWorkflow::findImportedPeriod(const store::PeriodChoice &choice)
{
    if (!isValidPeriodChoice(choice)) {
        m_messages.showWarning(QStringLiteral("Błędnie podany okres sprawozdawczy"), QStringLiteral("Błąd!"));
        return std::nullopt;
    }
    const PeriodBounds bounds = periodBounds(choice);
    if (!store::requireReportingDatabase(m_dm.KSU, m_messages))
        return std::nullopt;
    const std::optional<qint64> id = findPeriod(m_dm.KSU, bounds.start.date(), bounds.end.date());
    if (!id) {
        m_messages.showWarning(QStringLiteral("Podany okres, nie został jeszcze zaimportowany !"),
                               QStringLiteral("Błąd!"));
        m_view.focusInstitutionName();
        return std::nullopt;
    }
    store::OpenPeriod period;
    period.isOpen = true;
    period.CurrentPeriodId = QString::number(*id);
    period.PeriodStart = bounds.start;
    period.PeriodEnd = bounds.end;
    period.PeriodStartText = FormatDateYMD(bounds.start.date());
    period.PeriodEndText = FormatDateYMD(bounds.end.date());
    period.stamp = store::ReadPeriodStamp(m_dm.KSU, *id).counter;
    return period;
}

bool PeriodWorkflow::deletePeriod(const store::PeriodChoice &choice)
{
    DatabaseCommand command(m_commands, m_messages);
    if (!command)
        return false;
    const std::optional<store::OpenPeriod> found = findImportedPeriod(choice);
    if (!found)
        return false;
    const QString dates = QStringLiteral("od %1 do %2").arg(found->PeriodStartText, found->PeriodEndText);
    if (!m_messages.askYesNo(QStringLiteral("Czy na pewno usunąć okres %1 ze wszystkimi jego danymi? "
                                            "Usuniętego okresu nie można przywrócić.")
                                 .arg(dates),
                             QStringLiteral("Usuń okres")))
        return false;
    const store::ExclusiveLock lock(m_dm.KSU, store::ExclusiveWork::DeletePeriod);
    try {
        store::DeletePeriodData(m_dm.KSU, *found);
    } catch (const std::exception &e) {
        throwUnitFailure(QStringLiteral("Usuwanie okresu przerwane: "), e);
    }
    // The pages showed the deleted period: nothing is open any more.
    if (m_period.isOpen && m_period.CurrentPeriodId == found->CurrentPeriodId) {
        m_period = store::OpenPeriod();
        m_groups.clear();
        m_model.assignFrom(store::PageModel());
        m_model.markUnmodified();
        m_view.closePeriod();
    }
    m_messages.showInformation(QStringLiteral("Okres %1 został usunięty").arg(dates), applicationTitle());
    return true;
}

bool PeriodWorkflow::importPeriod(const store::PeriodChoice &choice, import::ImportOutput &output)
{
    DatabaseCommand command(m_commands, m_messages);
    if (!command)
        return false;
    m_view.clearCapitalGroupText();
    // Taken once the questions are answered: another user's import, deletion or
    // upgrade is refused meanwhile.
    std::optional<store::ExclusiveLock> lock;
    const auto result = import::runImport(m_dm, m_model, m_messages, output, outputGuard(), importReport, errorReport,
                                          choice, [this, &lock, &output] {
                                              if (!keepOrDropEdits())
                                                  return false;
                                              lock.emplace(m_dm.KSU, store::ExclusiveWork::Import);
                                              // The lock's attachment took a moment: the window redraws.
                                              output.keepResponsive();
                                              return true;
                                          });
    if (!result)
        return false;
    m_model.markUnmodified();
    m_period = result->period;
    m_groups = result->groups;
    m_lastErrorCount = result->errorCount;
    m_view.ShowPeriodLabels(m_period);
    m_view.enablePeriodButtons();
    m_view.setProgress(100);
    return true;
}

bool PeriodWorkflow::save()
{
    DatabaseCommand command(m_commands, m_messages);
    if (!command)
        return false;
    return saveOpenPeriod();
}

bool PeriodWorkflow::saveOpenPeriod()
{
    if (!store::requireReportingDatabase(m_dm.KSU, m_messages))
        return false;
    try {
        m_period.stamp = storeOpenPeriod(m_period.stamp);
    } catch (const store::PeriodChanged &changed) {
        return resolveConflict(changed.stamp());
    } catch (const std::exception &e) {
        throwUnitFailure(QStringLiteral("Zapis zmian przerwany: "), e);
    }
    m_model.markUnmodified();
    m_messages.showInformation(QStringLiteral("Dane zaktualizowane"), applicationTitle());
    return true;
}

qint64 PeriodWorkflow::storeOpenPeriod(qint64 expected)
{
    db::AtomicWork work(m_dm.KSU);
    const qint64 stamp = store::BumpPeriodStamp(m_dm.KSU, m_period.id(), expected);
    store::SavePeriod(m_dm.KSU, m_period, m_model);
    work.commit();
    return stamp;
}

bool PeriodWorkflow::resolveConflict(const store::PeriodStamp &stored)
{
    const QString question =
        QStringLiteral("Okres od %1 do %2 zmienił i zapisał w międzyczasie inny użytkownik: %3.\r"
                       "Tak – zapisz moje zmiany w miejsce tamtych,\r"
                       "Nie – wczytaj okres na nowo (moje niezapisane zmiany zostaną pokazane, a potem porzucone),\r"
                       "Anuluj – nie zapisuj teraz niczego.")
            .arg(m_period.PeriodStartText, m_period.PeriodEndText, store::describeChange(stored));
    switch (m_messages.askYesNoCancel(question, QStringLiteral("Okres zmieniony przez innego użytkownika"))) {
    case Messages::Answer::Yes:
        // The stamp just read: a third save meanwhile is told again.
        m_period.stamp = stored.counter;
        return saveOpenPeriod();
    case Messages::Answer::No:
        reloadOpenPeriod();
        return false;
    case Messages::Answer::Cancel:
        break;
    }
    return false;
}

void PeriodWorkflow::reloadOpenPeriod()
{
    const qint64 stamp = store::ReadPeriodStamp(m_dm.KSU, m_period.id()).counter;
    store::PageModel stored;
    store::CapitalGroupList groups;
    store::LoadPeriod(m_dm.KSU, m_period, stored, groups);
    QStringList lines;
    for (const QString &control : m_model.modifiedControls()) {
        const QString caption = store::toQString(m_model.spec(control).caption);
        lines << QStringLiteral("%1: Twoja wartość „%2”, zapisana „%3”")
                     .arg(caption.isEmpty() ? control : caption + QStringLiteral(" (") + control + u')',
                          m_model.text(control), stored.text(control));
    }
    if (!lines.isEmpty())
        m_messages.showInformation(QStringLiteral("Okres wczytano na nowo. Twoje niezapisane zmiany, które "
                                                  "zostają porzucone:\r")
                                       + lines.join(u'\r'),
                                   QStringLiteral("Wczytano okres na nowo"));
    m_groups = groups;
    m_model.assignFrom(stored);
    m_model.markUnmodified();
    m_period.stamp = stamp;
}

bool PeriodWorkflow::keepOrDropEdits()
{
    if (!m_period.isOpen || !m_model.isModified())
        return true;
    switch (m_messages.askYesNoCancel(QStringLiteral("Czy chcesz zapisac zmiany?"), QStringLiteral("Pytanie"))) {
    case Messages::Answer::Yes:
        return saveOpenPeriod();
    case Messages::Answer::No:
        return true;
    case Messages::Answer::Cancel:
        break;
    }
    return false;
}

output::OutputGuard PeriodWorkflow::outputGuard() const
{
    return output::OutputGuard(m_dm.protectedFiles(), m_replace);
}

bool PeriodWorkflow::writeXml()
{
    DatabaseCommand command(m_commands, m_messages);
    if (!command)
        return false;
    const QString path = reports::xmlReportPath();
    if (!outputGuard().approve(path, output::FileKind::Xml, m_messages))
        return false;
    const QStringList leftOut = reports::WriteXmlReport(m_dm.KSU, m_period, m_groups, m_model, path);
    m_messages.showInformation(QStringLiteral("Plik zapisany pomyślnie w ") + QDir::toNativeSeparators(path),
                               applicationTitle());
    warnComponentsLeftOut(leftOut, QStringLiteral("Plik XML zapisano bez nich. Wczytaj słownik, w którym są ich "
                                                  "grupy, albo dodaj je ponownie na stronie „Kapitał pożyczkowy” "
                                                  "i zapisz plik jeszcze raz."));
    return true;
}

void PeriodWorkflow::warnComponentsLeftOut(const QStringList &names, const QString &consequence)
{
    if (names.isEmpty())
        return;
    m_messages.showWarning(
        store::componentsWithoutGroupText(m_period.PeriodStartText + QStringLiteral(" – ") + m_period.PeriodEndText,
                                          names, consequence),
        QStringLiteral("Składniki bez grupy"));
}

std::optional<QList<check::Finding>> PeriodWorkflow::checkData()
{
    DatabaseCommand command(m_commands, m_messages);
    if (!command)
        return std::nullopt;
    return check::CheckPeriod(m_dm.KSU, m_period, m_groups, m_model);
}

std::optional<FigureExplanation> PeriodWorkflow::explainFigure(const QString &control)
{
    const store::Figure *figure = store::figureOfControl(control);
    if (!figure || !m_period.isOpen)
        return std::nullopt;
    DatabaseCommand command(m_commands, m_messages);
    if (!command)
        return std::nullopt;
    const qint64 id = m_period.id();
    if (!store::HasFigureContracts(m_dm.KSU, id)) {
        m_messages.showWarning(QString::fromUtf8(store::MissingListsCause)
                                   + QStringLiteral(" Zaimportuj okres ponownie, aby je odtworzyć."),
                               QStringLiteral("Informacja"));
        return std::nullopt;
    }
    FigureExplanation explanation{*figure,
                                  *store::LoadFigureContracts(m_dm.KSU, id, figure->countColumn),
                                  {},
                                  m_model.integer(figure->countControl),
                                  m_model.money(figure->valueControl)};
    if (figure->breakdown >= 0)
        explanation.unclassified = store::LoadUnclassifiedContracts(m_dm.KSU, id, figure->breakdown);
    return explanation;
}

bool PeriodWorkflow::checkAndWriteXml()
{
    const std::optional<QList<check::Finding>> findings = checkData();
    if (!findings)
        return false;
    if (check::hasErrors(*findings)
        && !m_messages.askYesNo(check::summaryText(*findings)
                                    + QStringLiteral("\rDane zawierają błędy. Czy mimo to zapisać plik?"),
                                QStringLiteral("Pytanie")))
        return false;
    return writeXml();
}

QStringList PeriodWorkflow::buildSummary()
{
    return reports::BuildPrintedSummary(importReport, m_dm.KSU, m_period, m_groups, m_model);
}

void PeriodWorkflow::warnSummaryLeftOut(const QStringList &names)
{
    warnComponentsLeftOut(names, QStringLiteral("Wydruk danych ich nie zawiera. Wczytaj słownik, w którym są ich "
                                                "grupy, albo dodaj je ponownie na stronie „Kapitał pożyczkowy”."));
}

bool PeriodWorkflow::buildPrintedSummary()
{
    DatabaseCommand command(m_commands, m_messages);
    if (!command)
        return false;
    warnSummaryLeftOut(buildSummary());
    return true;
}

bool PeriodWorkflow::writePrintedSummary(const QString &path)
{
    DatabaseCommand command(m_commands, m_messages);
    if (!command)
        return false;
    if (!outputGuard().approve(path, output::FileKind::Pdf, m_messages))
        return false;
    const QStringList leftOut = buildSummary();
    reports::writeSheetPdf(importReport, reports::SheetKind::ImportReport, path);
    m_messages.showInformation(QStringLiteral("Wydruk danych zapisany w ") + QDir::toNativeSeparators(path),
                               applicationTitle());
    warnSummaryLeftOut(leftOut);
    return true;
}
