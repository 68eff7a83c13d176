#include "capitalworkflow.h"

#include "common/messages.h"
#include "databasecommand.h"
#include "store/datamodule.h"
#include "store/dictionaryload.h"
#include "store/pagemodel.h"
#include "store/periodstore.h"
#include "store/sharedaccess.h"

namespace {
const QString GroupControl = QStringLiteral("cb_grupa");
const QString TotalControl = QStringLiteral("JvValidateEdit7");
} // namespace

CapitalWorkflow::CapitalWorkflow(store::DataModule &dataModule, store::PageModel &model, Messages &messages,
                                 CommandGate &commands, const store::OpenPeriod &period,
                                 const store::CapitalGroupList &groups, QObject *parent)
    : QObject(parent), m_dm(dataModule), m_model(model), m_messages(messages), m_commands(commands), m_period(period),
      m_groups(groups)
{
}

db::Connection &CapitalWorkflow::ksu()
{
    return m_dm.KSU;
}

bool CapitalWorkflow::writePeriod(const std::function<void()> &write)
{
    qint64 expected = m_period.stamp;
    for (;;) {
        try {
            db::AtomicWork work(ksu());
            const qint64 stamp = store::BumpPeriodStamp(ksu(), m_period.id(), expected);
            write();
            work.commit();
            m_period.stamp = stamp;
            return true;
        } catch (const store::PeriodChanged &changed) {
            if (!m_messages.askYesNo(
                    QStringLiteral("Okres od %1 do %2 zmienił i zapisał w międzyczasie inny użytkownik: %3.\r"
                                   "Czy mimo to zapisać tę zmianę kapitału? (Nie: nic nie zostanie zapisane; "
                                   "zmiany tamtego użytkownika pokaże ponowne otwarcie okresu – „Edycja okresu”.)")
                        .arg(m_period.PeriodStartText, m_period.PeriodEndText, store::describeChange(changed.stamp())),
                    QStringLiteral("Okres zmieniony przez innego użytkownika")))
                return false;
            expected = changed.stamp().counter;
        }
    }
}

qint64 CapitalWorkflow::chosenGroup() const
{
    // Of two groups with one name, the one picked.
    const QString name = m_model.text(GroupControl);
    if (m_groupIndex >= 0 && m_groupIndex < m_groups.size() && m_groups[m_groupIndex].Nazwa == name)
        return m_groups[m_groupIndex].Kod;
    return store::findCapitalGroup(m_groups, name);
}

bool CapitalWorkflow::chooseGroup(int index)
{
    m_groupIndex = index;
    if (index >= 0 && index < m_groups.size() && m_model.text(GroupControl) != m_groups[index].Nazwa)
        m_model.setText(GroupControl, m_groups[index].Nazwa);
    DatabaseCommand command(m_commands, m_messages);
    if (!command)
        return false;
    const qint64 kod = chosenGroup();
    m_groupComponents = store::LoadGroupComponents(ksu(), kod);
    emit groupComponentsChanged();
    showComponents(kod);
    showTotal(kod);
    return true;
}

void CapitalWorkflow::clearGroup()
{
    m_groupIndex = -1;
    if (!m_model.text(GroupControl).isEmpty())
        m_model.setText(GroupControl, QString());
    m_groupComponents.clear();
    emit groupComponentsChanged();
    m_shownGroup = 0;
    m_components.clear();
    emit componentsChanged();
    m_model.clear(TotalControl);
}

void CapitalWorkflow::showComponents(qint64 groupKod)
{
    m_shownGroup = groupKod;
    m_components = store::LoadCapitalComponents(ksu(), m_period.id(), groupKod);
    emit componentsChanged();
}

void CapitalWorkflow::showTotal(qint64 groupKod)
{
    const std::optional<db::Money> total = store::CapitalGroupTotal(ksu(), m_period, groupKod);
    if (total)
        m_model.setMoney(TotalControl, *total);
    else
        m_model.clear(TotalControl);
}

bool CapitalWorkflow::showGroupTotal()
{
    if (!m_period.isOpen)
        return false;
    DatabaseCommand command(m_commands, m_messages);
    if (!command)
        return false;
    showTotal(chosenGroup());
    return true;
}

std::optional<QStringList> CapitalWorkflow::listEntries(const store::GroupComponent &component)
{
    DatabaseCommand command(m_commands, m_messages);
    if (!command)
        return std::nullopt;
    return store::LoadComponentListEntries(ksu(), component.Kod);
}

bool CapitalWorkflow::addComponent(const store::GroupComponent &component, db::Money value, const QString &details)
{
    DatabaseCommand command(m_commands, m_messages);
    if (!command)
        return false;
    if (!writePeriod([&] {
            store::InsertCapitalComponent(
                ksu(), m_period, {component.Nazwa, value, component.Kod, component.Grupa, component.Rodzaj, details});
        }))
        return false;
    // The component is stored: showing it is another matter.
    try {
        showTotal(component.Grupa);
        showComponents(component.Grupa);
    } catch (const std::exception &e) {
        showFailure(m_messages, e);
    }
    return true;
}

bool CapitalWorkflow::deleteComponent(int row)
{
    if (!m_messages.askYesNo(QStringLiteral("Czy na pewno chcesz usunąc zaznaczony składnik ?"),
                             QStringLiteral("Usuwanie rekordu")))
        return false;
    if (row < 0 || row >= m_components.size()) {
        m_messages.showWarning(QStringLiteral("Nie wybrano składnika do usunięcia"), QStringLiteral("Błąd!"));
        return false;
    }
    const qint64 id = m_components[row].ID_SKL;
    DatabaseCommand command(m_commands, m_messages);
    if (!command)
        return false;
    if (!writePeriod([&] { store::DeleteCapitalComponent(ksu(), id); }))
        return false;
    showComponents(m_shownGroup);
    m_messages.showInformation(QStringLiteral("Usunięto składnik."), QStringLiteral("Usunięto składnik"));
    showTotal(chosenGroup());
    return true;
}

bool CapitalWorkflow::setComponentValue(int row, db::Money value)
{
    store::CapitalComponent &component = m_components[row];
    if (value == component.WARTOSC)
        return true;
    DatabaseCommand command(m_commands, m_messages);
    if (!command)
        return false;
    if (!writePeriod([&] { store::UpdateCapitalComponentValue(ksu(), component.ID_SKL, value); }))
        return false;
    component.WARTOSC = value;
    // The field is the group's total, whatever changed it.
    showTotal(chosenGroup());
    return true;
}

bool CapitalWorkflow::setComponentDetails(int row, const QString &details)
{
    store::CapitalComponent &component = m_components[row];
    if (details == component.SZCZEGOLY)
        return true;
    DatabaseCommand command(m_commands, m_messages);
    if (!command)
        return false;
    if (!writePeriod([&] { store::UpdateCapitalComponentDetails(ksu(), component.ID_SKL, details); }))
        return false;
    component.SZCZEGOLY = details;
    return true;
}

bool CapitalWorkflow::addSource(const QString &name, db::Money amount)
{
    DatabaseCommand command(m_commands, m_messages);
    if (!command)
        return false;
    return writePeriod([&] { store::InsertCapitalSource(ksu(), m_period, name, amount, m_model); });
}

bool CapitalWorkflow::editSource(qint64 id, const QString &name, db::Money amount)
{
    DatabaseCommand command(m_commands, m_messages);
    if (!command)
        return false;
    return writePeriod([&] { store::UpdateCapitalSource(ksu(), m_period, id, name, amount, m_model); });
}

bool CapitalWorkflow::deleteSource(qint64 id)
{
    if (id <= 0)
        return false;
    DatabaseCommand command(m_commands, m_messages);
    if (!command)
        return false;
    return writePeriod([&] { store::DeleteCapitalSource(ksu(), m_period, id, m_model); });
}

bool CapitalWorkflow::loadDictionary(const QString &path)
{
    DatabaseCommand command(m_commands, m_messages);
    if (!command)
        return false;
    return store::LoadDictionary(ksu(), path, m_messages, m_period);
}
