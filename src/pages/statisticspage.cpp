#include "statisticspage.h"

#include "fieldbinding.h"
#include "numericedit.h"
#include "pagelayout.h"
#include "store/pagemodel.h"
#include "store/statisticpairs.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>

namespace pages {

namespace {

// The blocks side by side in each band, from the top of the page down.
const QList<QList<int>> Bands{{0, 1}, {2}, {3, 4}, {5, 6, 7}};

// A column's share of the width left beyond the fields. Short captions fit above
// their fields as they are; the rest goes to the long ones, so that they wrap into
// few lines, and the longest does not take it all.
int columnStretch(const QString &caption)
{
    return std::clamp(int(caption.size()) - 12, 1, 70);
}

// Lets the stretch factors alone share out the width above `minimumWidth`: the
// natural widths of wrapped captions and line edits would otherwise decide it.
void shareWidthByStretch(QWidget *w, int minimumWidth)
{
    w->setMinimumWidth(minimumWidth);
    QSizePolicy policy = w->sizePolicy();
    policy.setHorizontalPolicy(QSizePolicy::Ignored);
    w->setSizePolicy(policy);
}

int blockStretch(int group)
{
    int stretch = 0;
    for (const store::StatisticPair &p : store::StatisticPairs) {
        if (p.group == group)
            stretch += columnStretch(store::toQString(p.caption));
    }
    return stretch + columnStretch(QString());
}

} // namespace

StatisticsPage::StatisticsPage(store::PageModel &model, QWidget *parent)
    : QWidget(parent), m_model(model), m_binding(new FieldBinding(model, this))
{
    // Eight blocks of up to ten columns share one window: a point smaller than the
    // rest of the window keeps every caption readable without a scroll bar.
    QFont compact = font();
    if (compact.pointSizeF() > 0)
        compact.setPointSizeF(compact.pointSizeF() - 1);
    else
        compact.setPixelSize(compact.pixelSize() - 1);
    setFont(compact);

    auto *page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(6);
    for (const QList<int> &band : Bands) {
        auto *row = new QHBoxLayout;
        row->setSpacing(6);
        for (int group : band) {
            // A block's share of the band is the sum of its columns' shares.
            row->addWidget(buildBlock(group), blockStretch(group));
        }
        page->addLayout(row);
    }
    page->addStretch(1);

    QList<QWidget *> tabOrder;
    for (const QString &name : store::PageModel::statisticsControls())
        tabOrder << findChild<QWidget *>(name);
    chainTabOrder(tabOrder);
}

QWidget *StatisticsPage::buildBlock(int group)
{
    const store::StatisticGroup &g = store::StatisticGroups[group];
    auto *block = new QFrame;
    block->setFrameShape(QFrame::StyledPanel);
    auto *column = new QVBoxLayout(block);
    column->setContentsMargins(5, 3, 5, 5);
    column->setSpacing(4);
    QLabel *heading = captionLabel(g.heading, true);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    shareWidthByStretch(heading, heading->minimumSizeHint().width());
    column->addWidget(heading);
    // Blocks of a band are equally high: their rows of fields line up at the bottom.
    column->addStretch(1);

    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(3);
    grid->setVerticalSpacing(3);
    column->addLayout(grid);
    int labelRow = 1;
    for (const QString &text : {QStringLiteral("Liczba pożyczek"), QStringLiteral("Wartośc pożyczek")}) {
        // Two lines each: three blocks side by side leave no room for the labels on one.
        QLabel *label = captionLabel(text, true);
        label->setFixedWidth(label->minimumSizeHint().width());
        grid->addWidget(label, labelRow++, 0);
    }

    auto addColumn = [&](int col, const QString &caption, std::string_view countName, std::string_view valueName,
                         bool sum) {
        QLabel *label = captionLabel(caption, true);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
        shareWidthByStretch(label, label->minimumSizeHint().width());
        grid->addWidget(label, 0, col);
        grid->setColumnStretch(col, columnStretch(caption));
        int row = 1;
        for (std::string_view name : {countName, valueName}) {
            auto *edit = static_cast<NumericEdit *>(makeControl(m_model.spec(store::toQString(name)), *m_binding));
            if (sum) {
                QFont f = edit->font();
                f.setBold(true);
                edit->setFont(f);
                edit->setReadOnly(g.sumReadOnly);
            } else if (row == 1) {
                connect(edit, &NumericEdit::left, this, [this, group] { countMemberExit(group); });
            } else {
                connect(edit, &NumericEdit::left, this, [this, group] { valueMemberExit(group); });
            }
            // Room for millions of złoty in a category, tens of millions in a sum.
            const QString widest = sum ? QStringLiteral("00000000,00") : QStringLiteral("0000000,00");
            shareWidthByStretch(edit, edit->fontMetrics().horizontalAdvance(widest) + 10);
            grid->addWidget(edit, row++, col);
        }
    };
    int col = 1;
    for (const store::StatisticPair &p : store::StatisticPairs) {
        if (p.group == group)
            addColumn(col++, store::toQString(p.caption), p.countControl, p.valueControl, false);
    }
    addColumn(col, QStringLiteral("Suma"), g.countSum, g.valueSum, true);
    return block;
}

void StatisticsPage::countMemberExit(int group)
{
    m_model.recomputeCountSum(group);
}

void StatisticsPage::valueMemberExit(int group)
{
    m_model.recomputeValueSum(group);
}

} // namespace pages
