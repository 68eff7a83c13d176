#include "mainwindow.h"

#include "aboutbox.h"
#include "figurecontractsdialog.h"
#include "findingsdialog.h"
#include "pages/activelostpage.h"
#include "pages/figurelookup.h"
#include "pages/institutionpage.h"
#include "pages/pagelayout.h"
#include "pages/rulespage.h"
#include "pages/statisticspage.h"
#include "periodcomparisonwindow.h"
#include "reportpreview.h"
#include "reports/xmlreport.h"
#include "store/datamodule.h"
#include "store/history.h"
#include "store/periods.h"
#include "store/schemacheck.h"
#include "store/schemaupgrade.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QThread>
#include <QVBoxLayout>

namespace {

QComboBox *periodCombo(const char *name, int first, int last, int width)
{
    auto *combo = new QComboBox;
    combo->setObjectName(QString::fromLatin1(name));
    combo->setEditable(true);
    for (int i = first; i <= last; ++i)
        combo->addItem(QString::number(i).rightJustified(2, u'0'));
    combo->setCurrentIndex(-1);
    combo->setEditText(QString());
    combo->setMinimumWidth(width);
    return combo;
}

QPushButton *button(const char *name, const QString &caption, bool enabled)
{
    auto *b = new QPushButton(caption);
    b->setObjectName(QString::fromLatin1(name));
    b->setEnabled(enabled);
    return b;
}

const QString ClosingCaption = QStringLiteral("Zamykanie");
const QString ExitQuestion = QStringLiteral("Czy na pewno chcesz wyjść z programu ?");
const QString ImportRunningText = QStringLiteral("Trwa import danych.\rPoczekaj na jego zakończenie.");

} // namespace

MainWindow::MainWindow(store::DataModule &dataModule, Messages *messages, QWidget *parent)
    : QMainWindow(parent), m_dm(dataModule), m_boxes(this), m_messages(messages ? messages : &m_boxes),
      m_workflow(dataModule, m_model, *m_messages, *this),
      m_capital(dataModule, m_model, *m_messages, m_workflow.commands(), m_workflow.period(),
                m_workflow.capitalGroups())
{
    setObjectName(QStringLiteral("TGlowne"));
    setWindowTitle(QStringLiteral("Opis Struktur danych"));
    resize(1264, 744);
    buildPages();
    buildMenu();
    m_about = new AboutBox(this);
}

MainWindow::~MainWindow()
{
    finishStartupTask();
    // The pages read the workflows and the page model, members that go before
    // QWidget's destructor would hide and delete the child widgets: the pages go first.
    delete takeCentralWidget();
}

template <typename F>
bool MainWindow::runAction(F &&action)
{
    try {
        action();
        return true;
    } catch (const std::exception &e) {
        showFailure(*m_messages, e);
        return false;
    }
}

void MainWindow::buildPages()
{
    auto *central = new QWidget;
    auto *layout = new QVBoxLayout(central);
    Pc_struktura = new QTabWidget;
    Pc_struktura->setObjectName(QStringLiteral("Pc_struktura"));
    layout->addWidget(Pc_struktura);

    struct PageDescription
    {
        const char *name;
        const char *caption;
        const char *title;
        const char *from;
        const char *to;
    };
    static const PageDescription pages[] = {
        {"Ts_dane_inst", "Dane Funduszu", "Dane o podmiocie prowadzącym fundusz pożyczkowy w okresie", "Ld_od",
         "Ld_do"},
        {"Ts_kap_poz", "Kapitał pożyczkowy", "Kapitał pożyczkowy w okresie", "Lkp_od", "Lkp_do"},
        {"Ts_zasady", "Zasady gospodarowania", "Zasady gospodarowania Funduszem Pożyczkowym w okresie", "Lz_od",
         "Lz_do"},
        {"Ts_dane", "Dane zbiorcze", "Dane dotyczące udzielonych pożyczek za okres", "Lp_od", "Lp_do"},
        {"Ts_akt_strat", "Aktywne i stracone pożyczki", "Dane dotyczące aktywnych i straconych pożyczek w okresie",
         "La_od", "La_do"},
    };
    QList<QWidget *> contents;
    contents << new pages::InstitutionPage(m_model, *m_messages);

    m_capitalPage = new pages::CapitalPage(m_model, m_capital, *m_messages);
    contents << m_capitalPage;
    contents << new pages::RulesPage(m_model);
    contents << new pages::StatisticsPage(m_model);
    contents << new pages::ActiveLostPage(m_model);
    auto *lookup = new pages::FigureLookup(this);
    lookup->watchFigures(contents.at(3));
    lookup->watchFigures(contents.at(4));
    connect(lookup, &pages::FigureLookup::contractsRequested, this, &MainWindow::showFigureContracts);

    for (int i = 0; i < 5; ++i) {
        const PageDescription &p = pages[i];
        auto *page = new QWidget;
        page->setObjectName(QString::fromLatin1(p.name));
        auto *pageLayout = new QVBoxLayout(page);
        pageLayout->addWidget(pageHeader(QString::fromUtf8(p.title), p.from, p.to));
        // A page never squeezes its fields below what they need to show: where
        // the screen is smaller than that, the page scrolls.
        auto *scroll = new QScrollArea;
        scroll->setObjectName(QString::fromLatin1(p.name) + QStringLiteral("_przewijanie"));
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setWidgetResizable(true);
        scroll->setWidget(contents[i]);
        // The page keeps the look of the tab behind it.
        scroll->viewport()->setAutoFillBackground(false);
        contents[i]->setAutoFillBackground(false);
        if (i == 0) {
            // The period frame stays in sight beside the fund's data, whatever scrolls.
            auto *first = new QHBoxLayout;
            first->addWidget(scroll, 1);
            first->addWidget(buildPeriodFrame(), 0, Qt::AlignTop);
            pageLayout->addLayout(first, 1);
        } else {
            pageLayout->addWidget(scroll, 1);
        }
        if (i == 0) {
            Postep = new QProgressBar;
            Postep->setObjectName(QStringLiteral("Postep"));
            Postep->setRange(0, 100);
            Postep->setValue(0);
            pageLayout->addWidget(Postep);
            spr_imp = new QLabel;
            spr_imp->setObjectName(QStringLiteral("spr_imp"));
            spr_imp->hide();
            pageLayout->addWidget(spr_imp);
        }
        Pc_struktura->addTab(page, QString::fromUtf8(p.caption));
    }
    // The period frame takes the tab positions between the telephone and the
    // founding date, and the saving buttons those after the e-mail.
    QList<QWidget *> tabOrder{findChild<QWidget *>(QStringLiteral("e_tel_inst")),
                              cb_odmc,
                              cb_odrok,
                              cb_domc,
                              cb_dorok,
                              bb_zdane,
                              bb_edycja,
                              bb_porownanie,
                              findChild<QWidget *>(QStringLiteral("dt_rok_inst")),
                              findChild<QWidget *>(QStringLiteral("e_fax_inst")),
                              findChild<QWidget *>(QStringLiteral("e_mail_inst")),
                              bb_zapisw,
                              bb_zapis,
                              bb_kontrola,
                              bb_druk,
                              bb_wyjscie};
    pages::chainTabOrder(tabOrder);
    connect(Pc_struktura, &QTabWidget::currentChanged, this, [this](int index) {
        if (index == 1)
            m_capitalPage->Ts_kap_pozEnter();
    });
    Pc_struktura->widget(1)->setToolTip(QStringLiteral("Aby usunąc nalezy wybrac pozycje z listy i nacisnac przycisk"));
    setCentralWidget(central);
}

QWidget *MainWindow::pageHeader(const QString &title, const char *fromName, const char *toName)
{
    auto *header = new QWidget;
    auto *row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    auto *caption = new QLabel(title);
    QFont bold = caption->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    caption->setFont(bold);
    row->addWidget(caption);
    for (const char *name : {fromName, toName}) {
        auto *label = new QLabel;
        label->setObjectName(QString::fromLatin1(name));
        label->setFont(bold);
        label->hide();
        row->addWidget(label);
        m_periodLabels << label;
    }
    row->addStretch(1);
    return header;
}

QWidget *MainWindow::buildPeriodFrame()
{
    auto *frame = new QWidget;
    auto *column = new QVBoxLayout(frame);
    column->setContentsMargins(0, 0, 0, 0);

    auto *period = new QGroupBox(QStringLiteral("Dane"));
    auto *grid = new QGridLayout(period);
    cb_odmc = periodCombo("cb_odmc", 1, 12, 60);
    cb_odrok = periodCombo("cb_odrok", store::FirstPeriodYear, store::lastPeriodYear(), 80);
    cb_domc = periodCombo("cb_domc", 1, 12, 60);
    cb_dorok = periodCombo("cb_dorok", store::FirstPeriodYear, store::lastPeriodYear(), 80);
    grid->addWidget(new QLabel(QStringLiteral("od")), 0, 0, 1, 2, Qt::AlignHCenter);
    grid->addWidget(new QLabel(QStringLiteral("do")), 0, 2, 1, 2, Qt::AlignHCenter);
    grid->addWidget(cb_odmc, 1, 0);
    grid->addWidget(cb_odrok, 1, 1);
    grid->addWidget(cb_domc, 1, 2);
    grid->addWidget(cb_dorok, 1, 3);
    bb_zdane = button("bb_zdane", QStringLiteral("Zaimportuj dane"), false);
    bb_edycja = button("bb_edycja", QStringLiteral("Edycja okresu"), false);
    connect(bb_edycja, &QPushButton::clicked, this, &MainWindow::bb_edycjaClick);
    connect(bb_zdane, &QPushButton::clicked, this, &MainWindow::bb_zdaneClick);
    bb_porownanie = button("bb_porownanie", QStringLiteral("Porównanie okresów"), false);
    connect(bb_porownanie, &QPushButton::clicked, this, &MainWindow::bb_porownanieClick);
    grid->addWidget(bb_zdane, 2, 0, 1, 4);
    grid->addWidget(bb_edycja, 3, 0, 1, 4);
    grid->addWidget(bb_porownanie, 4, 0, 1, 4);
    column->addWidget(period);

    auto *saving = new QGroupBox(QStringLiteral("Zapisywanie danych"));
    auto *savingColumn = new QVBoxLayout(saving);
    bb_zapisw = button("bb_zapisw", QStringLiteral("Zapisz zmiany"), false);
    connect(bb_zapisw, &QPushButton::clicked, this, &MainWindow::bb_zapiswClick);
    bb_zapis = button("bb_zapis", QStringLiteral("Zapisz do pliku"), false);
    bb_zapis->setToolTip(QStringLiteral("Zapis i wysłanie danych do KSU"));
    bb_druk = button("bb_druk", QStringLiteral("Drukuj dane"), false);
    connect(bb_zapis, &QPushButton::clicked, this, &MainWindow::bb_zapisClick);
    connect(bb_druk, &QPushButton::clicked, this, &MainWindow::bb_drukClick);
    bb_kontrola = button("bb_kontrola", QStringLiteral("Kontrola danych"), false);
    bb_kontrola->setToolTip(QStringLiteral("Sprawdza spójność danych okresu przed zapisem do pliku"));
    connect(bb_kontrola, &QPushButton::clicked, this, &MainWindow::bb_kontrolaClick);
    savingColumn->addWidget(bb_zapisw);
    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(bb_zapis);
    fileRow->addWidget(bb_kontrola);
    savingColumn->addLayout(fileRow);
    savingColumn->addWidget(bb_druk);
    column->addWidget(saving);

    bb_wyjscie = button("bb_wyjscie", QStringLiteral("Wyjście"), true);
    connect(bb_wyjscie, &QPushButton::clicked, this, &QWidget::close);
    column->addWidget(bb_wyjscie);
    column->addStretch(1);
    return frame;
}

void MainWindow::buildMenu()
{
    QMenu *menu = menuBar()->addMenu(QStringLiteral("Menu"));
    menu->setObjectName(QStringLiteral("Menu"));
    QAction *about = menu->addAction(QStringLiteral("O programie"));
    about->setObjectName(QStringLiteral("Oprogramie1"));
    connect(about, &QAction::triggered, this, &MainWindow::Oprogramie1Click);
    QAction *dictionary = menu->addAction(QStringLiteral("Wczytanie słownika składników"));
    dictionary->setObjectName(QStringLiteral("Wczyt"));
    connect(dictionary, &QAction::triggered, m_capitalPage, &pages::CapitalPage::WczytClick);
    QAction *upgrade = menu->addAction(QStringLiteral("Instalacja wersji"));
    upgrade->setObjectName(QStringLiteral("Instalacjawersji1"));
    connect(upgrade, &QAction::triggered, this, &MainWindow::Instalacjawersji1Click);
    m_deletePeriod = menu->addAction(QStringLiteral("Usuń okres"));
    m_deletePeriod->setObjectName(QStringLiteral("UsunOkres"));
    m_deletePeriod->setEnabled(false); // with "Edycja okresu", once the reporting database is open
    connect(m_deletePeriod, &QAction::triggered, this, &MainWindow::deletePeriod);
    m_comparePeriods = menu->addAction(QStringLiteral("Porównanie okresów"));
    m_comparePeriods->setObjectName(QStringLiteral("Porownanieokresow1"));
    m_comparePeriods->setEnabled(false); // with the button, once the reporting database is open
    connect(m_comparePeriods, &QAction::triggered, this, &MainWindow::bb_porownanieClick);
    menu->addSeparator();
    QAction *quit = menu->addAction(QStringLiteral("Zamknięcie programu"));
    quit->setObjectName(QStringLiteral("Zamknij"));
    connect(quit, &QAction::triggered, this, &MainWindow::bb_wyjscieClick);
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_activated) {
        m_activated = true;
        FormActivate();
    }
}

void MainWindow::FormActivate()
{
    Pc_struktura->setCurrentIndex(0);
    m_startupThread = QThread::create([this] {
        try {
            StartupTask(m_dm, *m_messages, *this).run();
        } catch (const std::exception &e) {
            showFailure(*m_messages, e);
        }
        QMetaObject::invokeMethod(this, &MainWindow::startupFinished, Qt::QueuedConnection);
    });
    m_startupThread->setObjectName(QStringLiteral("StartupTask"));
    m_startupThread->start();
}

void MainWindow::finishStartupTask()
{
    if (!m_startupThread)
        return;
    m_boxes.shutDown();
    // Pending calls of the task into this thread are delivered (and answered
    // without a box) until it ends.
    while (!m_startupThread->wait(20))
        QCoreApplication::processEvents();
    delete m_startupThread;
    m_startupThread = nullptr;
}

void MainWindow::bb_zdaneClick()
{
    m_lastRedraw.start();
    runAction([this] {
        if (m_workflow.importPeriod(
                {cb_odmc->currentText(), cb_odrok->currentText(), cb_domc->currentText(), cb_dorok->currentText()},
                *this))
            spr_imp->setText(QString::number(m_workflow.lastErrorCount()));
    });
}

void MainWindow::keepResponsive()
{
    // The import runs on this thread: let the window draw itself and answer the
    // user now and then, without slowing the import down.
    if (m_lastRedraw.isValid() && m_lastRedraw.elapsed() < 50)
        return;
    QCoreApplication::processEvents();
    m_lastRedraw.start();
}

void MainWindow::showErrorReport(const reports::ReportSheet &errorReport)
{
    ReportPreview::showModal(errorReport, reports::SheetKind::ErrorReport, *m_messages, m_workflow.outputGuard(), this);
}

void MainWindow::bb_edycjaClick()
{
    runAction([this] {
        m_workflow.openPeriod(
            {cb_odmc->currentText(), cb_odrok->currentText(), cb_domc->currentText(), cb_dorok->currentText()});
    });
}

void MainWindow::deletePeriod()
{
    runAction([this] {
        m_workflow.deletePeriod(
            {cb_odmc->currentText(), cb_odrok->currentText(), cb_domc->currentText(), cb_dorok->currentText()});
    });
}

void MainWindow::bb_porownanieClick()
{
    QList<store::PeriodFigures> periods;
    {
        DatabaseCommand command(m_workflow.commands(), *m_messages);
        if (!command || !runAction([&] { periods = store::LoadPeriodHistory(m_dm.KSU); }))
            return;
    }
    // The database is free again while the user compares the periods.
    PeriodComparisonWindow window(std::move(periods), *m_messages, m_workflow.outputGuard(), this);
    window.resize(size());
    window.exec();
}

void MainWindow::bb_zapiswClick()
{
    runAction([this] { m_workflow.save(); });
}

void MainWindow::bb_zapisClick()
{
    runAction([this] { m_workflow.checkAndWriteXml(); });
}

void MainWindow::bb_kontrolaClick()
{
    runAction([this] {
        const std::optional<QList<check::Finding>> findings = m_workflow.checkData();
        if (!findings)
            return;
        if (findings->isEmpty()) {
            if (m_findings)
                m_findings->close();
            m_messages->showInformation(QStringLiteral("Kontrola danych nie wykazała błędów ani ostrzeżeń."),
                                        applicationTitle());
            return;
        }
        if (!m_findings) {
            m_findings = new FindingsDialog(this);
            connect(m_findings, &FindingsDialog::findingActivated, this, &MainWindow::showFinding);
        }
        m_findings->setFindings(*findings);
        m_findings->show();
        m_findings->raise();
    });
}

void MainWindow::showFigureContracts(const QString &control)
{
    std::optional<FigureExplanation> explanation;
    if (!runAction([&] { explanation = m_workflow.explainFigure(control); }) || !explanation)
        return;
    // The database is free again while the list is shown.
    const store::OpenPeriod &period = m_workflow.period();
    FigureContractsDialog dialog(*explanation, period.PeriodStartText + QStringLiteral(" – ") + period.PeriodEndText,
                                 *m_messages, m_workflow.outputGuard(), this);
    if (m_presentContracts)
        m_presentContracts(dialog);
    else
        dialog.exec();
}

void MainWindow::showFinding(const check::Finding &finding)
{
    auto *field = Pc_struktura->findChild<QWidget *>(finding.field);
    if (!field)
        return;
    for (int i = 0; i < Pc_struktura->count(); ++i) {
        if (Pc_struktura->widget(i)->isAncestorOf(field))
            Pc_struktura->setCurrentIndex(i);
    }
    activateWindow();
    field->setFocus(Qt::OtherFocusReason);
}

void MainWindow::bb_drukClick()
{
    bool built = false;
    runAction([&] { built = m_workflow.buildPrintedSummary(); });
    // The database is free again while the user looks at the preview.
    if (built)
        ReportPreview::showModal(m_workflow.importReport, reports::SheetKind::ImportReport, *m_messages,
                                 m_workflow.outputGuard(), this);
}

bool MainWindow::savePeriodForClosing()
{
    bool saved = false;
    runAction([&] { saved = m_workflow.save(); });
    return saved;
}

bool MainWindow::askClosing(const QString &question)
{
    return m_messages->askYesNo(question, ClosingCaption);
}

void MainWindow::endProgram()
{
    m_ending = true;
    close();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_ending) {
        event->accept();
        return;
    }
    event->ignore();
    if (m_workflow.isRunning()) {
        m_messages->showWarning(ImportRunningText, ClosingCaption);
        return;
    }
    if (m_workflow.period().isOpen) {
        // A save that fails keeps the window open: what the user typed is still there.
        if (askClosing(QStringLiteral("Czy chcesz zapisac zmiany?")) && !savePeriodForClosing())
            return;
    }
    if (askClosing(ExitQuestion)) {
        m_ending = true;
        event->accept();
    }
}

void MainWindow::bb_wyjscieClick()
{
    // The menu's way out waits for a running import as the window's close does.
    if (m_workflow.isRunning()) {
        m_messages->showWarning(ImportRunningText, ClosingCaption);
        return;
    }
    if (m_workflow.period().isOpen && askClosing(QStringLiteral("Czy chcesz zapisac zmiany ?"))
        && !savePeriodForClosing())
        return;
    if (askClosing(ExitQuestion))
        endProgram();
}

void MainWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        if (m_workflow.isRunning())
            m_messages->showWarning(ImportRunningText, ClosingCaption);
        else if (askClosing(ExitQuestion))
            close();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void MainWindow::Instalacjawersji1Click()
{
    DatabaseCommand command(m_workflow.commands(), *m_messages);
    if (!command)
        return;
    // Shows nothing at the end: each statement is applied or skipped silently.
    runAction([this] {
        // Without the reporting database the Lokra statements still run.
        if (!m_dm.KSU.isOpen() || store::requireReportingDatabase(m_dm.KSU, *m_messages, true))
            store::upgradeSchema(m_dm.KSU, m_dm.LOKRA, *m_messages);
    });
}

void MainWindow::Oprogramie1Click()
{
    m_about->showWith({QStringLiteral("Wersja programu: ") + applicationTitle(),
                       QStringLiteral("Ścieżka bazy Lokra: ") + m_dm.SettingsPathLokra,
                       QStringLiteral("Ścieżka bazy Tervala: ") + m_dm.SettingsPathKsu,
                       QStringLiteral("Host: ") + m_dm.SettingsHost});
}

void MainWindow::appendCaption(const QString &suffix)
{
    QMetaObject::invokeMethod(
        this, [this, suffix] { setWindowTitle(windowTitle() + suffix); }, Qt::QueuedConnection);
}

void MainWindow::setPeriodButtons(bool importEnabled, bool openEnabled)
{
    QMetaObject::invokeMethod(
        this,
        [this, importEnabled, openEnabled] {
            bb_zdane->setEnabled(importEnabled);
            bb_edycja->setEnabled(openEnabled);
            m_deletePeriod->setEnabled(openEnabled);
            bb_porownanie->setEnabled(openEnabled);
            m_comparePeriods->setEnabled(openEnabled);
        },
        Qt::QueuedConnection);
}

void MainWindow::clearCapitalGroupText()
{
    m_capitalPage->clearGroup();
}

void MainWindow::ShowPeriodLabels(const store::OpenPeriod &period)
{
    for (int i = 0; i < m_periodLabels.size(); ++i) {
        QLabel *label = m_periodLabels[i];
        label->setText(i % 2 == 0 ? QStringLiteral("od ") + period.PeriodStartText
                                  : QStringLiteral("do ") + period.PeriodEndText);
        label->show();
    }
}

void MainWindow::enablePeriodButtons()
{
    for (QPushButton *b : {bb_zapis, bb_kontrola, bb_druk, bb_zapisw})
        b->setEnabled(true);
    // The findings of another period's check would mislead.
    if (m_findings)
        m_findings->close();
    m_capitalPage->periodOpened();
}

void MainWindow::closePeriod()
{
    for (QPushButton *b : {bb_zapis, bb_kontrola, bb_druk, bb_zapisw})
        b->setEnabled(false);
    if (m_findings)
        m_findings->close();
    for (QLabel *label : std::as_const(m_periodLabels))
        label->hide();
    m_capitalPage->periodOpened(false);
}

void MainWindow::focusInstitutionName()
{
    if (auto *name = findChild<QWidget *>(QStringLiteral("e_nazwa_inst")))
        name->setFocus();
}

void MainWindow::setProgress(int percent)
{
    Postep->setValue(percent);
    keepResponsive();
}
