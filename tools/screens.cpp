// tervala-screens HOME OUTDIR [MC RRRR MC RRRR]: the main window of the fund in
// HOME at 1024x768 and 1366x768, every page grabbed as OUTDIR/SIZE-N.png, with
// the period opened when one is given. For looking at the layout on small
// screens; run it under Xvfb or with QT_QPA_PLATFORM=offscreen.
#include "common/apppaths.h"
#include "common/messages.h"
#include "shell/mainwindow.h"
#include "store/datamodule.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLocale>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));
    const QStringList args = QApplication::arguments().mid(1);
    if (args.size() != 2 && args.size() != 6) {
        QTextStream(stderr) << "Użycie: tervala-screens KATALOG_DOMOWY KATALOG_ZRZUTÓW [MC RRRR MC RRRR]" << Qt::endl;
        return 2;
    }
    AppPaths::setHome(args[0]);
    QDir().mkpath(args[1]);
    const QDir out(args[1]);
    for (const QSize size : {QSize(1024, 768), QSize(1366, 768)}) {
        store::DataModule dm;
        ConsoleMessages messages;
        MainWindow window(dm, &messages);
        QSignalSpy finished(&window, &MainWindow::startupFinished);
        window.resize(size);
        window.show();
        if (!finished.wait(60000))
            return 1;
        if (args.size() == 6) {
            const char *combos[] = {"cb_odmc", "cb_odrok", "cb_domc", "cb_dorok"};
            for (int i = 0; i < 4; ++i)
                window.findChild<QComboBox *>(QString::fromLatin1(combos[i]))->setCurrentText(args[2 + i]);
            window.bb_edycjaClick();
        }
        auto *pages = window.findChild<QTabWidget *>(QStringLiteral("Pc_struktura"));
        for (int i = 0; i < pages->count(); ++i) {
            pages->setCurrentIndex(i);
            QApplication::processEvents();
            const QString file =
                out.filePath(QStringLiteral("%1x%2-%3.png").arg(size.width()).arg(size.height()).arg(i + 1));
            window.grab().save(file);
            QTextStream(stdout) << file << Qt::endl;
        }
        window.finishStartupTask();
        window.hide();
    }
    return 0;
}
