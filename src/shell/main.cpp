#include "charts/historycharts.h"
#include "cli/commandline.h"
#include "common/apppaths.h"
#include "common/messages.h"
#include "mainwindow.h"
#include "store/datamodule.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <unistd.h>

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine commandLine = CommandLine::parse(arguments);
    const bool windowless = commandLine.windowless();
    if (windowless && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (windowless && qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        // Qt warns on every run without one; a private folder of our own silences it.
        const QByteArray runtime = QDir::tempPath().toLocal8Bit() + "/tervala-runtime-" + QByteArray::number(getuid());
        QDir().mkpath(QString::fromLocal8Bit(runtime));
        QFile::setPermissions(QString::fromLocal8Bit(runtime), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtime);
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(applicationTitle());
    QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));
    QTranslator qtTranslations;
    if (qtTranslations.load(QLocale(QLocale::Polish), QStringLiteral("qtbase"), QStringLiteral("_"),
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTranslations);
    if (!commandLine.home.isEmpty())
        AppPaths::setHome(commandLine.home);

    if (windowless)
        return runCommand(commandLine, charts::writeFigureChart);

    store::DataModule dataModule;
    MainWindow window(dataModule);
    window.showMaximized();
    const int status = app.exec();
    window.finishStartupTask();
    return status;
}
