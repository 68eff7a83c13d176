#pragma once

#include <QWidget>

namespace store {
class PageModel;
}

namespace pages {

class FieldBinding;

// The page "Dane zbiorcze": the 32 count/value pairs of the loans granted in the
// period in eight breakdowns, each a block with a column per category and a sum
// column. Leaving a member field recomputes the sum of its row.
class StatisticsPage : public QWidget
{
    Q_OBJECT

public:
    explicit StatisticsPage(store::PageModel &model, QWidget *parent = nullptr);

    // The leave handlers of the member fields (Jvl_mikExit, w_rolExit, ...): one
    // pair serves every breakdown, which is an index into StatisticGroups.
    void countMemberExit(int group);
    void valueMemberExit(int group);

private:
    QWidget *buildBlock(int group);

    store::PageModel &m_model;
    FieldBinding *m_binding;
};

} // namespace pages
