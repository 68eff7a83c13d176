#include "addcomponentdialog.h"

#include "common/messages.h"
#include "notypingcombobox.h"
#include "numericedit.h"
#include "pagelayout.h"
#include "workflow/capitalworkflow.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace pages {

AddComponentDialog::AddComponentDialog(CapitalWorkflow &workflow, Messages &messages, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_workflow(workflow), m_messages(messages)
{
    setObjectName(QStringLiteral("Tdodaj_s"));
    setWindowTitle(QStringLiteral("Dodawanie składnika kapitału pożyczkowego Funduszu Pożyczkowego"));
    setModal(false);

    cb_skl = new NoTypingComboBox;
    cb_skl->setObjectName(QStringLiteral("cb_skl"));
    l_ul = captionLabel(QStringLiteral("Szczegóły"));
    l_ul->setObjectName(QStringLiteral("l_ul"));
    cb_szcz = new NoTypingComboBox;
    cb_szcz->setObjectName(QStringLiteral("cb_szcz"));
    l_u = captionLabel(QStringLiteral("Szczegóły"));
    l_u->setObjectName(QStringLiteral("l_u"));
    e_uw = new QLineEdit;
    e_uw->setObjectName(QStringLiteral("e_uw"));
    e_uw->setMaxLength(100);
    Jvw_kap = new NumericEdit(store::FieldKind::Money);
    Jvw_kap->setObjectName(QStringLiteral("Jvw_kap"));
    BitBtn1 = new QPushButton(QStringLiteral("Zapisz"));
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setAutoDefault(false);

    // Wide enough for the caption and for the dictionary's long names.
    const int wide = fontMetrics().averageCharWidth() * 85;
    cb_skl->setMinimumWidth(wide);
    cb_szcz->setMinimumWidth(wide);
    e_uw->setMinimumWidth(wide);
    Jvw_kap->setFixedWidth(fontMetrics().averageCharWidth() * 18);

    auto *grid = new QGridLayout(this);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(12);
    grid->setContentsMargins(16, 16, 16, 16);
    QLabel *component = captionLabel(QStringLiteral("Składnik"));
    component->setBuddy(cb_skl);
    grid->addWidget(component, 0, 0);
    grid->addWidget(cb_skl, 0, 1);
    auto *labels = new QWidget;
    auto *labelsRow = new QHBoxLayout(labels);
    labelsRow->setContentsMargins(0, 0, 0, 0);
    labelsRow->addWidget(l_ul);
    labelsRow->addWidget(l_u);
    auto *details = new QWidget;
    auto *detailsRow = new QHBoxLayout(details);
    detailsRow->setContentsMargins(0, 0, 0, 0);
    detailsRow->addWidget(cb_szcz);
    detailsRow->addWidget(e_uw);
    grid->addWidget(labels, 1, 0);
    grid->addWidget(details, 1, 1);
    QLabel *value = captionLabel(QStringLiteral("Wartość"));
    value->setBuddy(Jvw_kap);
    grid->addWidget(value, 2, 0);
    grid->addWidget(Jvw_kap, 2, 1, Qt::AlignLeft);
    grid->addWidget(BitBtn1, 3, 1, Qt::AlignRight);
    grid->setColumnStretch(1, 1);
    // The two kinds of details share one place, only one of them ever shown; the
    // row keeps its room while both are hidden, so nothing moves under the mouse.
    details->setMinimumHeight(cb_szcz->sizeHint().height());
    labels->setMinimumWidth(l_ul->sizeHint().width());
    showDetails(false, false);
    setFixedSize(sizeHint());

    connect(&m_workflow, &CapitalWorkflow::groupComponentsChanged, this, &AddComponentDialog::showGroupComponents);
    connect(cb_skl, &QComboBox::activated, this, &AddComponentDialog::cb_sklSelect);
    connect(BitBtn1, &QPushButton::clicked, this, &AddComponentDialog::BitBtn1Click);
    // The dialog sees every key before its controls, for Esc.
    for (QWidget *w : {static_cast<QWidget *>(cb_skl), static_cast<QWidget *>(cb_szcz), static_cast<QWidget *>(e_uw),
                       static_cast<QWidget *>(Jvw_kap), static_cast<QWidget *>(BitBtn1)})
        w->installEventFilter(this);
}

const store::GroupComponentList &AddComponentDialog::groupComponents() const
{
    return m_workflow.groupComponents();
}

void AddComponentDialog::showGroupComponents()
{
    cb_skl->clear();
    cb_skl->addItem(QString());
    for (const store::GroupComponent &c : groupComponents())
        cb_skl->addItem(c.Nazwa);
    cb_skl->setCurrentIndex(-1);
    showDetails(false, false);
}

void AddComponentDialog::showCentred()
{
    if (!isVisible()) {
        const QRect desktop = (screen() ? screen() : QGuiApplication::primaryScreen())->availableGeometry();
        QRect frame = frameGeometry();
        frame.moveCenter(desktop.center());
        move(frame.topLeft());
    }
    show();
    raise();
    activateWindow();
}

const store::GroupComponent *AddComponentDialog::chosenComponent() const
{
    // Item i (from 1) is entry i - 1: of two components with one name, the one picked.
    const store::GroupComponentList &components = groupComponents();
    const int index = cb_skl->currentIndex() - 1;
    if (index < 0 || index >= components.size() || components[index].Nazwa != cb_skl->currentText())
        return nullptr;
    return &components[index];
}

void AddComponentDialog::showDetails(bool list, bool text)
{
    l_ul->setVisible(list);
    cb_szcz->setVisible(list);
    l_u->setVisible(text);
    e_uw->setVisible(text);
}

void AddComponentDialog::cb_sklSelect()
{
    const store::GroupComponent *entry = chosenComponent();
    const qint64 rodzaj = entry ? entry->Rodzaj : 0;
    switch (rodzaj) {
    case store::RodzajListEntry: {
        std::optional<QStringList> entries;
        try {
            entries = m_workflow.listEntries(*entry);
        } catch (const std::exception &e) {
            showFailure(m_messages, e);
            return;
        }
        if (!entries)
            return;
        cb_szcz->clear();
        cb_szcz->addItem(QString());
        cb_szcz->addItems(*entries);
        cb_szcz->setCurrentIndex(0);
        showDetails(true, false);
        break;
    }
    case store::RodzajFreeText:
        showDetails(false, true);
        break;
    case store::RodzajValueOnly:
        showDetails(false, false);
        break;
    default:
        l_u->hide();
        e_uw->hide();
        break;
    }
}

void AddComponentDialog::BitBtn1Click()
{
    if (cb_skl->currentText().isEmpty()) {
        m_messages.showWarning(QStringLiteral("Nie wybrano składnika !"), QStringLiteral("Uwaga !"));
        return;
    }
    const store::GroupComponent *entry = chosenComponent();
    if (!entry)
        return;
    // Only the details the user can see are stored: a text typed for another
    // component and then hidden does not travel with this one.
    QString details;
    if (entry->Rodzaj == store::RodzajListEntry)
        details = cb_szcz->currentText();
    else if (entry->Rodzaj == store::RodzajFreeText)
        details = e_uw->text();
    try {
        if (!m_workflow.addComponent(*entry, Jvw_kap->value().toMoney(), details))
            return;
    } catch (const std::exception &e) {
        showFailure(m_messages, e);
        return;
    }
    e_uw->clear();
    m_messages.showInformation(QStringLiteral("Składnik dodany pomyślnie"), applicationTitle());
    FormClose();
    cb_szcz->setCurrentIndex(-1);
    hide();
}

void AddComponentDialog::FormClose()
{
    showDetails(false, false);
    cb_skl->setCurrentIndex(cb_skl->count() > 0 ? 0 : -1);
    Jvw_kap->clear();
}

void AddComponentDialog::reject()
{
    FormClose();
    QDialog::reject();
}

bool AddComponentDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        reject();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace pages
