#include "common/messages.h"
#include "shell/mainwindow.h"
#include "store/datamodule.h"
#include "support/recordingsink.h"
#include "support/workspace.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

class TestMainWindow : public QObject
{
    Q_OBJECT

    template <typename T>
    static T *child(QWidget &w, const char *name)
    {
        T *c = w.findChild<T *>(QString::fromLatin1(name));
        if (!c)
            qFatal("no control %s", name);
        return c;
    }

private slots:
    void frameBeforeAndAfterStartup()
    {
        Workspace ws;
        ws.createReportingDatabase();
        ws.createLokraDatabase();
        ws.writeEmbeddedIni();
        ws.makeHome();
        store::DataModule dm;
        RecordingMessages messages;
        MainWindow window(dm, &messages);
        QCOMPARE(window.windowTitle(), QStringLiteral("Opis Struktur danych"));

        auto *pages = child<QTabWidget>(window, "Pc_struktura");
        QStringList captions;
        for (int i = 0; i < pages->count(); ++i)
            captions << pages->tabText(i);
        QCOMPARE(captions, (QStringList{"Dane Funduszu", "Kapitał pożyczkowy", "Zasady gospodarowania", "Dane zbiorcze",
                                        "Aktywne i stracone pożyczki"}));
        for (const char *name : {"bb_zdane", "bb_edycja", "bb_porownanie", "bb_zapisw", "bb_zapis", "bb_druk"})
            QVERIFY2(!child<QPushButton>(window, name)->isEnabled(), name);
        QVERIFY(child<QPushButton>(window, "bb_wyjscie")->isEnabled());
        auto *month = child<QComboBox>(window, "cb_odmc");
        QCOMPARE(month->count(), 12);
        QCOMPARE(month->itemText(0), QStringLiteral("01"));
        QCOMPARE(month->currentText(), QString());
        auto *year = child<QComboBox>(window, "cb_dorok");
        QCOMPARE(year->itemText(0), QStringLiteral("1985"));
        QCOMPARE(year->itemText(year->count() - 1), QString::number(QDate::currentDate().year() + 1));
        QCOMPARE(child<QProgressBar>(window, "Postep")->maximum(), 100);
        QStringList menu;
        for (QAction *a : window.menuBar()->actions().first()->menu()->actions())
            menu << a->text();
        QCOMPARE(menu, (QStringList{"O programie", "Wczytanie słownika składników", "Instalacja wersji", "Usuń okres",
                                    "Porównanie okresów", "", "Zamknięcie programu"}));
        // Deleting a period waits, as opening one does, for the reporting database.
        auto *deletePeriod = window.findChild<QAction *>("UsunOkres");
        QVERIFY(!deletePeriod->isEnabled());

        QSignalSpy finished(&window, &MainWindow::startupFinished);
        window.show();
        QVERIFY(finished.wait(30000));
        QTRY_VERIFY(deletePeriod->isEnabled());
        QCOMPARE(pages->currentIndex(), 0);
        QCOMPARE(window.windowTitle(), QStringLiteral("Opis Struktur danych.."));
        QVERIFY(child<QPushButton>(window, "bb_zdane")->isEnabled());
        QVERIFY(child<QPushButton>(window, "bb_edycja")->isEnabled());
        QVERIFY(!child<QLabel>(window, "Ld_od")->isVisible());
        QCOMPARE(messages.entries(), QList<RecordingMessages::Entry>{noInternetWarning()});
    }

    void startupWithoutLokra()
    {
        Workspace ws;
        ws.createReportingDatabase();
        ws.writeEmbeddedIni();
        ws.makeHome();
        store::DataModule dm;
        RecordingMessages messages;
        MainWindow window(dm, &messages);
        QSignalSpy finished(&window, &MainWindow::startupFinished);
        window.show();
        QVERIFY(finished.wait(30000));
        QCOMPARE(window.windowTitle(), QStringLiteral("Opis Struktur danych."));
        QVERIFY(!child<QPushButton>(window, "bb_zdane")->isEnabled());
        QVERIFY(child<QPushButton>(window, "bb_edycja")->isEnabled());
        QCOMPARE(messages.entries().size(), 2);
        QCOMPARE(messages.entries().first().caption, QStringLiteral("Błąd serwera"));
        QCOMPARE(messages.entries().last(), noInternetWarning());
        messages.clear();

        // The periods are compared without the Lokra database; this one holds none.
        auto *compare = child<QPushButton>(window, "bb_porownanie");
        QVERIFY(compare->isEnabled());
        QVERIFY(window.findChild<QAction *>("Porownanieokresow1")->isEnabled());
        QString opened;
        QTimer::singleShot(0, &window, [&] {
            QWidget *dialog = QApplication::activeModalWidget();
            opened = dialog ? dialog->objectName() + u' ' + dialog->windowTitle() : QStringLiteral("nothing");
            if (dialog)
                dialog->close();
        });
        compare->click();
        QCOMPARE(opened, QStringLiteral("PorownanieOkresow Porównanie okresów"));
        QVERIFY(messages.entries().isEmpty());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
