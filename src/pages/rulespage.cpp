#include "rulespage.h"

#include "fieldbinding.h"
#include "pagelayout.h"
#include "store/fields.h"
#include "store/pagemodel.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

namespace pages {

RulesPage::RulesPage(store::PageModel &model, QWidget *parent)
    : QWidget(parent), m_binding(new FieldBinding(model, this))
{
    // The rules stand in two columns, each read from top to bottom.
    static constexpr std::string_view left[] = {"cb_fundusz", "cb_analiza", "cb_syt",
                                                "cb_kwal",    "cb_wym_eko", "cb_et_zaw"};
    static constexpr std::string_view right[] = {"jv_min_opr",  "jv_max",     "Okres_spl", "cb_pot",
                                                 "cb_wym_tech", "cb_wym_usl", "e_zinne"};

    QHash<QString, QWidget *> controls;
    auto *columns = new QHBoxLayout(this);
    columns->setSpacing(36);
    auto addColumn = [&](const auto &names) {
        auto *grid = new QGridLayout;
        grid->setVerticalSpacing(18);
        grid->setHorizontalSpacing(12);
        grid->setColumnStretch(0, 1);
        int row = 0;
        for (std::string_view name : names) {
            const store::FieldSpec &spec = store::ruleField(name);
            QWidget *control = makeControl(spec, *m_binding);
            controls.insert(control->objectName(), control);
            QLabel *caption = captionLabel(spec.caption, true);
            caption->setBuddy(control);
            if (spec.maxLength > 0) {
                // The free text gets the column's width, its short caption beside it.
                auto *line = new QHBoxLayout;
                line->setSpacing(12);
                line->addWidget(caption);
                line->addWidget(control, 1);
                grid->addLayout(line, row, 0, 1, 2);
            } else {
                control->setFixedWidth(control->fontMetrics().averageCharWidth() * 16 + 24);
                grid->addWidget(caption, row, 0);
                grid->addWidget(control, row, 1, Qt::AlignTop);
            }
            ++row;
        }
        grid->setRowStretch(row, 1);
        columns->addLayout(grid, 1);
    };
    addColumn(left);
    addColumn(right);

    QList<QWidget *> tabOrder;
    for (const store::FieldSpec &spec : store::RuleFields)
        tabOrder << controls.value(store::toQString(spec.control));
    chainTabOrder(tabOrder);
}

} // namespace pages
