#include "capitalpage.h"

#include "addcomponentdialog.h"
#include "capitalsourcedialog.h"
#include "common/messages.h"
#include "fieldbinding.h"
#include "notypingcombobox.h"
#include "numericedit.h"
#include "pagelayout.h"
#include "store/dictionaryload.h"
#include "store/fields.h"
#include "store/pagemodel.h"
#include "store/periodstore.h"

#include <QAbstractTableModel>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

namespace pages {

namespace {

const QString GroupControl = QStringLiteral("cb_grupa");
const QString TotalControl = QStringLiteral("JvValidateEdit7");

// Amounts in the grids: thousands separated the Polish way, two decimals.
QString shownAmount(db::Money amount)
{
    static const QChar group = QLocale(QLocale::Polish, QLocale::Poland).groupSeparator().at(0);
    return amount.format(2, u',', group);
}

// The amount as typed into an editor: no separators.
QString editedAmount(db::Money amount)
{
    return amount.format(2, u',');
}

const store::FieldSpec &capitalSpec(std::string_view control)
{
    for (const store::FieldSpec &spec : store::CapitalFields) {
        if (spec.control == control)
            return spec;
    }
    throw std::logic_error("no capital field " + std::string(control));
}

QPushButton *button(const char *name, const QString &caption)
{
    auto *b = new QPushButton(caption);
    b->setObjectName(QString::fromLatin1(name));
    b->setEnabled(false);
    b->setAutoDefault(false);
    return b;
}

QTableView *grid(const char *name)
{
    auto *view = new QTableView;
    view->setObjectName(QString::fromLatin1(name));
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setAlternatingRowColors(true);
    view->verticalHeader()->hide();
    view->horizontalHeader()->setHighlightSections(false);
    view->setMinimumHeight(view->verticalHeader()->defaultSectionSize() * 6);
    return view;
}

QLabel *heading(const QString &text)
{
    QLabel *label = captionLabel(text);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

// The value column edits with a money field, the details with a line of at most
// the column's 100 characters.
class ComponentDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &index) const override
    {
        if (index.column() == 1)
            return new NumericEdit(store::FieldKind::Money, parent);
        auto *edit = new QLineEdit(parent);
        edit->setMaxLength(100);
        return edit;
    }

    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        const QString text = index.data(Qt::EditRole).toString();
        if (auto *numeric = qobject_cast<NumericEdit *>(editor))
            numeric->setNumberText(text);
        else if (auto *edit = qobject_cast<QLineEdit *>(editor))
            edit->setText(text);
    }

    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        if (auto *numeric = qobject_cast<NumericEdit *>(editor))
            model->setData(index, numeric->numberText(), Qt::EditRole);
        else if (auto *edit = qobject_cast<QLineEdit *>(editor))
            model->setData(index, edit->text(), Qt::EditRole);
    }
};

} // namespace

// The component grid's rows: "Rodzaj " (the dictionary name), "Wartość ", the
// hidden ID_SKL and "Szczegóły". An edit of the value or the details reaches the
// database through `commit` before the row shows it.
class CapitalComponentTable : public QAbstractTableModel
{
public:
    enum Column { Name, Value, Id, Details, ColumnCount };
    using Commit = std::function<bool(int row, int column, const QString &text)>;

    CapitalComponentTable(Commit commit, QObject *parent) : QAbstractTableModel(parent), m_commit(std::move(commit)) {}

    void setRows(QList<store::CapitalComponent> rows)
    {
        beginResetModel();
        m_rows = std::move(rows);
        endResetModel();
    }
    const store::CapitalComponent &row(int r) const { return m_rows.at(r); }
    store::CapitalComponent &row(int r) { return m_rows[r]; }

    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : int(m_rows.size()); }
    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : ColumnCount; }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        switch (section) {
        case Name:
            return QStringLiteral("Rodzaj ");
        case Value:
            return QStringLiteral("Wartość ");
        case Id:
            return QStringLiteral("ID_SKL");
        case Details:
            return QStringLiteral("Szczegóły");
        }
        return {};
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid())
            return {};
        const store::CapitalComponent &c = m_rows.at(index.row());
        if (role == Qt::TextAlignmentRole && index.column() == Value)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        if (role == Qt::ToolTipRole && index.column() == Name)
            return c.SKLADNIK;
        if (role != Qt::DisplayRole && role != Qt::EditRole)
            return {};
        switch (index.column()) {
        case Name:
            return c.NAZ_PROJEKTU_SLOWN;
        case Value:
            return role == Qt::DisplayRole ? shownAmount(c.WARTOSC) : editedAmount(c.WARTOSC);
        case Id:
            return c.ID_SKL;
        case Details:
            return c.SZCZEGOLY;
        }
        return {};
    }

    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        Qt::ItemFlags f = QAbstractTableModel::flags(index);
        if (index.column() == Value || index.column() == Details)
            f |= Qt::ItemIsEditable;
        return f;
    }

    bool setData(const QModelIndex &index, const QVariant &value, int role) override
    {
        if (role != Qt::EditRole || !index.isValid() || !(flags(index) & Qt::ItemIsEditable))
            return false;
        if (!m_commit(index.row(), index.column(), value.toString()))
            return false;
        emit dataChanged(index, index);
        return true;
    }

private:
    Commit m_commit;
    QList<store::CapitalComponent> m_rows;
};

// The sources grid's rows: the hidden ID, "Nazwa źródła" and "Kwota".
class CapitalSourceTable : public QAbstractTableModel
{
public:
    enum Column { Id, Name, Amount, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    void setRows(QList<store::CapitalSource> rows)
    {
        beginResetModel();
        m_rows = std::move(rows);
        endResetModel();
    }
    const store::CapitalSource &row(int r) const { return m_rows.at(r); }

    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : int(m_rows.size()); }
    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : ColumnCount; }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        switch (section) {
        case Id:
            return QStringLiteral("ID");
        case Name:
            return QStringLiteral("Nazwa źródła");
        case Amount:
            return QStringLiteral("Kwota");
        }
        return {};
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid())
            return {};
        const store::CapitalSource &s = m_rows.at(index.row());
        if (role == Qt::TextAlignmentRole && index.column() == Amount)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        if (role != Qt::DisplayRole)
            return {};
        switch (index.column()) {
        case Id:
            return s.id;
        case Name:
            return s.nazwa;
        case Amount:
            return shownAmount(s.kwota);
        }
        return {};
    }

private:
    QList<store::CapitalSource> m_rows;
};

CapitalPage::CapitalPage(store::PageModel &model, CapitalContext &context, Messages &messages, QWidget *parent)
    : QWidget(parent),
      m_model(model),
      m_context(context),
      m_messages(messages),
      m_binding(new FieldBinding(model, this)),
      m_chooseFile([this] { return QFileDialog::getOpenFileName(window()); })
{
    setObjectName(QStringLiteral("CapitalPage"));
    setToolTip(QStringLiteral("Aby usunąc nalezy wybrac pozycje z listy i nacisnac przycisk"));
    buildLayout();

    m_addDialog = new AddComponentDialog(m_context, m_messages, this);
    connect(m_addDialog, &AddComponentDialog::componentAdded, this, &CapitalPage::componentAdded);

    connect(&m_model, &store::PageModel::itemsChanged, this, [this](const QString &control) {
        if (control == GroupControl)
            showGroupItems();
    });
    // The binding shows an empty group as an extra blank item; no group chosen is
    // an empty box instead. Connected after the binding, so this runs after it.
    connect(&m_model, &store::PageModel::fieldChanged, this, [this](const QString &control) {
        if (control == GroupControl && m_model.text(GroupControl).isEmpty())
            removeExtraGroupItem();
    });
    connect(&m_model, &store::PageModel::capitalSourcesChanged, this, [this] {
        m_sources->setRows(m_model.capitalSources());
        selectFirstRow(JvDBGrid2);
    });
    showGroupItems();
    m_sources->setRows(m_model.capitalSources());
}

CapitalPage::~CapitalPage() = default;

void CapitalPage::buildLayout()
{
    cb_grupa = new NoTypingComboBox;
    cb_grupa->setObjectName(GroupControl);
    cb_grupa->setMinimumWidth(fontMetrics().averageCharWidth() * 70);
    cb_grupa->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_binding->bind(cb_grupa);
    connect(cb_grupa, &QComboBox::activated, this, &CapitalPage::cb_grupaSelect);

    m_components = new CapitalComponentTable(
        [this](int row, int column, const QString &text) { return commitComponentEdit(row, column, text); }, this);
    JvDBGrid1 = grid("JvDBGrid1");
    JvDBGrid1->setModel(m_components);
    JvDBGrid1->setItemDelegate(new ComponentDelegate(JvDBGrid1));
    JvDBGrid1->setColumnHidden(CapitalComponentTable::Id, true);
    JvDBGrid1->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                               QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    QHeaderView *header = JvDBGrid1->horizontalHeader();
    header->setSectionResizeMode(CapitalComponentTable::Name, QHeaderView::Interactive);
    header->resizeSection(CapitalComponentTable::Name, fontMetrics().averageCharWidth() * 55);
    header->resizeSection(CapitalComponentTable::Value, fontMetrics().averageCharWidth() * 20);
    header->setStretchLastSection(true);

    bb_dskl = button("bb_dskl", QStringLiteral("Dodaj "));
    bb_uskl = button("bb_uskl", QStringLiteral("Usuń"));
    connect(bb_dskl, &QPushButton::clicked, this, &CapitalPage::bb_dsklClick);
    connect(bb_uskl, &QPushButton::clicked, this, &CapitalPage::bb_usklClick);

    JvValidateEdit7 = static_cast<NumericEdit *>(makeControl(capitalSpec("JvValidateEdit7"), *m_binding));
    JvValidateEdit7->setReadOnly(true);
    JvValidateEdit7->setFixedWidth(fontMetrics().averageCharWidth() * 20);
    QWidget *Prz_kw = makeControl(capitalSpec("Prz_kw"), *m_binding);
    Prz_kw->setFixedWidth(fontMetrics().averageCharWidth() * 20);
    QWidget *Przyr_spad = makeControl(capitalSpec("Przyr_spad"), *m_binding);
    Przyr_spad->setMinimumWidth(fontMetrics().averageCharWidth() * 70);

    m_sources = new CapitalSourceTable(this);
    JvDBGrid2 = grid("JvDBGrid2");
    JvDBGrid2->setModel(m_sources);
    JvDBGrid2->setColumnHidden(CapitalSourceTable::Id, true);
    JvDBGrid2->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The name takes the room; the amount keeps a column of its own width beside it.
    JvDBGrid2->horizontalHeader()->setSectionResizeMode(CapitalSourceTable::Name, QHeaderView::Stretch);
    JvDBGrid2->horizontalHeader()->resizeSection(CapitalSourceTable::Amount, fontMetrics().averageCharWidth() * 24);
    connect(JvDBGrid2, &QAbstractItemView::doubleClicked, this, &CapitalPage::JvDBGrid2DblClick);

    bb_Dzrod = button("bb_Dzrod", QStringLiteral("Dodaj "));
    bb_Uzrod = button("bb_Uzrod", QStringLiteral("Usuń"));
    connect(bb_Dzrod, &QPushButton::clicked, this, &CapitalPage::bb_DzrodClick);
    connect(bb_Uzrod, &QPushButton::clicked, this, &CapitalPage::bb_UzrodClick);

    auto *page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(10);

    // Components of the chosen group.
    auto *choice = new QHBoxLayout;
    QLabel *groupLabel = captionLabel(QStringLiteral("Wybór grupy kapitału pożyczkowego"));
    groupLabel->setBuddy(cb_grupa);
    choice->addWidget(groupLabel);
    choice->addWidget(cb_grupa);
    choice->addStretch(1);
    page->addLayout(choice);

    auto *components = new QGridLayout;
    components->setHorizontalSpacing(12);
    components->addWidget(JvDBGrid1, 0, 0, 3, 1);
    components->addWidget(bb_dskl, 0, 1);
    components->addWidget(bb_uskl, 1, 1);
    components->setRowStretch(2, 1);
    auto *total = new QHBoxLayout;
    total->addStretch(1);
    QLabel *totalLabel = captionLabel(QStringLiteral("Suma:"));
    totalLabel->setBuddy(JvValidateEdit7);
    total->addWidget(totalLabel);
    total->addWidget(JvValidateEdit7);
    components->addLayout(total, 3, 0);
    components->setColumnStretch(0, 1);
    page->addLayout(components, 3);

    // The change of the capital in the period.
    page->addSpacing(6);
    page->addWidget(heading(QStringLiteral("Dane dotyczące kapitału pożyczkowego")));
    auto *change = new QGridLayout;
    change->setHorizontalSpacing(12);
    QLabel *amountLabel = captionLabel(capitalSpec("Prz_kw").caption);
    amountLabel->setBuddy(Prz_kw);
    QLabel *reasonLabel = captionLabel(capitalSpec("Przyr_spad").caption);
    reasonLabel->setBuddy(Przyr_spad);
    change->addWidget(amountLabel, 0, 0);
    change->addWidget(Prz_kw, 0, 1, Qt::AlignLeft);
    change->addWidget(reasonLabel, 1, 0);
    change->addWidget(Przyr_spad, 1, 1);
    change->setColumnStretch(2, 1);
    page->addLayout(change);

    // The sources of new capital.
    page->addSpacing(6);
    page->addWidget(heading(QStringLiteral("Źródła pozyskanego kapitału w okresie sprawozdawczym")));
    auto *sources = new QGridLayout;
    sources->setHorizontalSpacing(12);
    sources->addWidget(JvDBGrid2, 0, 0, 3, 1);
    sources->addWidget(bb_Dzrod, 0, 1);
    sources->addWidget(bb_Uzrod, 1, 1);
    sources->setRowStretch(2, 1);
    sources->setColumnStretch(0, 1);
    page->addLayout(sources, 2);

    chainTabOrder({cb_grupa, JvDBGrid1, bb_dskl, bb_uskl, Prz_kw, Przyr_spad, JvDBGrid2, bb_Dzrod, bb_Uzrod});
}

bool CapitalPage::runAction(const std::function<void()> &action)
{
    try {
        action();
        return true;
    } catch (const std::exception &e) {
        showFailure(m_messages, e);
        return false;
    }
}

void CapitalPage::showGroupItems()
{
    // A new list of groups: none of them is chosen yet.
    {
        const QSignalBlocker block(cb_grupa);
        cb_grupa->clear();
        cb_grupa->addItems(m_model.items(GroupControl));
        cb_grupa->setCurrentIndex(-1);
    }
    if (!m_model.text(GroupControl).isEmpty())
        m_model.setText(GroupControl, QString());
    clearGroup();
}

void CapitalPage::removeExtraGroupItem()
{
    const QSignalBlocker block(cb_grupa);
    for (int i = cb_grupa->count() - 1; i >= 0; --i) {
        if (cb_grupa->itemData(i, FieldBinding::ExtraItemRole).toBool())
            cb_grupa->removeItem(i);
    }
    cb_grupa->setCurrentIndex(-1);
}

void CapitalPage::clearGroup()
{
    cb_grupa->setCurrentIndex(-1);
    m_groupComponents.clear();
    m_addDialog->setGroupComponents(m_groupComponents);
    m_addDialog->hide();
    m_shownGroup = 0;
    m_components->setRows({});
    m_model.clear(TotalControl);
    bb_dskl->setEnabled(false);
    bb_uskl->setEnabled(false);
}

void CapitalPage::periodOpened(bool open)
{
    clearGroup();
    bb_Dzrod->setEnabled(open);
    bb_Uzrod->setEnabled(open);
}

qint64 CapitalPage::chosenGroupKod() const
{
    // Item k is entry k of CapitalGroups: of two groups with one name, the one picked.
    const store::CapitalGroupList &groups = m_context.groups();
    const QString name = cb_grupa->currentText();
    const int index = cb_grupa->currentIndex();
    if (index >= 0 && index < groups.size() && groups[index].Nazwa == name)
        return groups[index].Kod;
    return store::findCapitalGroup(groups, name);
}

void CapitalPage::selectFirstRow(QTableView *view)
{
    // Like a dataset's cursor, a grid with rows always has a current one.
    if (view->model()->rowCount() == 0)
        return;
    int column = 0;
    while (view->isColumnHidden(column))
        ++column;
    view->setCurrentIndex(view->model()->index(0, column));
}

void CapitalPage::showComponents(qint64 groupKod)
{
    m_shownGroup = groupKod;
    m_components->setRows(store::LoadCapitalComponents(m_context.ksu(), m_context.period(), groupKod));
    selectFirstRow(JvDBGrid1);
}

void CapitalPage::showTotal(qint64 groupKod)
{
    const std::optional<db::Money> total = store::CapitalGroupTotal(m_context.ksu(), m_context.period(), groupKod);
    if (total)
        m_model.setMoney(TotalControl, *total);
    else
        m_model.clear(TotalControl);
}

void CapitalPage::cb_grupaSelect()
{
    DatabaseWork work(m_context);
    if (!work)
        return;
    runAction([this] {
        const qint64 kod = chosenGroupKod();
        m_groupComponents = store::LoadGroupComponents(m_context.ksu(), kod);
        m_addDialog->setGroupComponents(m_groupComponents);
        showComponents(kod);
        showTotal(kod);
        bb_dskl->setEnabled(true);
        bb_uskl->setEnabled(true);
    });
}

void CapitalPage::Ts_kap_pozEnter()
{
    if (!m_context.period().isOpen)
        return;
    DatabaseWork work(m_context);
    if (!work)
        return;
    runAction([this] { showTotal(chosenGroupKod()); });
}

void CapitalPage::bb_dsklClick()
{
    m_addDialog->showCentred();
}

void CapitalPage::componentAdded(qint64 groupKod)
{
    DatabaseWork work(m_context);
    if (!work)
        return;
    runAction([&] {
        showTotal(groupKod);
        showComponents(groupKod);
    });
}

void CapitalPage::bb_usklClick()
{
    if (!m_messages.askYesNo(QStringLiteral("Czy na pewno chcesz usunąc zaznaczony składnik ?"),
                             QStringLiteral("Usuwanie rekordu")))
        return;
    const QModelIndex current = JvDBGrid1->currentIndex();
    if (!current.isValid()) {
        m_messages.showWarning(QStringLiteral("Nie wybrano składnika do usunięcia"), QStringLiteral("Błąd!"));
        return;
    }
    const qint64 id = m_components->row(current.row()).ID_SKL;
    DatabaseWork work(m_context);
    if (!work)
        return;
    runAction([&] {
        store::DeleteCapitalComponent(m_context.ksu(), id);
        showComponents(m_shownGroup);
        m_messages.showInformation(QStringLiteral("Usunięto składnik."), QStringLiteral("Usunięto składnik"));
        showTotal(chosenGroupKod());
    });
}

bool CapitalPage::commitComponentEdit(int row, int column, const QString &text)
{
    store::CapitalComponent &component = m_components->row(row);
    if (column == CapitalComponentTable::Value) {
        // Empty counts as 0, as in every numeric field.
        const db::Money value = text.trimmed().isEmpty() ? db::Money() : db::Money::parse(text).value_or(component.WARTOSC);
        if (value == component.WARTOSC)
            return true;
        DatabaseWork work(m_context);
        if (!work)
            return false;
        return runAction([&] {
            store::UpdateCapitalComponentValue(m_context.ksu(), component.ID_SKL, value);
            component.WARTOSC = value;
            // The field is the group's total, whatever changed it.
            showTotal(chosenGroupKod());
        });
    }
    if (text == component.SZCZEGOLY)
        return true;
    DatabaseWork work(m_context);
    if (!work)
        return false;
    return runAction([&] {
        store::UpdateCapitalComponentDetails(m_context.ksu(), component.ID_SKL, text);
        component.SZCZEGOLY = text;
    });
}

void CapitalPage::bb_DzrodClick()
{
    EditCapitalSource(false, QString(), 0, db::Money());
}

void CapitalPage::JvDBGrid2DblClick()
{
    const QModelIndex current = JvDBGrid2->currentIndex();
    if (!current.isValid())
        return;
    const store::CapitalSource source = m_sources->row(current.row());
    if (source.id > 0)
        EditCapitalSource(true, source.nazwa, source.id, source.kwota);
}

void CapitalPage::bb_UzrodClick()
{
    const QModelIndex current = JvDBGrid2->currentIndex();
    if (!current.isValid())
        return;
    const qint64 id = m_sources->row(current.row()).id;
    if (id <= 0)
        return;
    DatabaseWork work(m_context);
    if (!work)
        return;
    runAction([&] { store::DeleteCapitalSource(m_context.ksu(), m_context.period(), id, m_model); });
}

void CapitalPage::EditCapitalSource(bool editing, const QString &name, qint64 id, db::Money amount)
{
    QString newName;
    db::Money newAmount;
    {
        CapitalSourceDialog dialog(editing, name, amount, this);
        if (dialog.exec() != QDialog::Accepted)
            return;
        newName = dialog.name();
        newAmount = dialog.amount();
    }
    DatabaseWork work(m_context);
    if (!work)
        return;
    runAction([&] {
        if (editing)
            store::UpdateCapitalSource(m_context.ksu(), m_context.period(), id, newName, newAmount, m_model);
        else
            store::InsertCapitalSource(m_context.ksu(), m_context.period(), newName, newAmount, m_model);
    });
}

void CapitalPage::WczytClick()
{
    m_messages.showWarning(QStringLiteral("Zaczytanie nowego słownika spowoduje zmiany w składnikach kapitału pożyczkowego!"),
                           QStringLiteral("Ostrzeżenie !"));
    if (!m_messages.askYesNo(QStringLiteral("Czy na pewno chcesz zaczytać nowy słownik?"), QStringLiteral("Pytanie")))
        return;
    const QString path = m_chooseFile();
    if (path.isEmpty())
        return;
    DatabaseWork work(m_context);
    if (!work)
        return;
    runAction([&] { store::LoadDictionary(m_context.ksu(), path, m_messages); });
}

} // namespace pages
