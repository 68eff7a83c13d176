#include "commandline.h"

#include "cli/checkcommand.h"
#include "cli/commandsupport.h"
#include "cli/contractscommand.h"
#include "cli/dictionarycommand.h"
#include "cli/outputcommands.h"
#include "cli/updatecommands.h"
#include "common/apppaths.h"
#include "common/inifile.h"
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
    if (args.size() != 1 || args.first().trimmed().isEmpty())
        return usageError(QStringLiteral("create-database wymaga jednej ścieżki pliku bazy danych."));
    // With a Host in TV.ini the server creates the database, as TV.ini's user.
    const IniFile ini = IniFile::read(AppPaths::settingsFile());
    const QString section = QStringLiteral("Settings");
    const QString host = ini.value(section, QStringLiteral("Host"), QString()).trimmed();
    try {
        store::createReportingDatabase(args.first(), host, ini.value(section, QStringLiteral("user"), QString()),
                                       ini.value(section, QStringLiteral("password"), QString()));
    } catch (const std::exception &e) {
        showFailure(messages, e);
        return 1;
    }
    messages.showInformation(QStringLiteral("Utworzono pustą bazę danych ")
                                 + (host.isEmpty() ? args.first() : host + u':' + args.first()),
                             applicationTitle());
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
    QString version;
    try {
        import::CheckLoanSystemVersion(dm.LOKRA, messages);
        version = import::readLokraVersion(dm.LOKRA);
    } catch (const std::exception &e) {
        showFailure(messages, e);
        return 1;
    }
    // What was checked, for a reader who sees no window caption.
    if (!dm.KsuFailed)
        print(QStringLiteral("Baza danych programu Tervala: połączono (%1)").arg(dm.KSU.databaseName()));
    print(QStringLiteral("Baza danych programu Lokra: połączono (%1)").arg(dm.LOKRA.databaseName()));
    const bool recent = import::judgeLokraVersion(version) == import::LokraVersionVerdict::Recent;
    print(QStringLiteral("Wersja programu Lokra: %1 – %2 (wymagana co najmniej 4.16P)")
              .arg(version, recent ? QStringLiteral("wystarczająca") : QStringLiteral("za stara")));
    return dm.KsuFailed ? 1 : 0;
}

// The command line's answers, counting the questions answered No.
class CountingMessages : public ConsoleMessages
{
public:
    using ConsoleMessages::ConsoleMessages;
    bool askYesNo(const QString &text, const QString &caption) override
    {
        const bool yes = ConsoleMessages::askYesNo(text, caption);
        declined += yes ? 0 : 1;
        return yes;
    }
    int declined = 0;
};

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

int importPeriod(const QStringList &arguments, Messages &)
{
    QStringList args = arguments;
    const bool overwrite = args.removeAll(QStringLiteral("--overwrite")) > 0;
    const bool force = args.removeAll(QStringLiteral("--force")) > 0;
    if (args.size() != 4)
        return usageError(
            QStringLiteral("import wymaga czterech argumentów: MC RRRR MC RRRR [--overwrite] [--force]."));
    CountingMessages messages(overwrite);
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
        if (!workflow.importPeriod(choice, output)) {
            // The only question of the import: may a period imported before be replaced?
            if (messages.declined > 0)
                print(QStringLiteral(
                    "Okres pozostał bez zmian. Aby zaimportować go ponownie, dodaj opcję --overwrite: strony "
                    "„Dane zbiorcze” i „Aktywne i stracone pożyczki” zostaną zaimportowane na nowo, a „Dane "
                    "Funduszu”, „Kapitał pożyczkowy” i „Zasady gospodarowania” pozostaną bez zmian."));
            return false;
        }
        if (output.errorReport()) {
            reports::writeSheetPdf(*output.errorReport(), reports::SheetKind::ErrorReport, path);
            print(QStringLiteral("Raport błędów zapisany w ") + QDir::toNativeSeparators(path));
        }
        return true;
    });
}

// Deleting cannot be undone: without --yes the question is answered No.
int deletePeriod(const QStringList &arguments, Messages &)
{
    QStringList args = arguments;
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

// The chart library's writer, which only the program links (Qt Charts needs
// widgets): handed in by runCommand for the one command it runs.
ChartFileWriter &chartWriter()
{
    static ChartFileWriter writer;
    return writer;
}

// One row per command: its name, its arguments, what it does on one line, and
// the function that runs it.
struct Command
{
    const char *name;
    const char *arguments;
    const char *description;
    int (*run)(const QStringList &args, Messages &messages);
};

int noArguments(const QString &command)
{
    return usageError(command + QStringLiteral(" nie przyjmuje argumentów."));
}

const Command Commands[] = {
    {"create-database", "PLIK", "tworzy pustą bazę danych sprawozdań", createDatabase},
    {"check-lokra", "", "łączy obie bazy i sprawdza wersję programu Lokra", checkLokra},
    {"open", "MC RRRR MC RRRR", "otwiera okres jak „Edycja okresu” i wypisuje pola stron", openPeriod},
    {"import", "MC RRRR MC RRRR [--overwrite] [--force]",
     "importuje okres z bazy Lokra jak „Zaimportuj dane” (--overwrite: przykrywa okres zaimportowany wcześniej)",
     importPeriod},
    {"xml", "MC RRRR MC RRRR [--force]", "otwiera okres i zapisuje Eksport/plik.xml jak „Zapisz do pliku”",
     [](const QStringList &args, Messages &messages) { return runXml(args, messages); }},
    {"summary", "MC RRRR MC RRRR PLIK.pdf [--force]",
     "otwiera okres i zapisuje wydruk danych („Drukuj dane”) do pliku PDF",
     [](const QStringList &args, Messages &messages) { return runSummary(args, messages); }},
    {"delete-period", "MC RRRR MC RRRR [--yes]",
     "usuwa okres ze wszystkimi jego danymi jak „Usuń okres” (bez --yes niczego nie usuwa)", deletePeriod},
    {"load-dictionary", "PLIK", "wczytuje słownik składników z pliku jak „Wczytanie słownika składników”",
     [](const QStringList &args, Messages &messages) {
         if (args.size() != 1)
             return usageError(QStringLiteral("load-dictionary wymaga jednej ścieżki pliku słownika."));
         return runLoadDictionary(args.first(), messages);
     }},
    {"check-updates", "", "sprawdza na serwerze aktualizacji wersję programu i słownik",
     [](const QStringList &args, Messages &messages) {
         return args.isEmpty() ? runCheckUpdates(messages) : noArguments(QStringLiteral("check-updates"));
     }},
    {"upgrade-schema", "", "uaktualnia schemat obu baz danych jak „Instalacja wersji”",
     [](const QStringList &args, Messages &messages) {
         return args.isEmpty() ? runUpgradeSchema(messages) : noArguments(QStringLiteral("upgrade-schema"));
     }},
    {"check", "MC RRRR MC RRRR",
     "otwiera okres i wypisuje wyniki kontroli danych jak „Kontrola danych” (kod wyjścia 1, gdy jest błąd)", runCheck},
    {"validate-xml", "PLIK", "sprawdza plik XML sprawozdania ze schematem tervala-report.xsd",
     [](const QStringList &args, Messages &) { return runValidateXml(args); }},
    {"history", "[KOLUMNA ...]",
     "wypisuje wielkości wszystkich okresów jako CSV („Porównanie okresów”); bez kolumn: wszystkie kolumny tabel "
     "POZYCZKI i AKT_STR",
     runHistory},
    {"contracts", "MC RRRR MC RRRR KOLUMNA",
     "wypisuje jako CSV umowy, z których import złożył wielkość kolumny (umowa;klient;liczona;kwota)", runContracts},
    {"chart", "KOLUMNA PLIK.png|PLIK.pdf [--size SZERxWYS] [--force]",
     "zapisuje wykres liniowy wielkości we wszystkich okresach",
     [](const QStringList &args, Messages &messages) { return runChart(args, messages, chartWriter()); }},
};

} // namespace

QString usageText()
{
    QString text = QStringLiteral("Użycie: tervala [--home KATALOG] [POLECENIE ...]\n"
                                  "       tervala --help | --version\n"
                                  "Bez polecenia uruchamia okno programu. Polecenia:\n");
    for (const Command &c : Commands) {
        const QString synopsis = QString::fromUtf8(c.name) + u' ' + QString::fromUtf8(c.arguments);
        text += QStringLiteral("  ") + synopsis.trimmed() + QStringLiteral("\n      ")
                + QString::fromUtf8(c.description) + u'\n';
    }
    text += QStringLiteral("Opcje:\n"
                           "  --home KATALOG   katalog z plikiem TV.ini (bez tej opcji: katalog programu)\n"
                           "  --force          pozwala zastąpić istniejący plik innego rodzaju (nie PDF, nie XML);\n"
                           "                   plików baz danych i TV.ini program nigdy nie zastępuje\n"
                           "  --help           wypisuje ten opis\n"
                           "  --version        wypisuje wersję programu");
    return text;
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
            cl.help = true;
            return cl;
        } else if (cl.words.isEmpty() && a == QStringLiteral("--version")) {
            cl.version = true;
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

int runCommand(const CommandLine &commandLine, const ChartFileWriter &writeChart)
{
    if (!commandLine.usageError.isEmpty())
        return usageError(commandLine.usageError);
    if (commandLine.help) {
        print(usageText());
        return 0;
    }
    if (commandLine.version) {
        print(QStringLiteral("tervala ") + applicationTitle());
        return 0;
    }
    ConsoleMessages messages;
    const QString command = commandLine.words.value(0);
    chartWriter() = writeChart;
    for (const Command &c : Commands) {
        if (command == QLatin1String(c.name))
            return c.run(commandLine.words.mid(1), messages);
    }
    return usageError(QStringLiteral("Nieznane polecenie: ") + command);
}
