#include "charts/historycharts.h"
#include "cli/commandline.h"
#include "common/apppaths.h"
#include "common/messages.h"
#include "mainwindow.h"
#include "setupdialog.h"
#include "store/datamodule.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
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
    // The user's data folder is ~/.local/share/tervala: no organisation folder above it.
    QApplication::setApplicationName(QStringLiteral("tervala"));
    QApplication::setApplicationDisplayName(applicationTitle());
    QApplication::setDesktopFileName(QStringLiteral("pl.tervala.Tervala"));
    QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));
    QTranslator qtTranslations;
    if (qtTranslations.load(QLocale(QLocale::Polish), QStringLiteral("qtbase"), QStringLiteral("_"),
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTranslations);
    const QString home =
        AppPaths::chooseHome(QApplication::applicationDirPath(), commandLine.home, AppPaths::dataFolder());
    // The data folder is made when missing; a folder named by --home must exist.
    if (commandLine.home.isEmpty())
        QDir().mkpath(home);
    AppPaths::setHome(home);

    if (windowless)
        return runCommand(commandLine, charts::writeFigureChart);

    // The installed icon (the build folder has none: the window keeps the default).
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("tervala")));
    if (!QFileInfo::exists(AppPaths::settingsFile())) {
        SetupDialog setup(AppPaths::settingsFile());
        if (setup.exec() != QDialog::Accepted)
            return 0;
    }

    store::DataModule dataModule;
    MainWindow window(dataModule);
    window.showMaximized();
    const int status = app.exec();
    window.finishStartupTask();
    return status;
}
