#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class QComboBox;
class QLineEdit;
class QWidget;

namespace store {
class PageModel;
}

namespace pages {

class DateEdit;
class NumericEdit;

// Keeps controls and the page model's fields of the same names in step. What the
// user types or picks is written to the model at once, so a save started from a
// button or a menu sees it before the field is left; loads, the import and the
// sums reach the controls through the model's fieldChanged. A control never hears
// back about its own write.
//
// A combo box shows a loaded text that is not one of its items (a value from an
// older program or typed into the database) as one extra item, so the value is
// shown as it is and kept unless the user picks another; the extra item goes with
// the next value that comes from the model.
class FieldBinding : public QObject
{
    Q_OBJECT

public:
    explicit FieldBinding(store::PageModel &model, QObject *parent = nullptr);

    // Binds a control to the field named by its objectName and shows the field's
    // value. Numeric edits, dates, combo boxes and line edits are understood.
    void bind(QWidget *control);

    store::PageModel &model() const { return m_model; }

    // Item data role marking a combo box item that is not one of the box's choices.
    static constexpr int ExtraItemRole = Qt::UserRole + 1;

private:
    void showField(const QString &control);
    void write(const QString &control, const std::function<void()> &change);

    void bindNumeric(NumericEdit *edit);
    void bindDate(DateEdit *edit);
    void bindCombo(QComboBox *combo);
    void bindText(QLineEdit *edit);

    store::PageModel &m_model;
    QHash<QString, QPointer<QWidget>> m_controls;
    QString m_writing; // the field being written from its own control
};

// Shows `text` in a non-editable combo box: its item, or one extra item holding it.
void showComboText(QComboBox *combo, const QString &text);

} // namespace pages
