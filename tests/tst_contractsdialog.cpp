// "Pokaż umowy" in the window: a double-click or the context menu on a figure's
// field lists the contracts behind it with their count and sum, marks a corrected
// figure, lists what its breakdown could not classify, filters, sorts, and writes
// the list shown to CSV and through the report engine to PDF.
#include "common/messages.h"
#include "db/query.h"
#include "pages/figurelookup.h"
#include "reports/reportrenderer.h"
#include "shell/figurecontractsdialog.h"
#include "shell/mainwindow.h"
#include "store/datamodule.h"
#include "store/figurecontracts.h"
#include "store/pagemodel.h"
#include "store/statisticpairs.h"
#include "support/csvreader.h"
#include "support/silentoutput.h"
#include "support/windowdriver.h"
#include "support/workspace.h"
#include "workflow/periodworkflow.h"

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

namespace {

// The demo fund's first half of 2013, imported and handed to a window with the period open.
struct Fixture
{
    Workspace ws;
    qint64 periodId = 0;
    store::DataModule dm;
    RecordingMessages messages;
    std::unique_ptr<MainWindow> window;
    // What the window showed: the list dialogs, as the presenter saw them.
    QList<std::function<void()>> onShown;
    int shown = 0;

    explicit Fixture(const QString &afterImport = QString())
    {
        ws.createReportingDatabase();
        ws.createDatabase(QStringLiteral("lokra.fdb"), lokraDemoScript());
        ws.makeHome();
        {
            store::DataModule importing;
            store::PageModel model;
            RecordingMessages silent;
            PeriodView view;
            SilentOutput output;
            PeriodWorkflow workflow{importing, model, silent, view};
            importing.KSU.setDatabase(QString(), ws.path(QStringLiteral("ksu.fdb")));
            importing.KSU.open();
            importing.LOKRA.setDatabase(QString(), ws.path(QStringLiteral("lokra.fdb")));
            importing.LOKRA.open();
            if (!workflow.importPeriod({"01", "2013", "06", "2013"}, output))
                qFatal("import refused");
            periodId = workflow.period().id();
            if (!afterImport.isEmpty()) {
                db::Query change(importing.KSU, afterImport);
                change.execute({periodId});
                importing.KSU.commitRetaining();
            }
        }
        ws.writeEmbeddedIni();
        window = std::make_unique<MainWindow>(dm, &messages);
        if (!startWindow(*window))
            qFatal("the window did not start");
        openPeriodInWindow(*window, {"01", "2013", "06", "2013"});
        if (!window->workflow().period().isOpen)
            qFatal("the period did not open");
        messages.clear(); // the start-up's and the opening's own
        window->setContractsPresenter([this](FigureContractsDialog &dialog) {
            const QString shots = qEnvironmentVariable("TERVALA_SCREENSHOTS");
            if (!shots.isEmpty())
                dialog.show();
            if (shown < onShown.size())
                onShown.at(shown)();
            if (!shots.isEmpty())
                dialog.grab().save(QDir(shots).filePath(
                    QStringLiteral("umowy-%1.png").arg(QLatin1String(QTest::currentTestFunction()))));
            ++shown;
        });
    }

    QLineEdit *field(const QString &control) const
    {
        auto *edit = window->findChild<QLineEdit *>(control);
        if (!edit)
            qFatal("no field %s", qPrintable(control));
        return edit;
    }

    QList<store::FigureContract> stored(const QString &column)
    {
        return *store::LoadFigureContracts(dm.KSU, periodId, column);
    }
};

QStringList column(const QList<QStringList> &rows, int c)
{
    QStringList cells;
    for (const QStringList &row : rows)
        cells << row.value(c);
    return cells;
}

QString pdfText(const QString &path)
{
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!text.waitForFinished(30000))
        return {};
    return QString::fromUtf8(text.readAllStandardOutput());
}

} // namespace

class TestContractsDialog : public QObject
{
    Q_OBJECT

private slots:
    // A double-click on the active loans' value: the list of the pair with its foot;
    // the count corrected on the page is marked against the imported one; the text
    // filter and a sort by amount decide what the CSV file and the printout hold.
    void listOfAFigure()
    {
        Fixture f;
        const QList<store::FigureContract> contracts = f.stored(QStringLiteral("PA_L"));
        QVERIFY(contracts.size() > 2);
        const qint64 imported = f.window->model().integer(QStringLiteral("Jvl_poz_akt"));
        f.window->model().setInteger(QStringLiteral("Jvl_poz_akt"), imported + 1);

        const QString csvPath = f.ws.path(QStringLiteral("umowy.csv"));
        const QString pdfPath = f.ws.path(QStringLiteral("umowy.pdf"));
        const QString client = contracts.at(1).client;
        f.onShown << [&] {
            auto *dialog = f.window->findChild<FigureContractsDialog *>();
            QVERIFY(dialog);
            auto *view = dialog->findChild<QTableView *>(QStringLiteral("tv_umowy"));
            QCOMPARE(view->model()->rowCount(), int(contracts.size()));
            QCOMPARE(dialog->findChild<QTabWidget *>(QStringLiteral("Pc_umowy"))->count(), 1);
            const reports::ContractTotals totals = reports::totalsOf(contracts);
            QCOMPARE(totals.count, imported);
            const QString foot = dialog->findChild<QLabel *>(QStringLiteral("l_suma"))->text();
            QVERIFY2(foot.contains(QStringLiteral("Liczba (umowy liczone): %1,").arg(totals.count)), qPrintable(foot));
            QVERIFY2(foot.contains(QString(totals.value.format(2, u',', QChar(0xa0)) + QStringLiteral(" zł"))),
                     qPrintable(foot));

            auto *correction = dialog->findChild<QLabel *>(QStringLiteral("l_korekta"));
            QVERIFY(!correction->isHidden());
            QVERIFY2(
                correction->text().contains(
                    QStringLiteral("Liczba: na stronie %1, z importu %2, różnica +1.").arg(imported + 1).arg(imported)),
                qPrintable(correction->text()));
            QVERIFY2(correction->text().contains(QStringLiteral("różnica 0,00 zł")), qPrintable(correction->text()));

            // Filtered by a client's name and sorted by amount, largest first.
            dialog->findChild<QLineEdit *>(QStringLiteral("e_filtr"))->setText(client.toLower());
            view->sortByColumn(3, Qt::DescendingOrder);
            QList<store::FigureContract> expected;
            for (const store::FigureContract &c : contracts) {
                if (c.client.contains(client, Qt::CaseInsensitive) || c.contract.contains(client))
                    expected << c;
            }
            std::stable_sort(expected.begin(), expected.end(),
                             [](const auto &a, const auto &b) { return a.amount > b.amount; });
            QCOMPARE(view->model()->rowCount(), int(expected.size()));
            QVERIFY(dialog->findChild<QLabel *>(QStringLiteral("l_suma"))
                        ->text()
                        .contains(QStringLiteral("z %1)").arg(contracts.size())));

            QVERIFY(dialog->exportCsv(csvPath));
            QFile file(csvPath);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
            const QList<QStringList> rows = readCsv(QString::fromUtf8(bytes.mid(3)));
            QCOMPARE(rows.first(), (QStringList{"umowa", "klient", "liczona", "kwota"}));
            QCOMPARE(rows.size(), expected.size() + 1);
            for (qsizetype i = 0; i < expected.size(); ++i) {
                QCOMPARE(rows.at(i + 1).at(0), expected.at(i).contract);
                QCOMPARE(db::Money::parse(rows.at(i + 1).at(3)).value(), expected.at(i).amount);
            }

            reports::writeSheetPdf(dialog->shownSheet(), reports::SheetKind::ImportReport, pdfPath);
            const QString printed = pdfText(pdfPath);
            QVERIFY2(printed.contains(QStringLiteral("Pożyczki aktywne na koniec okresu")), qPrintable(printed));
            QVERIFY2(printed.contains(QStringLiteral("Szukano: ") + client.toLower()), qPrintable(printed));
            QCOMPARE(column(rows.mid(1), 0).size(), expected.size());
            for (const QString &number : column(rows.mid(1), 0))
                QVERIFY2(printed.contains(number), qPrintable(number));
        };
        QTest::mouseDClick(f.field(QStringLiteral("Jvw_poz_akt")), Qt::LeftButton);
        QCOMPARE(f.shown, 1);
        QVERIFY2(f.messages.entries().isEmpty(), qPrintable(f.messages.texts().join(u'|')));
    }

    // "Pokaż umowy" in a field's context menu: a breakdown with contracts the
    // import could not classify lists them, with their messages, on a second tab;
    // an uncorrected figure is not marked.
    void unclassifiedOfABreakdown()
    {
        Fixture f;
        int breakdown = -1;
        QList<store::UnclassifiedContract> unclassified;
        for (int b = 0; b < int(store::StatisticGroups.size()) && unclassified.isEmpty(); ++b) {
            unclassified = store::LoadUnclassifiedContracts(f.dm.KSU, f.periodId, b);
            breakdown = b;
        }
        QVERIFY(!unclassified.isEmpty());
        const store::StatisticPair *pair = nullptr;
        for (const store::StatisticPair &p : store::StatisticPairs) {
            if (p.group == breakdown && !pair)
                pair = &p;
        }
        f.onShown << [&] {
            auto *dialog = f.window->findChild<FigureContractsDialog *>();
            QVERIFY(dialog->findChild<QLabel *>(QStringLiteral("l_korekta"))->isHidden());
            auto *tabs = dialog->findChild<QTabWidget *>(QStringLiteral("Pc_umowy"));
            QCOMPARE(tabs->count(), 2);
            tabs->setCurrentIndex(1);
            auto *view = dialog->findChild<QTableView *>(QStringLiteral("tv_niesklasyfikowane"));
            QCOMPARE(view->model()->rowCount(), int(unclassified.size()));
            const QList<QStringList> rows = dialog->shownCsvRows();
            QCOMPARE(rows.first(), (QStringList{"umowa", "klient", "kwota", "komunikat"}));
            QCOMPARE(rows.at(1).at(3), unclassified.first().message);
            QVERIFY2(dialog->findChild<QLabel *>(QStringLiteral("l_suma"))
                         ->text()
                         .startsWith(QStringLiteral("Umów: %1,").arg(unclassified.size())),
                     "the foot counts the unclassified contracts");
        };
        QLineEdit *edit = f.field(store::toQString(pair->countControl));
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2), edit->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(edit, &event);
        QMenu *menu = nullptr;
        QTRY_VERIFY((menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())));
        QAction *show = nullptr;
        for (QAction *a : menu->actions()) {
            if (a->text() == pages::FigureLookup::actionText())
                show = a;
        }
        QVERIFY(show);
        menu->close();
        show->trigger();
        QCOMPARE(f.shown, 1);
    }

    // A period imported before the lists were kept says how to get them, and shows no list.
    void periodWithoutLists()
    {
        Fixture f(QStringLiteral("delete from LISTY_UMOW where ID_OK=:d0"));
        QTest::mouseDClick(f.field(QStringLiteral("Jvl_mik")), Qt::LeftButton);
        QCOMPARE(f.shown, 0);
        QCOMPARE(f.messages.entries().size(), 1);
        QVERIFY(f.messages.texts().first().contains(QStringLiteral("Zaimportuj okres ponownie")));
    }
};

QTEST_MAIN(TestContractsDialog)
#include "tst_contractsdialog.moc"
