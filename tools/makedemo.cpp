// tervala-demo [--contracts N] [--seed S] FOLDER: makes the demo fund in FOLDER:
// ksu.fdb (an empty reporting database), lokra.fdb (a Lokra database of N loan
// contracts from 2008 to mid-2013, ledger posted to 2013-07-31) and a TV.ini that
// opens both through the embedded engine. The same seed and N give the same fund.
#include "db/error.h"
#include "demofund.h"
#include "store/schema.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Tworzy fundusz demonstracyjny: bazę sprawozdań, bazę Lokra i TV.ini."));
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
        QTextStream(stdout) << "Demo fund ready in " << folder.path() << ": " << fund.contracts << " contracts, "
                            << fund.clients << " clients, " << fund.ledgerEntries << " ledger entries, "
                            << fund.scheduleRows << " schedule rows (" << timer.elapsed() / 1000.0 << " s)" << Qt::endl;
    } catch (const std::exception &e) {
        err << "tervala-demo: " << QString::fromUtf8(e.what()) << Qt::endl;
        return 1;
    }
    return 0;
}
