#pragma once

#include "startuptask.h"
#include "widgetmessages.h"

#include <QMainWindow>

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
class MainWindow : public QMainWindow, private StartupSink
{
    Q_OBJECT

public:
    // `messages` replaces the window's message boxes (the tests' recorder).
    explicit MainWindow(store::DataModule &dataModule, Messages *messages = nullptr, QWidget *parent = nullptr);
    ~MainWindow() override;

    Messages &messages() { return *m_messages; }
    // Waits for the start-up task, answering nothing more on its behalf.
    void finishStartupTask();

signals:
    void startupFinished();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildPages();
    QWidget *buildPeriodFrame();
    QWidget *pageHeader(const QString &title, const char *fromName, const char *toName);
    void buildMenu();
    void FormActivate();

    // StartupSink, called from the start-up task's thread.
    void appendCaption(const QString &suffix) override;
    void setPeriodButtons(bool importEnabled, bool openEnabled) override;

    store::DataModule &m_dm;
    WidgetMessages m_boxes;
    Messages *m_messages;
    QThread *m_startupThread = nullptr;
    bool m_activated = false;
    bool m_periodOpen = false;

    QTabWidget *Pc_struktura = nullptr;
    QComboBox *cb_odmc = nullptr;
    QComboBox *cb_odrok = nullptr;
    QComboBox *cb_domc = nullptr;
    QComboBox *cb_dorok = nullptr;
    QPushButton *bb_zdane = nullptr;
    QPushButton *bb_edycja = nullptr;
    QPushButton *bb_zapisw = nullptr;
    QPushButton *bb_zapis = nullptr;
    QPushButton *bb_druk = nullptr;
    QPushButton *bb_wyjscie = nullptr;
    QProgressBar *Postep = nullptr;
    QLabel *spr_imp = nullptr;
};
