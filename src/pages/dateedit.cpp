#include "dateedit.h"

#include <QCalendarWidget>
#include <QKeyEvent>
#include <QLocale>

namespace pages {

DateEdit::DateEdit(QWidget *parent) : QDateEdit(parent)
{
    const QLocale polish(QLocale::Polish, QLocale::Poland);
    setLocale(polish);
    setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    setMinimumDate(nullDate());
    setSpecialValueText(QStringLiteral(" "));
    setCalendarPopup(true);
    calendarWidget()->setLocale(polish);
    calendarWidget()->installEventFilter(this);
    setToolTip(QStringLiteral("Klawisz Delete usuwa datę"));
    setDate(nullDate());
    connect(this, &QDateEdit::dateChanged, this, [this] { emit optionalDateChanged(optionalDate()); });
}

QDate DateEdit::optionalDate() const
{
    return isNull() ? QDate() : date();
}

void DateEdit::setOptionalDate(QDate date)
{
    setDate(date.isValid() && date > nullDate() ? date : nullDate());
}

void DateEdit::stepBy(int steps)
{
    // Stepping from "no date" starts at today rather than in the eighteenth century.
    if (isNull()) {
        setDate(QDate::currentDate());
        return;
    }
    QDateEdit::stepBy(steps);
}

void DateEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Delete && !isReadOnly()) {
        setDate(nullDate());
        selectAll();
        event->accept();
        return;
    }
    if (isNull() && !event->text().isEmpty() && event->text().at(0).isDigit()) {
        // The blank field has no sections to type into until it holds a date.
        setDate(QDate::currentDate());
        setCurrentSection(QDateTimeEdit::DaySection);
        setSelectedSection(QDateTimeEdit::DaySection);
    }
    QDateEdit::keyPressEvent(event);
}

bool DateEdit::focusNextPrevChild(bool next)
{
    // Tab goes on to the next control, as everywhere on the pages; the arrow keys
    // move between day, month and year. QDateTimeEdit's own override, which Tab
    // would step through the sections with, is passed over on purpose.
    return QWidget::focusNextPrevChild(next); // NOLINT(bugprone-parent-virtual-call)
}

bool DateEdit::eventFilter(QObject *watched, QEvent *event)
{
    // The calendar of an empty field opens on the current month.
    if (watched == calendarWidget() && event->type() == QEvent::Show && isNull()) {
        const QDate today = QDate::currentDate();
        calendarWidget()->setCurrentPage(today.year(), today.month());
    }
    return QDateEdit::eventFilter(watched, event);
}

} // namespace pages
