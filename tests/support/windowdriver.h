#pragma once

// The main window driven as a user drives it: its start-up, and the opening of a
// period chosen in the four combos.
#include "shell/mainwindow.h"

#include <QComboBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QStringList>
#include <QTest>

// Shows the window and waits for its start-up task; false when the task did not
// finish within 30 s.
inline bool startWindow(MainWindow &window)
{
    QSignalSpy started(&window, &MainWindow::startupFinished);
    window.show();
    return started.wait(30000);
}

// Types the period ("01", "2013", "06", "2013") into the four combos and clicks
// "Edycja okresu".
inline void openPeriodInWindow(MainWindow &window, const QStringList &period)
{
    const char *const combos[] = {"cb_odmc", "cb_odrok", "cb_domc", "cb_dorok"};
    for (int i = 0; i < 4; ++i)
        window.findChild<QComboBox *>(QLatin1String(combos[i]))->setEditText(period.at(i));
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("bb_edycja")), Qt::LeftButton);
}
