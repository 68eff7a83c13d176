#pragma once

#include <QDialog>

class QPlainTextEdit;

// The About window To_prog: who makes the program, two links and a memo with the
// version and the databases in use.
class AboutBox : public QDialog
{
    Q_OBJECT

public:
    explicit AboutBox(QWidget *parent = nullptr);
    // Shows the window (not modal) with the four memo lines.
    void showWith(const QStringList &lines);
    QStringList memoLines() const;

protected:
    void closeEvent(QCloseEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QPlainTextEdit *M_prog;
};
