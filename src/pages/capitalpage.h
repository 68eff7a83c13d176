#pragma once

#include "db/money.h"
#include "store/capitalstore.h"
#include "store/openperiod.h"

#include <QWidget>

#include <functional>

class Messages;
class QPushButton;
class QTableView;

namespace db {
class Connection;
}

namespace store {
class PageModel;
}

namespace pages {

class AddComponentDialog;
class CapitalComponentTable;
class CapitalSourceTable;
class FieldBinding;
class NoTypingComboBox;
class NumericEdit;

// What the loan capital page and its dialogs take from the window that owns them:
// the reporting database, the open period, the groups of cb_grupa and the busy
// gate of the reporting database.
class CapitalContext
{
public:
    virtual ~CapitalContext() = default;
    virtual db::Connection &ksu() = 0;
    virtual const store::OpenPeriod &period() const = 0;
    // CapitalGroups: entry k belongs to item k of cb_grupa.
    virtual const store::CapitalGroupList &groups() const = 0;
    // False, after telling the user why, when other work holds the reporting
    // database (the start-up task, an import); otherwise the page may use it
    // until endDatabaseWork().
    virtual bool beginDatabaseWork() = 0;
    virtual void endDatabaseWork() = 0;
};

// Holds the reporting database for one action of the page.
class DatabaseWork
{
public:
    explicit DatabaseWork(CapitalContext &context) : m_context(context), m_held(context.beginDatabaseWork()) {}
    ~DatabaseWork()
    {
        if (m_held)
            m_context.endDatabaseWork();
    }
    DatabaseWork(const DatabaseWork &) = delete;
    DatabaseWork &operator=(const DatabaseWork &) = delete;
    explicit operator bool() const { return m_held; }

private:
    CapitalContext &m_context;
    bool m_held;
};

// The page "Kapitał pożyczkowy": the components of the chosen group with their
// total, the capital change of the period and the sources of new capital. The
// components and the sources are written (and committed) as soon as the user
// adds, edits or deletes one; the capital change goes with the period's save.
class CapitalPage : public QWidget
{
    Q_OBJECT

public:
    CapitalPage(store::PageModel &model, CapitalContext &context, Messages &messages, QWidget *parent = nullptr);
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
    const store::GroupComponentList &groupComponents() const { return m_groupComponents; }
    AddComponentDialog *addDialog() const { return m_addDialog; }

private:
    void buildLayout();
    void showGroupItems();
    void removeExtraGroupItem();
    qint64 chosenGroupKod() const;
    void showComponents(qint64 groupKod);
    void showTotal(qint64 groupKod);
    void componentAdded(qint64 groupKod);
    bool commitComponentEdit(int row, int column, const QString &text);
    void selectFirstRow(QTableView *view);
    // Runs one action; an error ends it and is shown by the general error display.
    bool runAction(const std::function<void()> &action);

    store::PageModel &m_model;
    CapitalContext &m_context;
    Messages &m_messages;
    FieldBinding *m_binding;
    std::function<QString()> m_chooseFile;
    store::GroupComponentList m_groupComponents;
    qint64 m_shownGroup = 0;

    NoTypingComboBox *cb_grupa = nullptr;
    QTableView *JvDBGrid1 = nullptr;
    CapitalComponentTable *m_components = nullptr;
    NumericEdit *JvValidateEdit7 = nullptr;
    QPushButton *bb_dskl = nullptr;
    QPushButton *bb_uskl = nullptr;
    QTableView *JvDBGrid2 = nullptr;
    CapitalSourceTable *m_sources = nullptr;
    QPushButton *bb_Dzrod = nullptr;
    QPushButton *bb_Uzrod = nullptr;
    AddComponentDialog *m_addDialog = nullptr;
};

} // namespace pages
