// tervala-demo [--contracts N] [--seed S] FOLDER: makes the demo fund in FOLDER:
// lokra.fdb (a Lokra database of N loan contracts from 2008 to mid-2013, ledger
// posted to 2013-07-31), ksu.fdb (the reporting database), a TV.ini that opens
// both through the embedded engine, and Slownik-skladnikow.txt, a component
// dictionary. The reporting database is then stocked as a fund would have used
// the program: the dictionary loaded and the four half-years from 07/2011 to
// 06/2013 imported, with loan capital components and sources, all through the
// program's own command paths. The same seed and N give the same fund.
#include "cli/commandline.h"
#include "cli/commandsupport.h"
#include "common/apppaths.h"
#include "common/messages.h"
#include "db/error.h"
#include "db/textcodec.h"
#include "demofund.h"
#include "store/datamodule.h"
#include "store/pagemodel.h"
#include "store/schema.h"
#include "workflow/capitalworkflow.h"
#include "workflow/databasecommand.h"
#include "workflow/periodworkflow.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QLocale>
#include <QTextStream>

namespace {

// A dictionary as a fund's umbrella organisation publishes it: groups first, then
// their components, then the components' list entries, every KOD its own and in
// ascending order.
struct DictionaryLine
{
    const char *name;
    int kod;
    int grupa;
    int rodzaj;
};
const DictionaryLine DemoDictionary[] = {
    {"Środki własne", 1, 0, 0},
    {"Dotacje i subwencje", 2, 0, 0},
    {"Pożyczki i kredyty zaciągnięte", 3, 0, 0},
    {"Inne źródła", 4, 0, 0},
    {"Kapitał założycielski", 10, 1, 1},
    {"Zysk zatrzymany z lat ubiegłych", 11, 1, 1},
    {"Nadwyżka z działalności pożyczkowej", 12, 1, 1},
    {"Dotacja z programu operacyjnego", 20, 2, 2},
    {"Dotacja z budżetu państwa", 21, 2, 1},
    {"Dotacja samorządu województwa", 22, 2, 1},
    {"Pożyczka z Banku Gospodarstwa Krajowego", 30, 3, 1},
    {"Kredyt bankowy na działalność pożyczkową", 31, 3, 3},
    {"Darowizny", 40, 4, 1},
    {"Inne (z opisem)", 41, 4, 3},
    {"Regionalny Program Operacyjny Województwa Łódzkiego", 200, 20, 0},
    {"Program Operacyjny Kapitał Ludzki", 201, 20, 0},
    {"Program Operacyjny Innowacyjna Gospodarka", 202, 20, 0},
};

// Written in Windows-1250 with CR LF, as the published dictionary is.
QString writeDictionaryFile(const QDir &folder)
{
    QByteArray contents;
    for (const DictionaryLine &e : DemoDictionary) {
        for (const QString &line :
             {QString::fromUtf8(e.name), QString::number(e.kod), QString::number(e.grupa), QString::number(e.rodzaj)})
            contents += db::toWin1250(line) + "\r\n";
    }
    const QString path = folder.filePath(QStringLiteral("Slownik-skladnikow.txt"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
        throw db::Error(QStringLiteral("nie można zapisać pliku ") + path);
    return path;
}

// The capital the fund reports: components by KOD with an amount (złoty) and
// details, and the sources of newly raised capital.
struct DemoComponent
{
    int groupIndex; // entry of CapitalGroups
    int kod;
    qint64 zloty;
    const char *details;
};
const DemoComponent DemoCapital[] = {
    {0, 10, 2'000'000, ""},
    {0, 11, 350'000, ""},
    {1, 20, 4'500'000, "Regionalny Program Operacyjny Województwa Łódzkiego"},
    {1, 22, 800'000, ""},
    {2, 30, 1'500'000, ""},
    {2, 31, 600'000, "Bank Spółdzielczy w Łodzi"},
    {3, 40, 25'000, ""},
};

int runProgram(const QString &home, const QStringList &words)
{
    return runCommand(
        CommandLine::parse(QStringList{QStringLiteral("tervala"), QStringLiteral("--home"), home} + words));
}

// The fund's management rules and the data Lokra does not keep, as the user
// enters them on the pages.
void fillPages(store::PageModel &model)
{
    const std::pair<const char *, const char *> texts[] = {
        {"e_krs_inst", "0000204411"},
        {"cb_fundusz", "Tak"},
        {"cb_analiza", "Tak"},
        {"cb_syt", "Nie"},
        {"cb_pot", "Tak"},
        {"cb_kwal", "Tak"},
        {"cb_wym_tech", "Nie dotyczy"},
        {"cb_wym_eko", "Tak"},
        {"cb_wym_usl", "Nie dotyczy"},
        {"cb_et_zaw", "Tak"},
        {"e_zinne", "Zabezpieczenie wekslem in blanco i poręczeniem"},
        {"Przyr_spad", "Spłaty pożyczek i nowa transza dotacji"},
    };
    for (const auto &[control, text] : texts)
        model.setText(QString::fromLatin1(control), QString::fromUtf8(text));
    model.setMoney(QStringLiteral("jv_max"), db::Money::fromWhole(120'000));
    model.setNumber(QStringLiteral("jv_min_opr"), 3.5);
    model.setInteger(QStringLiteral("Okres_spl"), 84);
    model.setNumber(QStringLiteral("Prz_kw"), 1'700'000);
}

// Opens the period, fills its pages and adds the fund's capital to it as the
// pages would.
bool addCapital(const QStringList &period)
{
    ConsoleMessages messages;
    return command::withOpenedPeriod(
               period, messages,
               [&](store::DataModule &dm, PeriodWorkflow &workflow, store::PageModel &model) {
                   fillPages(model);
                   if (!workflow.save())
                       return false;
                   CommandGate commands(dm.reportingGate);
                   CapitalWorkflow capital(dm, model, messages, commands, workflow.period(), workflow.capitalGroups());
                   for (const DemoComponent &c : DemoCapital) {
                       if (!capital.chooseGroup(c.groupIndex))
                           return false;
                       for (const store::GroupComponent &g : capital.groupComponents()) {
                           if (g.Kod == c.kod
                               && !capital.addComponent(g, db::Money::fromWhole(c.zloty), QString::fromUtf8(c.details)))
                               return false;
                       }
                   }
                   return capital.addSource(QStringLiteral("Dotacja z programu operacyjnego – transza II"),
                                            db::Money::fromWhole(1'200'000))
                          && capital.addSource(QStringLiteral("Pożyczka z Banku Gospodarstwa Krajowego"),
                                               db::Money::fromWhole(500'000));
               })
           == 0;
}

void stockReportingDatabase(const QDir &folder)
{
    const QString home = folder.path();
    if (runProgram(home, {QStringLiteral("load-dictionary"), writeDictionaryFile(folder)}) != 0)
        throw db::Error(QStringLiteral("słownik składników nie został wczytany"));
    // The half-years the ledger covers whole; the first gets the fund's capital,
    // which every later import carries over from the one before.
    const QStringList periods[] = {
        {"07", "2011", "12", "2011"},
        {"01", "2012", "06", "2012"},
        {"07", "2012", "12", "2012"},
        {"01", "2013", "06", "2013"},
    };
    bool first = true;
    for (const QStringList &period : periods) {
        if (runProgram(home, QStringList{QStringLiteral("import")} + period) != 0)
            throw db::Error(QStringLiteral("import okresu %1/%2-%3/%4 nie powiódł się")
                                .arg(period[0], period[1], period[2], period[3]));
        if (first && !addCapital(period))
            throw db::Error(QStringLiteral("nie dodano kapitału pożyczkowego"));
        first = false;
    }
}

} // namespace

int main(int argc, char *argv[])
{
    // The imports write their reports as PDF, which needs fonts: a GUI application
    // without a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));
    QTextStream err(stderr);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Tworzy fundusz demonstracyjny: bazę Lokra, bazę sprawozdań z wczytanym słownikiem "
                       "składników i czterema zaimportowanymi półroczami oraz TV.ini."));
    parser.addHelpOption();
    const QCommandLineOption contractsOption(QStringLiteral("contracts"),
                                             QStringLiteral("Liczba umów (domyślnie 2000)."), QStringLiteral("N"),
                                             QStringLiteral("2000"));
    const QCommandLineOption seedOption(QStringLiteral("seed"),
                                        QStringLiteral("Ziarno generatora (domyślnie 20130630)."), QStringLiteral("S"),
                                        QStringLiteral("20130630"));
    parser.addOption(contractsOption);
    parser.addOption(seedOption);
    parser.addPositionalArgument(QStringLiteral("KATALOG"),
                                 QStringLiteral("Katalog funduszu (tworzony, gdy go nie ma)."));
    parser.process(app);

    bool contractsOk = false;
    bool seedOk = false;
    demo::FundOptions options;
    options.contracts = parser.value(contractsOption).toInt(&contractsOk);
    options.seed = parser.value(seedOption).toULongLong(&seedOk);
    if (parser.positionalArguments().size() != 1 || !contractsOk || !seedOk || options.contracts < 1) {
        err << "Użycie: tervala-demo [--contracts N] [--seed S] KATALOG" << Qt::endl;
        return 2;
    }

    QDir folder(QDir(parser.positionalArguments().first()).absolutePath());
    QElapsedTimer timer;
    timer.start();
    try {
        if (!folder.mkpath(QStringLiteral(".")))
            throw db::Error(QStringLiteral("nie można utworzyć katalogu ") + folder.path());
        const QString ksu = folder.filePath(QStringLiteral("ksu.fdb"));
        const QString lokra = folder.filePath(QStringLiteral("lokra.fdb"));
        const demo::FundSummary fund = demo::createLokraDatabase(lokra, options);
        store::createReportingDatabase(ksu);
        demo::writeSettings(folder.path(), QString(), ksu, lokra);
        AppPaths::setHome(folder.path());
        stockReportingDatabase(folder);
        QTextStream(stdout) << "Demo fund ready in " << folder.path() << ": " << fund.contracts << " contracts, "
                            << fund.clients << " clients, " << fund.ledgerEntries << " ledger entries, "
                            << fund.scheduleRows << " schedule rows (" << timer.elapsed() / 1000.0 << " s)" << Qt::endl;
    } catch (const std::exception &e) {
        err << "tervala-demo: " << QString::fromUtf8(e.what()) << Qt::endl;
        return 1;
    }
    return 0;
}
