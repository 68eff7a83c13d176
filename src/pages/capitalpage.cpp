#include "capitalpage.h"

#include "addcomponentdialog.h"
#include "capitalsourcedialog.h"
#include "common/messages.h"
#include "fieldbinding.h"
#include "notypingcombobox.h"
#include "numericedit.h"
#include "pagelayout.h"
#include "rowtable.h"
#include "store/fields.h"
#include "store/pagemodel.h"
#include "workflow/capitalworkflow.h"

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

// The columns of the component grid (JvDBGrid1) and of the sources grid (JvDBGrid2).
enum ComponentColumn { ComponentName, ComponentValue, ComponentId, ComponentDetails };
enum SourceColumn { SourceId, SourceName, SourceAmount };

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
        if (index.column() == ComponentValue)
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

CapitalPage::CapitalPage(store::PageModel &model, CapitalWorkflow &workflow, Messages &messages, QWidget *parent)
    : QWidget(parent), m_model(model), m_workflow(workflow), m_messages(messages),
      m_binding(new FieldBinding(model, this)), m_chooseFile([this] { return QFileDialog::getOpenFileName(window()); })
{
    setObjectName(QStringLiteral("CapitalPage"));
    setToolTip(QStringLiteral("Aby usunąc nalezy wybrac pozycje z listy i nacisnac przycisk"));
    buildLayout();

    m_addDialog = new AddComponentDialog(m_workflow, m_messages, this);
    connect(&m_workflow, &CapitalWorkflow::componentsChanged, this, [this] {
        m_components->reset();
        selectFirstRow(JvDBGrid1);
    });

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
        m_sources->reset();
        selectFirstRow(JvDBGrid2);
    });
    showGroupItems();
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

    const auto component = [this](int row) -> const store::CapitalComponent & {
        return m_workflow.components().at(row);
    };
    m_components =
        new RowTable([this] { return int(m_workflow.components().size()); },
                     {{QStringLiteral("Rodzaj "),
                       [=](int row) { return QVariant(component(row).NAZ_PROJEKTU_SLOWN); },
                       {},
                       {},
                       [=](int row) { return QVariant(component(row).SKLADNIK); }},
                      {QStringLiteral("Wartość "),
                       [=](int row) { return QVariant(shownAmount(component(row).WARTOSC.value_or(db::Money()))); },
                       [=](int row) { return editedAmount(component(row).WARTOSC.value_or(db::Money())); },
                       [this](int row, const QString &text) { return commitComponentValue(row, text); },
                       {},
                       true},
                      {QStringLiteral("ID_SKL"), [=](int row) { return QVariant(component(row).ID_SKL); }},
                      {QStringLiteral("Szczegóły"), [=](int row) { return QVariant(component(row).SZCZEGOLY); },
                       [=](int row) { return component(row).SZCZEGOLY; },
                       [this](int row, const QString &text) {
                           return runAction([&] { return m_workflow.setComponentDetails(row, text); });
                       }}},
                     this);
    JvDBGrid1 = grid("JvDBGrid1");
    JvDBGrid1->setModel(m_components);
    JvDBGrid1->setItemDelegate(new ComponentDelegate(JvDBGrid1));
    JvDBGrid1->setColumnHidden(ComponentId, true);
    JvDBGrid1->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                               | QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    QHeaderView *header = JvDBGrid1->horizontalHeader();
    header->setSectionResizeMode(ComponentName, QHeaderView::Interactive);
    header->resizeSection(ComponentName, fontMetrics().averageCharWidth() * 55);
    header->resizeSection(ComponentValue, fontMetrics().averageCharWidth() * 20);
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

    const auto source = [this](int row) -> const store::CapitalSource & { return m_model.capitalSources().at(row); };
    m_sources = new RowTable([this] { return int(m_model.capitalSources().size()); },
                             {{QStringLiteral("ID"), [=](int row) { return QVariant(source(row).id); }},
                              {QStringLiteral("Nazwa źródła"), [=](int row) { return QVariant(source(row).nazwa); }},
                              {QStringLiteral("Kwota"),
                               [=](int row) { return QVariant(shownAmount(source(row).kwota.value_or(db::Money()))); },
                               {},
                               {},
                               {},
                               true}},
                             this);
    JvDBGrid2 = grid("JvDBGrid2");
    JvDBGrid2->setModel(m_sources);
    JvDBGrid2->setColumnHidden(SourceId, true);
    JvDBGrid2->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The name takes the room; the amount keeps a column of its own width beside it.
    JvDBGrid2->horizontalHeader()->setSectionResizeMode(SourceName, QHeaderView::Stretch);
    JvDBGrid2->horizontalHeader()->resizeSection(SourceAmount, fontMetrics().averageCharWidth() * 24);
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
    m_dictionaryHint = new QLabel(
        QStringLiteral("Słownik składników kapitału pożyczkowego jest pusty, więc nie ma grup do wyboru. Wczytaj "
                       "słownik z menu „Menu” → „Wczytanie słownika składników”, a potem otwórz okres ponownie "
                       "(„Edycja okresu”)."));
    m_dictionaryHint->setObjectName(QStringLiteral("l_pusty_slownik"));
    m_dictionaryHint->setWordWrap(true);
    m_dictionaryHint->setHidden(true);
    page->addWidget(m_dictionaryHint);

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

bool CapitalPage::runAction(const std::function<bool()> &action)
{
    try {
        return action();
    } catch (const std::exception &e) {
        showFailure(m_messages, e);
        return false;
    }
}

const store::GroupComponentList &CapitalPage::groupComponents() const
{
    return m_workflow.groupComponents();
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
    showDictionaryHint();
}

void CapitalPage::showDictionaryHint()
{
    m_dictionaryHint->setHidden(!m_workflow.period().isOpen || cb_grupa->count() > 0);
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
    m_workflow.clearGroup();
    m_addDialog->hide();
    bb_dskl->setEnabled(false);
    bb_uskl->setEnabled(false);
}

void CapitalPage::periodOpened(bool open)
{
    clearGroup();
    bb_Dzrod->setEnabled(open);
    bb_Uzrod->setEnabled(open);
    showDictionaryHint();
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

void CapitalPage::cb_grupaSelect()
{
    const int index = cb_grupa->currentIndex();
    if (runAction([&] { return m_workflow.chooseGroup(index); })) {
        bb_dskl->setEnabled(true);
        bb_uskl->setEnabled(true);
    }
}

void CapitalPage::Ts_kap_pozEnter()
{
    runAction([this] { return m_workflow.showGroupTotal(); });
}

void CapitalPage::bb_dsklClick()
{
    m_addDialog->showCentred();
}

void CapitalPage::bb_usklClick()
{
    const QModelIndex current = JvDBGrid1->currentIndex();
    const int row = current.isValid() ? current.row() : -1;
    runAction([&] { return m_workflow.deleteComponent(row); });
}

bool CapitalPage::commitComponentValue(int row, const QString &text)
{
    // Empty counts as 0, as in every numeric field; what is not a number keeps the value.
    const db::Money value =
        text.trimmed().isEmpty()
            ? db::Money()
            : db::Money::parse(text).value_or(m_workflow.components().at(row).WARTOSC.value_or(db::Money()));
    return runAction([&] { return m_workflow.setComponentValue(row, value); });
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
    const store::CapitalSource source = m_model.capitalSources().at(current.row());
    if (source.id > 0)
        EditCapitalSource(true, source.nazwa, source.id, source.kwota.value_or(db::Money()));
}

void CapitalPage::bb_UzrodClick()
{
    const QModelIndex current = JvDBGrid2->currentIndex();
    if (!current.isValid())
        return;
    const qint64 id = m_model.capitalSources().at(current.row()).id;
    runAction([&] { return m_workflow.deleteSource(id); });
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
    runAction([&] {
        return editing ? m_workflow.editSource(id, newName, newAmount) : m_workflow.addSource(newName, newAmount);
    });
}

void CapitalPage::WczytClick()
{
    m_messages.showWarning(
        QStringLiteral("Zaczytanie nowego słownika spowoduje zmiany w składnikach kapitału pożyczkowego!"),
        QStringLiteral("Ostrzeżenie !"));
    if (!m_messages.askYesNo(QStringLiteral("Czy na pewno chcesz zaczytać nowy słownik?"), QStringLiteral("Pytanie")))
        return;
    const QString path = m_chooseFile();
    if (path.isEmpty())
        return;
    runAction([&] { return m_workflow.loadDictionary(path); });
}

} // namespace pages
