#include "activelostpage.h"

#include "fieldbinding.h"
#include "pagelayout.h"
#include "store/fields.h"
#include "store/pagemodel.h"

#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace pages {

namespace {

// The rows (indexes into ActiveLostRows) in the order Tab walks them, count before value.
constexpr int TabRows[] = {0, 1, 2, 5, 6, 4, 3};

const char *const Explanations[] = {
    "1. Pożyczkami aktywnymi nazywamy te, które mają saldo na kapitale (obowiązujące umowy, które nie są stracone) "
    "oprócz:  windykowanych, wypowiedzianych, straconych.  1= 1a +1b +1c  ",
    "1a. Pożyczki spłacane terminowo to te, które na koniec okresu sprawozdawczego nie mają zaległości kapitałowych. "
    "(opóźnienia w spłacie nie przekraczają 30 dni)",
    "1b. Pożyczki które na koniec okresu sprawozdawczego mają zaległość od 31 do 90 dni",
    "3. Pożyczki stracone to te, które zostały oznaczone jako stracone i nie wchodzą w skład pożyczek aktywnych.",
    "4. To stosunek pożyczek straconych do pożyczek aktywnych.",
};

QLabel *boldLabel(const QString &text)
{
    QLabel *label = captionLabel(text);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

} // namespace

ActiveLostPage::ActiveLostPage(store::PageModel &model, QWidget *parent)
    : QWidget(parent), m_binding(new FieldBinding(model, this))
{
    auto *page = new QVBoxLayout(this);
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(8);
    // The fields stay beside their captions; spare width goes to the right of them.
    grid->setColumnStretch(4, 1);
    page->addLayout(grid);
    grid->addWidget(boldLabel(QStringLiteral("Liczba pożyczek")), 0, 2, Qt::AlignHCenter);
    grid->addWidget(boldLabel(QStringLiteral("Wartość pożyczek")), 0, 3, Qt::AlignHCenter);

    QList<QWidget *> countControls;
    QList<QWidget *> valueControls;
    int row = 1;
    for (const store::ActiveLostRow &r : store::ActiveLostRows) {
        grid->addWidget(captionLabel(r.number), row, 0);
        grid->addWidget(captionLabel(r.caption), row, 1);
        QWidget *count = makeControl(r.count, *m_binding);
        QWidget *value = makeControl(r.value, *m_binding);
        count->setFixedWidth(count->fontMetrics().horizontalAdvance(QStringLiteral("000000000,00 %")) + 16);
        value->setFixedWidth(value->fontMetrics().horizontalAdvance(QStringLiteral("0000000000000,00")) + 16);
        grid->addWidget(count, row, 2);
        grid->addWidget(value, row, 3);
        countControls << count;
        valueControls << value;
        ++row;
    }
    QList<QWidget *> tabOrder;
    for (int r : TabRows)
        tabOrder << countControls[r] << valueControls[r];
    chainTabOrder(tabOrder);

    page->addSpacing(24);
    page->addWidget(boldLabel(QStringLiteral("Dodatkowe informajce:")));
    for (const char *line : Explanations)
        page->addWidget(captionLabel(QString::fromUtf8(line), true));
    page->addStretch(1);
}

} // namespace pages
