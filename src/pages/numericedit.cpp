#include "numericedit.h"

#include <QEvent>
#include <QFocusEvent>
#include <QPalette>
#include <QToolTip>
#include <QValidator>

namespace pages {

namespace {

// Digits, a leading minus and one decimal comma with at most `decimals` digits after
// it; a point is taken as the comma so that the keypad's separator works too. A
// refused text leaves the reason in refusal(), for the field to show.
class NumberValidator : public QValidator
{
public:
    NumberValidator(int wholeDigits, int decimals, QObject *parent)
        : QValidator(parent), m_wholeDigits(wholeDigits), m_decimals(decimals)
    {
    }

    QString refusal() const { return m_refusal; }

    State validate(QString &input, int &) const override
    {
        const State state = check(input);
        if (state == Invalid)
            m_refusal = reason(input);
        return state;
    }

private:
    QString reason(const QString &input) const
    {
        if (m_decimals == 0 && input.contains(u','))
            return QStringLiteral("To pole przyjmuje tylko liczbę całkowitą: przecinka nie wpisano.");
        if (input.count(u',') > 1)
            return QStringLiteral("Liczba może mieć tylko jeden przecinek.");
        const qsizetype comma = input.indexOf(u',');
        if (comma >= 0 && input.size() - comma - 1 > m_decimals) {
            bool digitsOnly = true;
            for (qsizetype i = comma + 1; i < input.size(); ++i)
                digitsOnly = digitsOnly && input[i].isDigit();
            if (digitsOnly)
                return QStringLiteral("Po przecinku mieszczą się najwyżej %1 cyfry.").arg(m_decimals);
        }
        if (input.lastIndexOf(u'-') > 0)
            return QStringLiteral("Minus może stać tylko na początku liczby.");
        qsizetype digits = 0;
        for (const QChar c : input) {
            if (c == u',')
                break;
            digits += c >= u'0' && c <= u'9' ? 1 : 0;
        }
        if (digits > m_wholeDigits)
            return m_decimals == 0
                       ? QStringLiteral("Liczba może mieć najwyżej %1 cyfr.").arg(m_wholeDigits)
                       : QStringLiteral("Liczba może mieć najwyżej %1 cyfr przed przecinkiem.").arg(m_wholeDigits);
        return m_decimals == 0 ? QStringLiteral("To pole przyjmuje tylko cyfry i znak minus.")
                               : QStringLiteral("To pole przyjmuje tylko cyfry, przecinek i znak minus.");
    }

    State check(QString &input) const
    {
        input.replace(u'.', u',');
        qsizetype i = 0;
        if (i < input.size() && input[i] == u'-')
            ++i;
        int whole = 0;
        int fraction = 0;
        bool comma = false;
        for (; i < input.size(); ++i) {
            const QChar c = input[i];
            if (c >= u'0' && c <= u'9') {
                if (comma ? ++fraction > m_decimals : ++whole > m_wholeDigits)
                    return Invalid;
            } else if (c == u',' && m_decimals > 0 && !comma) {
                comma = true;
            } else {
                return Invalid;
            }
        }
        if (input.isEmpty())
            return Acceptable;
        return whole + fraction == 0 ? Intermediate : Acceptable;
    }

    int m_wholeDigits;
    int m_decimals;
    mutable QString m_refusal;
};

} // namespace

bool isLeaving(Qt::FocusReason reason)
{
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && reason != Qt::MenuBarFocusReason;
}

NumericEdit::NumericEdit(store::FieldKind kind, QWidget *parent) : QLineEdit(parent), m_kind(kind)
{
    Q_ASSERT(kind == store::FieldKind::Count || kind == store::FieldKind::Money || kind == store::FieldKind::Decimal);
    auto *validator = new NumberValidator(wholeDigits(), decimals(), this);
    setValidator(validator);
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // A refused key must not pass unseen: "12,5" typed into a count would read 125.
    connect(this, &QLineEdit::inputRejected, this, [this, validator] { showRefusal(validator->refusal()); });
}

void NumericEdit::showRefusal(const QString &reason)
{
    m_refusal = reason;
    QToolTip::showText(mapToGlobal(QPoint(0, height())), reason, this, rect(), 5000);
}

int NumericEdit::decimals() const
{
    return m_kind == store::FieldKind::Count ? 0 : 2;
}

int NumericEdit::wholeDigits() const
{
    // Counts are stored as INTEGER, amounts as DECIMAL(15,2).
    return m_kind == store::FieldKind::Count ? 9 : 13;
}

void NumericEdit::setSuffix(const QString &suffix)
{
    const QString number = numberText();
    m_suffix = suffix;
    setNumberText(number);
}

QString NumericEdit::numberText() const
{
    QString t = text();
    if (!m_editing && !m_suffix.isEmpty() && t.endsWith(m_suffix))
        t.chop(m_suffix.size());
    return t;
}

void NumericEdit::setNumberText(const QString &number)
{
    // The suffix is not a character of the number: set directly, past the validator.
    if (!m_editing && !m_suffix.isEmpty() && !number.isEmpty())
        setText(number + m_suffix);
    else
        setText(number);
}

store::NumericValue NumericEdit::value() const
{
    store::NumericValue v(m_kind, decimals());
    if (!v.setText(numberText()))
        v.clear();
    return v;
}

void NumericEdit::focusInEvent(QFocusEvent *event)
{
    if (!m_editing) {
        const QString number = numberText();
        m_editing = true;
        setNumberText(number);
    }
    QLineEdit::focusInEvent(event);
}

void NumericEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    if (!m_editing || !isLeaving(event->reason()))
        return;
    m_editing = false;
    setNumberText(value().text());
    emit left();
}

void NumericEdit::changeEvent(QEvent *event)
{
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::ReadOnlyChange)
        showReadOnlyLook();
}

void NumericEdit::showReadOnlyLook()
{
    // A field that takes no typing looks like the page behind it, so nobody tries.
    if (isReadOnly()) {
        QPalette p = palette();
        p.setColor(QPalette::Base, p.color(QPalette::Window));
        setPalette(p);
    } else {
        setPalette(QPalette());
    }
}

} // namespace pages
