#pragma once

#include "db/money.h"
#include "store/capitalstore.h"

#include <QWidget>

#include <functional>

class CapitalWorkflow;
class Messages;
class QPushButton;
class QTableView;

namespace store {
class PageModel;
}

class QLabel;

namespace pages {

class AddComponentDialog;
class FieldBinding;
class NoTypingComboBox;
class NumericEdit;
class RowTable;

// The page "Kapitał pożyczkowy": the components of the chosen group with their
// total, the capital change of the period and the sources of new capital. The
// capital workflow does the work and holds the rows; the page shows them and
// hands it the user's actions. The capital change goes with the period's save.
class CapitalPage : public QWidget
{
    Q_OBJECT

public:
    CapitalPage(store::PageModel &model, CapitalWorkflow &workflow, Messages &messages, QWidget *parent = nullptr);
    ~CapitalPage() override;

    // A period was opened or imported (open) or deleted (not open): no group is
    // chosen, the component buttons wait for one, the source buttons follow open.
    void periodOpened(bool open = true);
    // Forgets the chosen group: cb_grupa empty, no components, no total, the add
    // dialog closed and the component buttons disabled.
    void clearGroup();

    // Handlers, also callable from the window's menu and the tests.
    void cb_grupaSelect();
    void Ts_kap_pozEnter();
    void bb_dsklClick();
    void bb_usklClick();
    void bb_DzrodClick();
    void JvDBGrid2DblClick();
    void bb_UzrodClick();
    void EditCapitalSource(bool editing, const QString &name, qint64 id, db::Money amount);
    // The menu item "Wczytanie słownika składników".
    void WczytClick();

    // The file dialog of the dictionary load (OpenDialog1): returns the chosen
    // path, empty when cancelled. A system file dialog unless replaced.
    void setFileChooser(std::function<QString()> chooser) { m_chooseFile = std::move(chooser); }

    // GroupComponents: the components of the chosen group (a list that grows with
    // the dictionary).
    const store::GroupComponentList &groupComponents() const;
    AddComponentDialog *addDialog() const { return m_addDialog; }

private:
    void buildLayout();
    void showGroupItems();
    // With a period open and no group to choose, says where a dictionary is loaded.
    void showDictionaryHint();
    void removeExtraGroupItem();
    bool commitComponentValue(int row, const QString &text);
    void selectFirstRow(QTableView *view);
    // Runs one action; an error ends it and is shown by the general error
    // display. The action's result, false after an error.
    bool runAction(const std::function<bool()> &action);

    store::PageModel &m_model;
    CapitalWorkflow &m_workflow;
    Messages &m_messages;
    FieldBinding *m_binding;
    std::function<QString()> m_chooseFile;

    NoTypingComboBox *cb_grupa = nullptr;
    QLabel *m_dictionaryHint = nullptr;
    QTableView *JvDBGrid1 = nullptr;
    RowTable *m_components = nullptr;
    NumericEdit *JvValidateEdit7 = nullptr;
    QPushButton *bb_dskl = nullptr;
    QPushButton *bb_uskl = nullptr;
    QTableView *JvDBGrid2 = nullptr;
    RowTable *m_sources = nullptr;
    QPushButton *bb_Dzrod = nullptr;
    QPushButton *bb_Uzrod = nullptr;
    AddComponentDialog *m_addDialog = nullptr;
};

} // namespace pages
