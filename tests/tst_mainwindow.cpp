#include "common/messages.h"
#include "pages/numericedit.h"
#include "shell/mainwindow.h"
#include "store/datamodule.h"
#include "support/recordingsink.h"
#include "support/windowdriver.h"
#include "support/workspace.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionFrame>
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

        QVERIFY(startWindow(window));
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
        QVERIFY(startWindow(window));
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

    // Every page stays readable on a small screen: the figures of "Dane zbiorcze"
    // keep room for their widest text, and the fund's data never run under the
    // period frame. Where the page needs more room than the window has, it scrolls.
    void pagesReadableOnSmallScreens_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("1024x768") << QSize(1024, 768);
        QTest::newRow("1366x768") << QSize(1366, 768);
    }
    void pagesReadableOnSmallScreens()
    {
        QFETCH(QSize, size);
        Workspace ws;
        ws.createReportingDatabase();
        ws.writeEmbeddedIni();
        ws.makeHome();
        store::DataModule dm;
        RecordingMessages messages;
        MainWindow window(dm, &messages);
        window.resize(size);
        QVERIFY(startWindow(window));
        QCOMPARE(window.size(), size);

        auto *pages = child<QTabWidget>(window, "Pc_struktura");
        auto *frame = child<QComboBox>(window, "cb_odmc")->parentWidget();
        auto *name = child<QLineEdit>(window, "e_nazwa_inst");
        const int frameLeft = frame->mapTo(&window, QPoint(0, 0)).x();
        QVERIFY2(
            name->mapTo(&window, QPoint(name->width(), 0)).x() < frameLeft,
            qPrintable(
                QStringLiteral("%1 >= %2").arg(name->mapTo(&window, QPoint(name->width(), 0)).x()).arg(frameLeft)));
        QVERIFY(name->width() >= name->fontMetrics().averageCharWidth() * 22);

        pages->setCurrentIndex(3);
        QWidget *statistics = pages->currentWidget();
        const QList<pages::NumericEdit *> figures = statistics->findChildren<pages::NumericEdit *>();
        QCOMPARE(figures.size(), 80);
        for (pages::NumericEdit *edit : figures) {
            // The widest figures a fund reports: thousands of loans, millions of
            // złoty in a category, tens of millions in a sum.
            const bool sum = edit->font().bold();
            const bool count = edit->kind() == store::FieldKind::Count;
            edit->setNumberText(count ? QStringLiteral("99999")
                                : sum ? QStringLiteral("99999999,99")
                                      : QStringLiteral("9999999,99"));
        }
        QApplication::processEvents();
        // The blocks take as many bands as the width needs: the page scrolls down,
        // never sideways, so that no sum stands beyond the right edge.
        QTRY_VERIFY(!statistics->findChild<QScrollArea *>()->horizontalScrollBar()->isVisible());
        for (pages::NumericEdit *edit : figures) {
            QStyleOptionFrame option;
            option.initFrom(edit);
            option.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
            // QLineEdit keeps a margin of 2 pixels on each side of its text.
            const int room = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit).width() - 4;
            const int needed = edit->fontMetrics().horizontalAdvance(edit->text());
            QVERIFY2(needed <= room, qPrintable(QStringLiteral("%1: \"%2\" needs %3 px, has %4")
                                                    .arg(edit->objectName(), edit->text())
                                                    .arg(needed)
                                                    .arg(room)));
        }
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
