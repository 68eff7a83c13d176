#include "commandline.h"

#include "cli/commandsupport.h"
#include "cli/dictionarycommand.h"
#include "cli/outputcommands.h"
#include "cli/updatecommands.h"
#include "common/apppaths.h"
#include "common/messages.h"
#include "db/error.h"
#include "import/importcontext.h"
#include "import/versioncheck.h"
#include "reports/reportrenderer.h"
#include "store/datamodule.h"
#include "store/pagemodel.h"
#include "store/schema.h"
#include "workflow/periodworkflow.h"
#include "workflow/startuptask.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace {

using command::print;
using command::usageError;

// The window's caption, kept for printing.
class CaptionSink : public StartupSink
{
public:
    QString caption = QStringLiteral("Opis Struktur danych");
    void appendCaption(const QString &suffix) override { caption += suffix; }
    void setPeriodButtons(bool, bool) override {}
};

int createDatabase(const QStringList &args, Messages &messages)
{
    if (args.size() != 1)
        return usageError(QStringLiteral("create-database wymaga jednej ścieżki pliku bazy danych."));
    try {
        store::createReportingDatabase(args.first());
    } catch (const std::exception &e) {
        showFailure(messages, e);
        return 1;
    }
    messages.showInformation(QStringLiteral("Utworzono pustą bazę danych ") + args.first(), applicationTitle());
    return 0;
}

int checkLokra(const QStringList &args, Messages &messages)
{
    if (!args.isEmpty())
        return usageError(QStringLiteral("check-lokra nie przyjmuje argumentów."));
    if (!command::settingsFound(messages))
        return 1;
    store::DataModule dm;
    CaptionSink sink;
    StartupTask task(dm, messages, sink);
    task.connectDatabases();
    print(sink.caption);
    if (dm.LokraFailed)
        return 1;
    try {
        import::CheckLoanSystemVersion(dm.LOKRA, messages);
    } catch (const std::exception &e) {
        showFailure(messages, e);
        return 1;
    }
    return dm.KsuFailed ? 1 : 0;
}

int openPeriod(const QStringList &args, Messages &messages)
{
    if (args.size() != 4)
        return usageError(QStringLiteral("open wymaga czterech argumentów: MC RRRR MC RRRR."));
    return command::withOpenedPeriod(
        args, messages, [](store::DataModule &, PeriodWorkflow &, store::PageModel &model) {
            const QStringList controls = store::PageModel::institutionControls() + store::PageModel::ruleControls()
                                         + store::PageModel::statisticsControls()
                                         + store::PageModel::activeLostControls();
            for (const QString &control : controls)
                print(control + u'=' + model.shownText(control));
            return true;
        });
}

// The command line's side of an import: no progress bar, and the error report
// kept to be written as a PDF, where the window would preview it, once the
// import has been committed.
class ConsoleImportOutput : public import::ImportOutput
{
public:
    void setProgress(int) override {}
    void showErrorReport(const reports::ReportSheet &errorReport) override { m_errorReport = errorReport; }
    const std::optional<reports::ReportSheet> &errorReport() const { return m_errorReport; }

private:
    std::optional<reports::ReportSheet> m_errorReport;
};

int importPeriod(QStringList args)
{
    const bool overwrite = args.removeAll(QStringLiteral("--overwrite")) > 0;
    const bool force = args.removeAll(QStringLiteral("--force")) > 0;
    if (args.size() != 4)
        return usageError(
            QStringLiteral("import wymaga czterech argumentów: MC RRRR MC RRRR [--overwrite] [--force]."));
    ConsoleMessages messages(overwrite);
    return command::withWorkflow(messages, [&](store::DataModule &, PeriodWorkflow &workflow, store::PageModel &) {
        workflow.setReplaceFiles(force ? output::Replace::Force : output::Replace::Refuse);
        ConsoleImportOutput output;
        const store::PeriodChoice choice{args[0], args[1], args[2], args[3]};
        // The error report's file is checked before anything is imported; an
        // invalid period is left for the import to report.
        QString path;
        if (store::isValidPeriodChoice(choice)) {
            const store::PeriodBounds b = store::periodBounds(choice);
            path = AppPaths::file(QStringLiteral("Eksport/ERR_%1_%2.pdf")
                                      .arg(store::FormatDateYMD(b.start.date()), store::FormatDateYMD(b.end.date())));
            if (!workflow.outputGuard().approve(path, output::FileKind::Pdf, messages))
                return false;
        }
        if (!workflow.importPeriod(choice, output))
            return false;
        if (output.errorReport()) {
            reports::writeSheetPdf(*output.errorReport(), reports::SheetKind::ErrorReport, path);
            print(QStringLiteral("Raport błędów zapisany w ") + QDir::toNativeSeparators(path));
        }
        return true;
    });
}

// Deleting cannot be undone: without --yes the question is answered No.
int deletePeriod(QStringList args)
{
    const bool yes = args.removeAll(QStringLiteral("--yes")) > 0;
    if (args.size() != 4)
        return usageError(QStringLiteral("delete-period wymaga czterech argumentów: MC RRRR MC RRRR [--yes]."));
    ConsoleMessages messages(yes);
    return command::withWorkflow(messages, [&](store::DataModule &, PeriodWorkflow &workflow, store::PageModel &) {
        if (workflow.deletePeriod({args[0], args[1], args[2], args[3]}))
            return true;
        if (!yes)
            print(QStringLiteral("Nic nie usunięto: usunięcie okresu potwierdza opcja --yes."));
        return false;
    });
}

} // namespace

QString usageText()
{
    return QStringLiteral(
        "Użycie: tervala [--home KATALOG] [POLECENIE ...]\n"
        "Bez polecenia uruchamia okno programu. Polecenia:\n"
        "  create-database PLIK   tworzy pustą bazę danych sprawozdań\n"
        "  check-lokra            łączy obie bazy i sprawdza wersję programu Lokra\n"
        "  open MC RRRR MC RRRR   otwiera okres jak \"Edycja okresu\" i wypisuje pola stron\n"
        "  import MC RRRR MC RRRR [--overwrite] [--force]\n"
        "                         importuje okres z bazy Lokra jak \"Zaimportuj dane\"\n"
        "                         (--overwrite: przykrywa okres zaimportowany wcześniej)\n"
        "  xml MC RRRR MC RRRR [--force]\n"
        "                         otwiera okres jak \"Edycja okresu\" i zapisuje Eksport/plik.xml\n"
        "                         jak \"Zapisz do pliku\"\n"
        "  summary MC RRRR MC RRRR PLIK.pdf [--force]\n"
        "                         otwiera okres i zapisuje wydruk danych (\"Drukuj dane\") do pliku PDF\n"
        "  delete-period MC RRRR MC RRRR [--yes]\n"
        "                         usuwa okres ze wszystkimi jego danymi jak \"Usuń okres\"\n"
        "                         (bez --yes niczego nie usuwa)\n"
        "  --force                pozwala zastąpić istniejący plik innego rodzaju (nie PDF, nie XML);\n"
        "                         plików baz danych i TV.ini program nigdy nie zastępuje\n"
        "  check-updates          sprawdza na serwerze aktualizacji wersję programu i słownik\n"
        "  upgrade-schema         uaktualnia schemat baz danych jak \"Instalacja wersji\"\n"
        "  load-dictionary PLIK   wczytuje słownik składników z pliku jak \"Wczytanie słownika składników\"");
}

CommandLine CommandLine::parse(const QStringList &arguments)
{
    CommandLine cl;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        if (cl.words.isEmpty() && a == QStringLiteral("--home")) {
            if (i + 1 >= arguments.size()) {
                cl.usageError = QStringLiteral("Po --home brakuje katalogu.");
                return cl;
            }
            cl.home = arguments[++i];
        } else if (cl.words.isEmpty() && a.startsWith(QStringLiteral("--home="))) {
            cl.home = a.mid(7);
        } else if (cl.words.isEmpty() && (a == QStringLiteral("--help") || a == QStringLiteral("-h"))) {
            cl.usageError = QStringLiteral(" ");
            return cl;
        } else {
            cl.words << a;
        }
    }
    // A home that is not there would silently become another folder's TV.ini and databases.
    if (!cl.home.isEmpty() && !QFileInfo(cl.home).isDir())
        cl.usageError = QStringLiteral("Katalog podany po --home nie istnieje: %1").arg(cl.home);
    return cl;
}

int runCommand(const CommandLine &commandLine)
{
    if (!commandLine.usageError.isEmpty())
        return usageError(commandLine.usageError.trimmed());
    ConsoleMessages messages;
    const QString command = commandLine.words.value(0);
    const QStringList args = commandLine.words.mid(1);
    if (command == QStringLiteral("create-database"))
        return createDatabase(args, messages);
    if (command == QStringLiteral("check-lokra"))
        return checkLokra(args, messages);
    if (command == QStringLiteral("open"))
        return openPeriod(args, messages);
    if (command == QStringLiteral("import"))
        return importPeriod(args);
    if (command == QStringLiteral("delete-period"))
        return deletePeriod(args);
    if (command == QStringLiteral("xml"))
        return runXml(args, messages);
    if (command == QStringLiteral("summary"))
        return runSummary(args, messages);
    if (command == QStringLiteral("load-dictionary")) {
        if (args.size() != 1)
            return usageError(QStringLiteral("load-dictionary wymaga jednej ścieżki pliku słownika."));
        return runLoadDictionary(args.first(), messages);
    }
    if (command == QStringLiteral("check-updates") || command == QStringLiteral("upgrade-schema")) {
        if (!args.isEmpty())
            return usageError(command + QStringLiteral(" nie przyjmuje argumentów."));
        return command == QStringLiteral("check-updates") ? runCheckUpdates(messages) : runUpgradeSchema(messages);
    }
    return usageError(QStringLiteral("Nieznane polecenie: ") + command);
}
