#pragma once

#include "db/money.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace pages {

class NumericEdit;

// The source dialog of EditCapitalSource, made anew for each use: the name and
// the amount of one capital source. "Zapisz" accepts; "Anuluj", Esc and closing
// the window cancel.
class CapitalSourceDialog : public QDialog
{
    Q_OBJECT

public:
    // Caption "Edycja źródła" when editing, "Dodawanie źródła" when adding.
    CapitalSourceDialog(bool editing, const QString &name, db::Money amount, QWidget *parent = nullptr);

    QString name() const;
    // Empty counts as 0.
    db::Money amount() const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    QLineEdit *m_name = nullptr;
    NumericEdit *m_amount = nullptr;
};

} // namespace pages
