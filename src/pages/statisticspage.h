#pragma once

#include <QWidget>

class QVBoxLayout;

namespace store {
class PageModel;
}

namespace pages {

class FieldBinding;

// The page "Dane zbiorcze": the 32 count/value pairs of the loans granted in the
// period in eight breakdowns, each a block with a column per category and a sum
// column. Leaving a member field recomputes the sum of its row. The blocks stand
// in bands side by side as far as the width allows; on a narrower screen they
// take more bands, and the page grows downwards rather than squeeze a field.
class StatisticsPage : public QWidget
{
    Q_OBJECT

public:
    explicit StatisticsPage(store::PageModel &model, QWidget *parent = nullptr);

    // The leave handlers of the member fields (Jvl_mikExit, w_rolExit, ...): one
    // pair serves every breakdown, which is an index into StatisticGroups.
    void countMemberExit(int group);
    void valueMemberExit(int group);

    // The narrowest the page can be: its widest block.
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QWidget *buildBlock(int group);
    // The blocks of each band for a page `width` wide.
    QList<QList<int>> bandsFor(int width) const;
    void arrange(const QList<QList<int>> &bands);

    store::PageModel &m_model;
    FieldBinding *m_binding;
    QVBoxLayout *m_page = nullptr;
    QList<QWidget *> m_blocks; // by breakdown
    QList<QList<int>> m_bands; // as arranged now
};

} // namespace pages
