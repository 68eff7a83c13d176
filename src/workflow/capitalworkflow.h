#pragma once

#include "db/money.h"
#include "store/capitalstore.h"
#include "store/openperiod.h"

#include <QObject>
#include <QStringList>

#include <functional>

#include <optional>

class CommandGate;
class Messages;
namespace db {
class Connection;
}
namespace store {
class DataModule;
class PageModel;
}

// The loan capital page's work, without a window: the chosen group with its
// components and total, the components' additions, edits and deletions, the
// capital sources, and the load of the component dictionary. The page and its
// add dialog show what it holds; the command line and the tests drive it alone.
//
// Components and sources are written and committed at once. Every action runs
// as one command of the window's command gate: it is refused, with the message
// saying why, while another command runs or the start-up task holds the
// reporting database. Database errors are thrown for the general error display.
class CapitalWorkflow : public QObject
{
    Q_OBJECT

public:
    // `period` and `groups` are the open period and its CapitalGroups, kept by
    // the period workflow; they are read at every action.
    CapitalWorkflow(store::DataModule &dataModule, store::PageModel &model, Messages &messages, CommandGate &commands,
                    const store::OpenPeriod &period, const store::CapitalGroupList &groups, QObject *parent = nullptr);

    const store::OpenPeriod &period() const { return m_period; }
    // CapitalGroups: entry k is item k of cb_grupa.
    const store::CapitalGroupList &groups() const { return m_groups; }

    // cb_grupaSelect: chooses entry `index` of groups() (its name goes into the
    // field cb_grupa), then loads the group's dictionary components, its
    // components in the open period and its total. False when refused.
    bool chooseGroup(int index);
    // No group chosen (the field cb_grupa empty): no components, no total.
    void clearGroup();
    // The Kod of the chosen group: the entry picked when its name is still the
    // field's text, otherwise the last group of that name; 0 for none.
    qint64 chosenGroup() const;

    // GroupComponents: the chosen group's components in the dictionary.
    const store::GroupComponentList &groupComponents() const { return m_groupComponents; }
    // The open period's components of the chosen group, as the grid shows them.
    const QList<store::CapitalComponent> &components() const { return m_components; }

    // Ts_kap_pozEnter: with a period open, the chosen group's total into
    // JvValidateEdit7. False when nothing was read.
    bool showGroupTotal();

    // cb_sklSelect for a component with list entries: the names of its entries;
    // none when refused.
    std::optional<QStringList> listEntries(const store::GroupComponent &component);
    // BitBtn1Click: stores `component` (an entry of groupComponents()) in the open
    // period with its value and details, then shows its group's components and
    // total. False when refused. A failure to show them again is reported through
    // the general error display and does not undo the addition.
    bool addComponent(const store::GroupComponent &component, db::Money value, const QString &details);
    // bb_usklClick: asks first, then deletes row `row` of components() (-1: none,
    // which is a warning). False when not confirmed, missing or refused.
    bool deleteComponent(int row);
    // A value or the details of row `row` edited in the grid, committed at once;
    // an edited value puts the chosen group's total into JvValidateEdit7. True
    // also when nothing changed; false when refused.
    bool setComponentValue(int row, db::Money value);
    bool setComponentDetails(int row, const QString &details);

    // The capital sources (the model's list): added, edited through the source
    // dialog or deleted without a question; a source id of 0 or less is none to delete.
    bool addSource(const QString &name, db::Money amount);
    bool editSource(qint64 id, const QString &name, db::Money amount);
    bool deleteSource(qint64 id);

    // WczytClick after the user's Yes and file choice: replaces the dictionary
    // with the file's entries, all or nothing (see store::LoadDictionary). True
    // when the new dictionary was committed.
    bool loadDictionary(const QString &path);

signals:
    // groupComponents() was replaced: the add dialog offers its names.
    void groupComponentsChanged();
    // components() was replaced: the grid shows the new rows.
    void componentsChanged();

private:
    db::Connection &ksu();
    // Runs one of the page's immediate writes with the period's change stamp in
    // one unit. When another user changed the period since it was read here, asks
    // whether to write anyway; false when the write was not made.
    bool writePeriod(const std::function<void()> &write);
    void showComponents(qint64 groupKod);
    void showTotal(qint64 groupKod);

    store::DataModule &m_dm;
    store::PageModel &m_model;
    Messages &m_messages;
    CommandGate &m_commands;
    const store::OpenPeriod &m_period;
    const store::CapitalGroupList &m_groups;

    int m_groupIndex = -1; // the entry of groups() picked last
    store::GroupComponentList m_groupComponents;
    qint64 m_shownGroup = 0;
    QList<store::CapitalComponent> m_components;
};
