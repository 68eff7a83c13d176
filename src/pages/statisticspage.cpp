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
#include <QRegularExpression>
#include <QVBoxLayout>

#include <algorithm>

namespace pages {

namespace {

// The blocks side by side in each band, from the top of the page down, where the
// width allows.
const QList<QList<int>> Bands{{0, 1}, {2}, {3, 4}, {5, 6, 7}};
constexpr int BandSpacing = 6;

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

    m_page = new QVBoxLayout(this);
    m_page->setContentsMargins(0, 0, 0, 0);
    m_page->setSpacing(BandSpacing);
    // The page's width is not the sum of a band's blocks: the bands follow the width.
    m_page->setSizeConstraint(QLayout::SetNoConstraint);
    for (int group = 0; group < int(store::StatisticGroups.size()); ++group)
        m_blocks << buildBlock(group);
    arrange(Bands);

    QList<QWidget *> tabOrder;
    for (const QString &name : store::PageModel::statisticsControls())
        tabOrder << findChild<QWidget *>(name);
    chainTabOrder(tabOrder);
}

QList<QList<int>> StatisticsPage::bandsFor(int width) const
{
    auto bandWidth = [this](const QList<int> &band) {
        int w = -BandSpacing;
        for (int group : band)
            w += m_blocks[group]->minimumSizeHint().width() + BandSpacing;
        return w;
    };
    if (std::all_of(Bands.begin(), Bands.end(), [&](const QList<int> &band) { return bandWidth(band) <= width; }))
        return Bands;
    // Too narrow for the usual bands: the blocks in their order, as many side by
    // side as fit.
    QList<QList<int>> bands;
    for (int group = 0; group < int(m_blocks.size()); ++group) {
        if (!bands.isEmpty() && bandWidth(bands.last() + QList<int>{group}) <= width)
            bands.last() << group;
        else
            bands << QList<int>{group};
    }
    return bands;
}

void StatisticsPage::arrange(const QList<QList<int>> &bands)
{
    // The blocks stay; only the bands holding them are made anew.
    while (QLayoutItem *item = m_page->takeAt(0)) {
        if (QLayout *row = item->layout()) {
            while (QLayoutItem *block = row->takeAt(0))
                delete block;
        }
        delete item;
    }
    for (const QList<int> &band : bands) {
        auto *row = new QHBoxLayout;
        row->setSpacing(BandSpacing);
        for (int group : band) {
            // A block's share of the band is the sum of its columns' shares.
            row->addWidget(m_blocks[group], blockStretch(group));
        }
        m_page->addLayout(row);
    }
    m_page->addStretch(1);
    m_bands = bands;
}

QSize StatisticsPage::minimumSizeHint() const
{
    int width = 0;
    for (const QWidget *block : m_blocks)
        width = std::max(width, block->minimumSizeHint().width());
    return {width, m_page->minimumSize().height()};
}

void StatisticsPage::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const QList<QList<int>> bands = bandsFor(width());
    if (bands == m_bands)
        return;
    arrange(bands);
    // The height the page needs has changed with its bands.
    updateGeometry();
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
        // A comma with no blank after it ("rolnictwo,leśnictwo,") may end a line
        // too, so that one long word does not make its column wider than its fields.
        QString shown = caption;
        shown.replace(QRegularExpression(QStringLiteral(",(?=\\S)")), QStringLiteral(",\u200B"));
        QLabel *label = captionLabel(shown, true);
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
