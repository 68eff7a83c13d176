#pragma once

#include "store/fields.h"
#include "store/pagemodel.h"

#include <QLineEdit>

namespace pages {

// A single-line field for a whole number, a money amount or a decimal number. It
// takes only the characters of its kind (digits, a leading minus and, for money
// and decimals, one decimal comma; a typed point becomes a comma), reads empty as
// 0 and shows an optional suffix after the number while it is not being edited.
class NumericEdit : public QLineEdit
{
    Q_OBJECT

public:
    // `kind` is Count, Money or Decimal.
    explicit NumericEdit(store::FieldKind kind, QWidget *parent = nullptr);

    store::FieldKind kind() const { return m_kind; }
    // Digits a field may hold after the comma as typed, and before it.
    int decimals() const;
    int wholeDigits() const;

    QString suffix() const { return m_suffix; }
    void setSuffix(const QString &suffix);

    // The number as typed or shown, without the suffix.
    QString numberText() const;
    // Shows a number text, with the suffix when the field is not being edited.
    void setNumberText(const QString &number);

    // The value of the text; empty or unfinished text ("-", "12,") reads as far as it goes, empty as 0.
    store::NumericValue value() const;

    // Why the last refused keystroke was refused (shown as a tip under the field);
    // empty when none was.
    QString refusal() const { return m_refusal; }

    // True between entering the field and leaving it for another control.
    bool isEditing() const { return m_editing; }

signals:
    // The focus moved to another control of the window (not: the window was deactivated).
    void left();

protected:
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void showReadOnlyLook();
    void showRefusal(const QString &reason);

    store::FieldKind m_kind;
    QString m_suffix;
    bool m_editing = false;
    QString m_refusal;
};

// True when losing the focus for this reason means the user left the control for
// another one, as opposed to switching windows or opening a menu or popup.
bool isLeaving(Qt::FocusReason reason);

} // namespace pages
