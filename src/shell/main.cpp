#if TERVALA_CHARTS
#include "charts/historycharts.h"
#endif
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

#ifdef Q_OS_WIN
#include <windows.h>

#include <cstdio>
#else
#include <unistd.h>
#endif

#ifdef Q_OS_WIN
namespace {

// The program is a window program on Windows (no console opens with the window); a command
// started from a console prints there, unless its output already goes to a file or a pipe.
void attachParentConsole()
{
    const auto redirected = [](DWORD handle) {
        const HANDLE h = GetStdHandle(handle);
        return h != nullptr && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN;
    };
    if (redirected(STD_OUTPUT_HANDLE) || !AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    SetConsoleOutputCP(CP_UTF8);
    std::freopen("CONOUT$", "w", stdout);
    std::freopen("CONOUT$", "w", stderr);
}

} // namespace
#endif

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine commandLine = CommandLine::parse(arguments);
    const bool windowless = commandLine.windowless();
    if (windowless && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef Q_OS_WIN
    if (windowless)
        attachParentConsole();
#else
    if (windowless && qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        // Qt warns on every run without one; a private folder of our own silences it.
        const QByteArray runtime = QDir::tempPath().toLocal8Bit() + "/tervala-runtime-" + QByteArray::number(getuid());
        QDir().mkpath(QString::fromLocal8Bit(runtime));
        QFile::setPermissions(QString::fromLocal8Bit(runtime), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtime);
    }
#endif

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
#if TERVALA_CHARTS
        return runCommand(commandLine, charts::writeFigureChart);
#else
        return runCommand(commandLine);
#endif

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
