#pragma once

#include "store/capitalstore.h"

#include <QDialog>

class CapitalWorkflow;
class Messages;
class QLabel;
class QLineEdit;
class QPushButton;

namespace pages {

class NoTypingComboBox;
class NumericEdit;

// Tdodaj_s, "Dodawanie składnika kapitału pożyczkowego Funduszu Pożyczkowego":
// adds one component of the chosen group to the open period through the capital
// workflow. Not modal, so the user may choose another group meanwhile; the list
// of components follows the group chosen last. Shown in the middle of the desktop; Esc and closing reset it.
class AddComponentDialog : public QDialog
{
    Q_OBJECT

public:
    AddComponentDialog(CapitalWorkflow &workflow, Messages &messages, QWidget *parent = nullptr);

    // The workflow's GroupComponents, offered in cb_skl.
    const store::GroupComponentList &groupComponents() const;

    // Shows the dialog in the middle of the desktop, or brings it forward.
    void showCentred();

    // Handlers.
    void cb_sklSelect();
    void BitBtn1Click();
    // Hides the details and empties the component and the value.
    void FormClose();

public slots:
    void reject() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Fills cb_skl with an empty item and the components' names in list order
    // (cb_grupaSelect); a new list also puts away the details of the old choice.
    void showGroupComponents();
    // The chosen entry of GroupComponents; nullptr for the empty item.
    const store::GroupComponent *chosenComponent() const;
    void showDetails(bool list, bool text);

    CapitalWorkflow &m_workflow;
    Messages &m_messages;

    NoTypingComboBox *cb_skl = nullptr;
    QLabel *l_ul = nullptr;
    NoTypingComboBox *cb_szcz = nullptr;
    QLabel *l_u = nullptr;
    QLineEdit *e_uw = nullptr;
    NumericEdit *Jvw_kap = nullptr;
    QPushButton *BitBtn1 = nullptr;
};

} // namespace pages
