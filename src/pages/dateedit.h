#pragma once

#include <QDateEdit>

namespace pages {

// A date picker with a calendar popup that can also hold no date (a NULL column):
// then it shows an empty field. Delete empties it; stepping, typing a digit or
// picking a day in the calendar gives it a date again.
class DateEdit : public QDateEdit
{
    Q_OBJECT

public:
    explicit DateEdit(QWidget *parent = nullptr);

    // An invalid QDate when the field holds no date.
    QDate optionalDate() const;
    void setOptionalDate(QDate date);
    bool isNull() const { return date() == nullDate(); }

    void stepBy(int steps) override;

signals:
    void optionalDateChanged(QDate date);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The lowest date the picker takes stands for "no date"; it lies centuries
    // before any date the program deals with.
    static QDate nullDate() { return QDate(1752, 9, 14); }
};

} // namespace pages
