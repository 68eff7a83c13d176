#include "figurecontractsdialog.h"

#include "common/messages.h"
#include "exportfiles.h"
#include "reportpreview.h"
#include "reports/periodcomparison.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QString countText(qint64 count)
{
    return reports::figureText(store::FigureValue(count), reports::NumberStyle::Reading);
}

QString amountText(db::Money amount)
{
    return reports::figureText(store::FigureValue(amount), reports::NumberStyle::Reading) + QStringLiteral(" zł");
}

QString signedText(const QString &text, bool positive)
{
    return positive ? u'+' + text : text;
}

// The page's values against the imported ones; empty when the user corrected neither.
QString correctionText(const FigureExplanation &e)
{
    const reports::ContractTotals imported = reports::totalsOf(e.contracts);
    if (e.pageCount == imported.count && e.pageValue == imported.value)
        return {};
    const qint64 countDifference = e.pageCount - imported.count;
    const db::Money valueDifference = e.pageValue - imported.value;
    return QStringLiteral("Wartości na stronie poprawiono: różnią się od zaimportowanych.\n"
                          "Liczba: na stronie %1, z importu %2, różnica %3.\n"
                          "Wartość: na stronie %4, z importu %5, różnica %6.")
        .arg(countText(e.pageCount), countText(imported.count),
             signedText(countText(countDifference), countDifference > 0), amountText(e.pageValue),
             amountText(imported.value), signedText(amountText(valueDifference), valueDifference.units() > 0));
}

} // namespace

FigureContractsDialog::FigureContractsDialog(const FigureExplanation &explanation, const QString &periodText,
                                             Messages &messages, output::OutputGuard guard, QWidget *parent)
    : QDialog(parent), m_explanation(explanation), m_periodText(periodText), m_messages(messages),
      m_guard(std::move(guard))
{
    setObjectName(QStringLiteral("FigureContractsDialog"));
    setWindowTitle(QStringLiteral("Umowy składające się na pozycję"));
    auto *layout = new QVBoxLayout(this);

    auto *caption = new QLabel(m_explanation.figure.caption);
    caption->setWordWrap(true);
    QFont bold = caption->font();
    bold.setBold(true);
    caption->setFont(bold);
    layout->addWidget(caption);
    layout->addWidget(new QLabel(QStringLiteral("Okres: ") + m_periodText));

    l_korekta = new QLabel(correctionText(m_explanation));
    l_korekta->setObjectName(QStringLiteral("l_korekta"));
    l_korekta->setStyleSheet(QStringLiteral("QLabel { color: #b00020; }"));
    l_korekta->setVisible(!l_korekta->text().isEmpty());
    layout->addWidget(l_korekta);

    auto *filterRow = new QHBoxLayout;
    filterRow->addWidget(new QLabel(QStringLiteral("Szukaj:")));
    e_filtr = new QLineEdit;
    e_filtr->setObjectName(QStringLiteral("e_filtr"));
    e_filtr->setPlaceholderText(QStringLiteral("numer umowy, klient lub komunikat"));
    e_filtr->setClearButtonEnabled(true);
    connect(e_filtr, &QLineEdit::textChanged, this, &FigureContractsDialog::e_filtrChange);
    filterRow->addWidget(e_filtr, 1);
    layout->addLayout(filterRow);

    Pc_umowy = new QTabWidget;
    Pc_umowy->setObjectName(QStringLiteral("Pc_umowy"));
    Pc_umowy->addTab(buildList(m_contracts, reports::figureContractsList(m_explanation.contracts), "tv_umowy"),
                     QStringLiteral("Umowy (%1)").arg(m_explanation.contracts.size()));
    if (m_explanation.figure.breakdown >= 0) {
        Pc_umowy->addTab(
            buildList(m_unclassified, reports::unclassifiedContractsList(m_explanation.unclassified),
                      "tv_niesklasyfikowane"),
            QStringLiteral("Niesklasyfikowane w tym podziale (%1)").arg(m_explanation.unclassified.size()));
    }
    connect(Pc_umowy, &QTabWidget::currentChanged, this, &FigureContractsDialog::showFoot);
    layout->addWidget(Pc_umowy, 1);

    l_suma = new QLabel;
    l_suma->setObjectName(QStringLiteral("l_suma"));
    l_suma->setFont(bold);
    layout->addWidget(l_suma);

    auto *buttons = new QDialogButtonBox;
    bb_csv = buttons->addButton(QStringLiteral("Eksport do CSV"), QDialogButtonBox::ActionRole);
    bb_csv->setObjectName(QStringLiteral("bb_csv"));
    connect(bb_csv, &QPushButton::clicked, this, &FigureContractsDialog::bb_csvClick);
    bb_drukuj = buttons->addButton(QStringLiteral("Drukuj / PDF"), QDialogButtonBox::ActionRole);
    bb_drukuj->setObjectName(QStringLiteral("bb_drukuj"));
    connect(bb_drukuj, &QPushButton::clicked, this, &FigureContractsDialog::bb_drukujClick);
    buttons->addButton(QStringLiteral("Zamknij"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    showFoot();
    resize(760, 520);
}

QWidget *FigureContractsDialog::buildList(List &list, reports::ContractsList rows, const char *viewName)
{
    list.table = new reports::ContractsTable(std::move(rows), this);
    list.proxy = new QSortFilterProxyModel(this);
    list.proxy->setSourceModel(list.table);
    list.proxy->setSortRole(reports::ContractsTable::SortRole);
    list.proxy->setFilterKeyColumn(-1);
    list.proxy->setFilterCaseSensitivity(Qt::CaseInsensitive);
    list.view = new QTableView;
    list.view->setObjectName(QString::fromLatin1(viewName));
    list.view->setModel(list.proxy);
    list.view->setSortingEnabled(true);
    list.view->sortByColumn(0, Qt::AscendingOrder);
    list.view->setSelectionBehavior(QAbstractItemView::SelectRows);
    list.view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list.view->setAlternatingRowColors(true);
    list.view->verticalHeader()->hide();
    list.view->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    list.view->resizeColumnToContents(0);
    list.view->resizeColumnToContents(list.table->columnCount() - 1);
    return list.view;
}

const FigureContractsDialog::List &FigureContractsDialog::shownList() const
{
    return Pc_umowy->currentIndex() == 1 ? m_unclassified : m_contracts;
}

QList<int> FigureContractsDialog::shownOrder() const
{
    const List &list = shownList();
    QList<int> order;
    order.reserve(list.proxy->rowCount());
    for (int r = 0; r < list.proxy->rowCount(); ++r)
        order << list.proxy->mapToSource(list.proxy->index(r, 0)).row();
    return order;
}

void FigureContractsDialog::e_filtrChange(const QString &text)
{
    for (const List *list : {&m_contracts, &m_unclassified}) {
        if (list->proxy)
            list->proxy->setFilterFixedString(text);
    }
    showFoot();
}

void FigureContractsDialog::showFoot()
{
    const bool unclassified = Pc_umowy->currentIndex() == 1;
    const QList<int> order = shownOrder();
    qint64 counted = 0;
    db::Money sum;
    for (int r : order) {
        if (unclassified) {
            sum += m_explanation.unclassified.at(r).amount;
        } else {
            const store::FigureContract &c = m_explanation.contracts.at(r);
            counted += c.counted ? 1 : 0;
            sum += c.amount;
        }
    }
    const QString filtered =
        e_filtr->text().isEmpty()
            ? QString()
            : QStringLiteral(" (wybrane szukaniem: %1 z %2)").arg(order.size()).arg(shownList().table->rowCount());
    l_suma->setText(unclassified
                        ? QStringLiteral("Umów: %1, suma: %2%3").arg(countText(order.size()), amountText(sum), filtered)
                        : QStringLiteral("Liczba (umowy liczone): %1, wartość (suma kwot): %2%3")
                              .arg(countText(counted), amountText(sum), filtered));
}

QList<QStringList> FigureContractsDialog::shownCsvRows() const
{
    return shownList().table->list().csvRows(shownOrder());
}

reports::ReportSheet FigureContractsDialog::shownSheet() const
{
    QStringList title{m_explanation.figure.caption, QStringLiteral("Okres: ") + m_periodText};
    if (Pc_umowy->currentIndex() == 1)
        title << QStringLiteral("Umowy, których import nie sklasyfikował w tym podziale");
    if (!e_filtr->text().isEmpty())
        title << QStringLiteral("Szukano: ") + e_filtr->text();
    title << l_suma->text();
    return shownList().table->list().sheet(title, shownOrder());
}

bool FigureContractsDialog::exportCsv(const QString &path)
{
    return exportCsvFile(path, shownCsvRows(), m_guard, m_messages);
}

void FigureContractsDialog::bb_csvClick()
{
    const QString path = askSavePath(this, QStringLiteral("Eksport do CSV"), QStringLiteral("Pliki CSV (*.csv)"),
                                     QStringLiteral(".csv"));
    if (!path.isEmpty())
        exportCsv(path);
}

void FigureContractsDialog::bb_drukujClick()
{
    ReportPreview::showModal(shownSheet(), reports::SheetKind::ImportReport, m_messages, m_guard, this);
}
