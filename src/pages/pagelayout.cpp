#include "pagelayout.h"

#include "dateedit.h"
#include "fieldbinding.h"
#include "notypingcombobox.h"
#include "numericedit.h"
#include "store/fields.h"
#include "store/pagemodel.h"

#include <QLabel>
#include <QLineEdit>

namespace pages {

namespace {

template <std::size_t N>
void addItems(QComboBox *combo, const std::array<std::string_view, N> &items)
{
    for (std::string_view item : items)
        combo->addItem(store::toQString(item));
}

} // namespace

QLabel *captionLabel(const QString &text, bool wrap)
{
    auto *label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(wrap);
    return label;
}

QLabel *captionLabel(std::string_view text, bool wrap)
{
    return captionLabel(store::toQString(text), wrap);
}

QWidget *makeControl(const store::FieldSpec &spec, FieldBinding &binding)
{
    QWidget *control = nullptr;
    switch (spec.kind) {
    case store::FieldKind::Count:
    case store::FieldKind::Money:
    case store::FieldKind::Decimal: {
        auto *edit = new NumericEdit(spec.kind);
        edit->setSuffix(store::toQString(spec.suffix));
        control = edit;
        break;
    }
    case store::FieldKind::Date:
        control = new DateEdit;
        break;
    case store::FieldKind::Text:
        if (spec.choices != store::Choices::None) {
            auto *combo = new NoTypingComboBox;
            if (spec.choices == store::Choices::LegalForm)
                addItems(combo, store::LegalFormItems);
            else if (spec.choices == store::Choices::YesNo)
                addItems(combo, store::YesNoItems);
            else
                addItems(combo, store::YesNoNotApplicableItems);
            control = combo;
        } else {
            auto *edit = new QLineEdit;
            if (spec.maxLength > 0)
                edit->setMaxLength(spec.maxLength);
            control = edit;
        }
        break;
    }
    control->setObjectName(store::toQString(spec.control));
    binding.bind(control);
    return control;
}

void chainTabOrder(const QList<QWidget *> &controls)
{
    for (qsizetype i = 1; i < controls.size(); ++i)
        QWidget::setTabOrder(controls[i - 1], controls[i]);
}

} // namespace pages
