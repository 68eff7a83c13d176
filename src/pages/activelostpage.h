#pragma once

#include <QWidget>

namespace store {
class PageModel;
}

namespace pages {

class FieldBinding;

// The page "Aktywne i stracone pożyczki": active and lost loans at the end of the
// period, the loss ratios, and the explanations below them.
class ActiveLostPage : public QWidget
{
    Q_OBJECT

public:
    explicit ActiveLostPage(store::PageModel &model, QWidget *parent = nullptr);

private:
    FieldBinding *m_binding;
};

} // namespace pages
