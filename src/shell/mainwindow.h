#pragma once

#include "import/importcontext.h"
#include "pages/capitalpage.h"
#include "store/pagemodel.h"
#include "widgetmessages.h"
#include "workflow/capitalworkflow.h"
#include "workflow/periodworkflow.h"
#include "workflow/startuptask.h"

#include <QElapsedTimer>
#include <QMainWindow>

#include <functional>

class AboutBox;
class FigureContractsDialog;
class FindingsDialog;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QThread;

namespace store {
class DataModule;
}

// The main window TGlowne: five pages over one reporting period, the period
// frame with its buttons, the progress bar and the menu.
class MainWindow : public QMainWindow, private StartupSink, private PeriodView, private import::ImportOutput
{
    Q_OBJECT

public:
    // `messages` replaces the window's message boxes (the tests' recorder).
    explicit MainWindow(store::DataModule &dataModule, Messages *messages = nullptr, QWidget *parent = nullptr);
    ~MainWindow() override;

    Messages &messages() { return *m_messages; }
    store::PageModel &model() { return m_model; }
    const PeriodWorkflow &workflow() const { return m_workflow; }
    CapitalWorkflow &capitalWorkflow() { return m_capital; }
    // Waits for the start-up task, answering nothing more on its behalf.
    void finishStartupTask();

    void bb_zdaneClick();
    void bb_edycjaClick();
    void bb_zapiswClick();
    void bb_zapisClick();
    // "Kontrola danych": the findings of the open period in a list.
    void bb_kontrolaClick();
    // Switches to the page of a finding and puts the focus in its field.
    void showFinding(const check::Finding &finding);
    // "Pokaż umowy" on a count or value field: the contracts behind its figure.
    void showFigureContracts(const QString &control);
    // Where the contracts lists are shown; the tests replace it to look at the dialog.
    void setContractsPresenter(std::function<void(FigureContractsDialog &)> present)
    {
        m_presentContracts = std::move(present);
    }
    FindingsDialog *findingsDialog() const { return m_findings; }
    void bb_drukClick();
    void bb_wyjscieClick();
    void Oprogramie1Click();
    void Instalacjawersji1Click();
    // "Usuń okres" in the menu: the period chosen in the four combo boxes.
    void deletePeriod();
    // "Porównanie okresów", the button and the menu item: every stored period side by side.
    void bb_porownanieClick();

signals:
    void startupFinished();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildPages();
    QWidget *buildPeriodFrame();
    QWidget *pageHeader(const QString &title, const char *fromName, const char *toName);
    void buildMenu();
    void FormActivate();
    // Saves with the confirmation; false when the save failed or was refused.
    bool savePeriodForClosing();
    bool askClosing(const QString &question);
    void endProgram();
    // Runs one user action; an error ends it and is shown by the general error display.
    template <typename F>
    bool runAction(F &&action);

    // StartupSink, called from the start-up task's thread.
    void appendCaption(const QString &suffix) override;
    void setPeriodButtons(bool importEnabled, bool openEnabled) override;
    // PeriodView.
    void clearCapitalGroupText() override;
    void ShowPeriodLabels(const store::OpenPeriod &period) override;
    void enablePeriodButtons() override;
    void closePeriod() override;
    void focusInstitutionName() override;
    void setProgress(int percent) override;
    // ImportOutput.
    void keepResponsive() override;
    void showErrorReport(const reports::ReportSheet &errorReport) override;

    store::DataModule &m_dm;
    WidgetMessages m_boxes;
    Messages *m_messages;
    store::PageModel m_model;
    PeriodWorkflow m_workflow;
    CapitalWorkflow m_capital;
    QAction *m_deletePeriod = nullptr;
    QAction *m_comparePeriods = nullptr;
    QThread *m_startupThread = nullptr;
    AboutBox *m_about = nullptr;
    bool m_activated = false;
    bool m_ending = false;
    QElapsedTimer m_lastRedraw;

    QTabWidget *Pc_struktura = nullptr;
    QComboBox *cb_odmc = nullptr;
    QComboBox *cb_odrok = nullptr;
    QComboBox *cb_domc = nullptr;
    QComboBox *cb_dorok = nullptr;
    pages::CapitalPage *m_capitalPage = nullptr;
    QPushButton *bb_zdane = nullptr;
    QPushButton *bb_edycja = nullptr;
    QPushButton *bb_porownanie = nullptr;
    QPushButton *bb_zapisw = nullptr;
    QPushButton *bb_zapis = nullptr;
    QPushButton *bb_kontrola = nullptr;
    FindingsDialog *m_findings = nullptr;
    std::function<void(FigureContractsDialog &)> m_presentContracts;
    QPushButton *bb_druk = nullptr;
    QPushButton *bb_wyjscie = nullptr;
    QProgressBar *Postep = nullptr;
    QLabel *spr_imp = nullptr;
    QList<QLabel *> m_periodLabels;
};
