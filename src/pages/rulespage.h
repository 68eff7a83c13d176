#pragma once

#include <QWidget>

namespace store {
class PageModel;
}

namespace pages {

class FieldBinding;

// The page "Zasady gospodarowania": the fund's management rules in two columns,
// yes/no answers in combo boxes that take no typing, the largest loan, the
// minimum interest rate, the longest repayment period and a free text.
class RulesPage : public QWidget
{
    Q_OBJECT

public:
    explicit RulesPage(store::PageModel &model, QWidget *parent = nullptr);

private:
    FieldBinding *m_binding;
};

} // namespace pages
