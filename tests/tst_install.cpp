#include "common/apppaths.h"
#include "common/inifile.h"
#include "common/messages.h"
#include "shell/setupdialog.h"
#include "support/cli.h"
#include "support/workspace.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

// Where an installed copy keeps its files, and the dialog that makes TV.ini on the
// first start of one.
class TestInstall : public QObject
{
    Q_OBJECT

    static void click(QWidget &dialog, const QString &button)
    {
        auto *b = dialog.findChild<QPushButton *>(button);
        QVERIFY2(b, qPrintable(button));
        b->click();
    }

    static void clickBox(QWidget &dialog, QDialogButtonBox::StandardButton which)
    {
        auto *box = dialog.findChild<QDialogButtonBox *>();
        QVERIFY(box);
        box->button(which)->click();
    }

private slots:
    void homeChoice_data()
    {
        QTest::addColumn<QString>("besideExecutable"); // "file", "folder" (named TV.ini) or ""
        QTest::addColumn<bool>("homeOption");
        QTest::addColumn<QString>("expected"); // "executable", "option" or "data"
        QTest::newRow("portable: TV.ini beside the executable") << "file" << false << "executable";
        QTest::newRow("installed: no TV.ini beside it") << "" << false << "data";
        QTest::newRow("a folder named TV.ini is no settings file") << "folder" << false << "data";
        QTest::newRow("--home wins over TV.ini beside the executable") << "file" << true << "option";
        QTest::newRow("--home wins without one") << "" << true << "option";
    }
    void homeChoice()
    {
        QFETCH(QString, besideExecutable);
        QFETCH(bool, homeOption);
        QFETCH(QString, expected);
        Workspace ws;
        const QString executable = ws.path(QStringLiteral("bin"));
        QVERIFY(QDir().mkpath(executable));
        if (besideExecutable == u"file") {
            ws.writeIni("[Settings]\r\n");
            QVERIFY(QFile::rename(ws.path("TV.ini"), executable + "/TV.ini"));
        }
        if (besideExecutable == u"folder")
            QVERIFY(QDir().mkpath(executable + "/TV.ini"));
        const QString option = homeOption ? ws.path(QStringLiteral("home")) : QString();
        const QString data = ws.path(QStringLiteral("data"));
        const QString chosen = AppPaths::chooseHome(executable, option, data);
        const QString want = expected == u"executable" ? executable : expected == u"option" ? option : data;
        QCOMPARE(chosen, want);
    }

    // The installed program started from a folder without TV.ini keeps its files in
    // the user's data folder, ~/.local/share/tervala, and makes it; the command line
    // names both places it looked.
    void dataFolderOfAnInstalledCopy()
    {
        const QString buildFolder = QFileInfo(QStringLiteral(TERVALA_BINARY)).absolutePath();
        if (QFileInfo::exists(buildFolder + "/TV.ini"))
            QSKIP("the build folder holds a TV.ini: it is the home, as for a portable copy");
        Workspace ws;
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), ws.path(QStringLiteral("share")));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(TERVALA_BINARY), {QStringLiteral("check-lokra")});
        QVERIFY(p.waitForFinished(60000));
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        QCOMPARE(p.exitCode(), 1);
        const QString data = ws.path(QStringLiteral("share/tervala"));
        QVERIFY(QFileInfo(data).isDir());
        QVERIFY2(
            out.contains(
                QStringLiteral("Nie znaleziono pliku ustawień TV.ini (szukano w: %1, %2).").arg(buildFolder, data)),
            qPrintable(out));
        QVERIFY2(out.contains(QStringLiteral("opcją --home")), qPrintable(out));
    }

    void commandLineWithoutSettings()
    {
        Workspace ws;
        const CliResult r =
            runTervala({QStringLiteral("--home"), ws.path(), QStringLiteral("import"), QStringLiteral("01"),
                        QStringLiteral("2013"), QStringLiteral("06"), QStringLiteral("2013")});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.out.contains(QStringLiteral("Nie znaleziono pliku ustawień TV.ini (szukano w: %1).").arg(ws.path())),
                 qPrintable(r.out));
        const CliResult unknown = runTervala({QStringLiteral("--home"), ws.path(), QStringLiteral("--wersja")});
        QCOMPARE(unknown.status, 2);
        // Creating a database needs no settings.
        const CliResult created =
            runTervala({QStringLiteral("--home"), ws.path(), QStringLiteral("create-database"), ws.path("k.fdb")});
        QCOMPARE(created.status, 0);
        QVERIFY(!QFileInfo::exists(ws.path(QStringLiteral("TV.ini"))));
    }

    // What the dialog writes is read back as written: Windows paths with
    // backslashes, blanks at the ends of a password, quotes, Polish letters.
    void settingsFileRoundTrip_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("windows path") << QStringLiteral("c:\\Tervala\\BazaDanych\\baza.fdb");
        QTest::newRow("blanks at both ends") << QStringLiteral("  tajne hasło ");
        QTest::newRow("wrapped in quotes") << QStringLiteral("\"cytat\"");
        QTest::newRow("semicolon and equals") << QStringLiteral("a;b=c");
        QTest::newRow("empty") << QString();
    }
    void settingsFileRoundTrip()
    {
        QFETCH(QString, value);
        const QByteArray text =
            IniFile::format(QStringLiteral("Settings"), {{QStringLiteral("password"), value}, {"Path", "/x.fdb"}});
        const IniFile ini = IniFile::parse(text);
        QCOMPARE(ini.value("Settings", "password", "absent"), value);
        QCOMPARE(ini.value("Settings", "Path", "absent"), QStringLiteral("/x.fdb"));
    }

    // Creating a reporting database through the button and choosing Lokra's writes
    // a TV.ini on which the program connects both databases.
    void setupWritesSettingsTheProgramOpens()
    {
        Workspace ws;
        const QString lokra = ws.createLokraDatabase();
        RecordingMessages messages;
        SetupDialog dialog(ws.path(QStringLiteral("TV.ini")), &messages);
        dialog.setFileChooser(
            [&](const QString &, bool newFile) { return newFile ? ws.path(QStringLiteral("sprawozdania")) : lokra; });
        dialog.show();
        click(dialog, QStringLiteral("bb_utworzKsu"));
        click(dialog, QStringLiteral("bb_wybierzLokra"));
        const QString created = ws.path(QStringLiteral("sprawozdania.fdb"));
        QCOMPARE(messages.texts(), QStringList{QStringLiteral("Utworzono pustą bazę danych ") + created});
        QVERIFY(QFileInfo(created).isFile());
        QCOMPARE(dialog.findChild<QLineEdit *>(QStringLiteral("Path_ksu"))->text(), created);
        clickBox(dialog, QDialogButtonBox::Ok);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));

        const IniFile ini = IniFile::read(ws.path(QStringLiteral("TV.ini")));
        QCOMPARE(ini.value("Settings", "Path_ksu", "absent"), created);
        QCOMPARE(ini.value("Settings", "Path", "absent"), lokra);
        QCOMPARE(ini.value("Settings", "Host", "absent"), QString());
        const CliResult r = runTervala({QStringLiteral("--home"), ws.path(), QStringLiteral("check-lokra")});
        QVERIFY2(r.status == 0, qPrintable(r.out + r.err));
        QVERIFY2(!r.out.contains(QStringLiteral("Błąd")), qPrintable(r.out));
    }

    // Nothing is written without both databases, and nothing on Cancel.
    void setupWritesNothingUnfinished_data()
    {
        QTest::addColumn<QString>("reporting");
        QTest::addColumn<QString>("lokra");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("no reporting database")
            << ""
            << "lokra.fdb" << false << QStringList{"Podaj ścieżkę bazy danych sprawozdań."};
        QTest::newRow("Lokra's file missing")
            << "ksu.fdb"
            << "brak.fdb" << false << QStringList{"Nie ma pliku bazy danych programu Lokra: %1/brak.fdb"};
        QTest::newRow("cancel") << "ksu.fdb"
                                << "lokra.fdb" << true << QStringList{};
    }
    void setupWritesNothingUnfinished()
    {
        QFETCH(QString, reporting);
        QFETCH(QString, lokra);
        QFETCH(bool, cancel);
        QFETCH(QStringList, messages);
        Workspace ws;
        ws.createReportingDatabase();
        ws.createLokraDatabase();
        RecordingMessages recorded;
        SetupDialog dialog(ws.path(QStringLiteral("TV.ini")), &recorded);
        dialog.show();
        dialog.findChild<QLineEdit *>(QStringLiteral("Path_ksu"))
            ->setText(reporting.isEmpty() ? "" : ws.path(reporting));
        dialog.findChild<QLineEdit *>(QStringLiteral("Path"))->setText(ws.path(lokra));
        clickBox(dialog, cancel ? QDialogButtonBox::Cancel : QDialogButtonBox::Ok);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!QFileInfo::exists(ws.path(QStringLiteral("TV.ini"))));
        for (QString &m : messages)
            m.replace(QStringLiteral("%1"), ws.path());
        QCOMPARE(recorded.texts(), messages);
    }
};

QTEST_MAIN(TestInstall)
#include "tst_install.moc"
