#include "fieldbinding.h"

#include "dateedit.h"
#include "numericedit.h"
#include "store/pagemodel.h"

#include <QComboBox>
#include <QLineEdit>

#include <functional>
#include <stdexcept>

namespace pages {

void showComboText(QComboBox *combo, const QString &text)
{
    for (int i = combo->count() - 1; i >= 0; --i) {
        if (combo->itemData(i, FieldBinding::ExtraItemRole).toBool())
            combo->removeItem(i);
    }
    int index = combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0) {
        combo->addItem(text);
        index = combo->count() - 1;
        combo->setItemData(index, true, FieldBinding::ExtraItemRole);
    }
    combo->setCurrentIndex(index);
}

FieldBinding::FieldBinding(store::PageModel &model, QObject *parent) : QObject(parent), m_model(model)
{
    connect(&m_model, &store::PageModel::fieldChanged, this, [this](const QString &control) {
        if (control != m_writing && m_controls.contains(control))
            showField(control);
    });
}

void FieldBinding::bind(QWidget *control)
{
    const QString name = control->objectName();
    if (!m_model.has(name))
        throw std::logic_error("no page field for control " + name.toStdString());
    m_controls.insert(name, control);
    if (auto *numeric = qobject_cast<NumericEdit *>(control))
        bindNumeric(numeric);
    else if (auto *date = qobject_cast<DateEdit *>(control))
        bindDate(date);
    else if (auto *combo = qobject_cast<QComboBox *>(control))
        bindCombo(combo);
    else if (auto *edit = qobject_cast<QLineEdit *>(control))
        bindText(edit);
    else
        throw std::logic_error("no binding for control " + name.toStdString());
    showField(name);
}

void FieldBinding::write(const QString &control, const std::function<void()> &change)
{
    const QString outer = m_writing;
    m_writing = control;
    change();
    m_writing = outer;
}

void FieldBinding::bindNumeric(NumericEdit *edit)
{
    const QString name = edit->objectName();
    connect(edit, &QLineEdit::textEdited, this,
            [this, edit, name] { write(name, [&] { m_model.setText(name, edit->numberText()); }); });
    // On leaving, the field shows its value as the model formats it.
    connect(edit, &NumericEdit::left, this, [this, name] { showField(name); });
}

void FieldBinding::bindDate(DateEdit *edit)
{
    const QString name = edit->objectName();
    connect(edit, &DateEdit::optionalDateChanged, this, [this, name](QDate date) {
        if (m_model.date(name) != date)
            write(name, [&] { m_model.setDate(name, date); });
    });
}

void FieldBinding::bindCombo(QComboBox *combo)
{
    const QString name = combo->objectName();
    connect(combo, &QComboBox::currentIndexChanged, this, [this, combo, name] {
        if (m_writing != name && m_model.text(name) != combo->currentText())
            write(name, [&] { m_model.setText(name, combo->currentText()); });
    });
}

void FieldBinding::bindText(QLineEdit *edit)
{
    const QString name = edit->objectName();
    connect(edit, &QLineEdit::textEdited, this,
            [this, edit, name] { write(name, [&] { m_model.setText(name, edit->text()); }); });
}

void FieldBinding::showField(const QString &control)
{
    QWidget *w = m_controls.value(control);
    if (!w)
        return;
    // Showing a value makes the controls emit change signals; they must not write back.
    write(control, [&] {
        if (auto *numeric = qobject_cast<NumericEdit *>(w)) {
            numeric->setNumberText(m_model.text(control));
        } else if (auto *date = qobject_cast<DateEdit *>(w)) {
            date->setOptionalDate(m_model.date(control));
        } else if (auto *combo = qobject_cast<QComboBox *>(w)) {
            showComboText(combo, m_model.text(control));
        } else if (auto *edit = qobject_cast<QLineEdit *>(w)) {
            if (edit->text() != m_model.text(control))
                edit->setText(m_model.text(control));
        }
    });
}

} // namespace pages
