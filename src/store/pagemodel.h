#pragma once

#include "db/money.h"
#include "fields.h"

#include <QDate>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

namespace store {

// The value of a numeric edit: empty, or a number of its kind. Empty reads as 0.
// Money and counts are held exactly (four decimals); a decimal field also keeps
// the floating value it was given.
class NumericValue
{
public:
    NumericValue() = default;
    NumericValue(FieldKind kind, int decimals) : m_kind(kind), m_decimals(decimals) {}

    FieldKind kind() const { return m_kind; }
    int decimals() const { return m_decimals; }
    bool isEmpty() const { return m_empty; }
    void clear()
    {
        m_empty = true;
        m_money = db::Money();
        m_real = 0;
    }

    // Text with a decimal comma or point; empty text empties the field. False (and
    // the field unchanged) when the text is not a number of this kind or one larger
    // than its column holds (INTEGER counts, thirteen whole digits of an amount).
    bool setText(const QString &text);
    void setInteger(qint64 value);
    void setMoney(db::Money value);
    void setNumber(double value);

    // The text the control shows (without its suffix): "" when empty, whole
    // numbers as digits, others with the decimal comma and two decimals.
    QString text() const;
    qint64 toInteger() const;
    db::Money toMoney() const;
    double toNumber() const;

private:
    FieldKind m_kind = FieldKind::Count;
    int m_decimals = 0;
    bool m_empty = true;
    db::Money m_money;
    double m_real = 0;
};

// One row of the capital sources grid (DANE_KAP rows with ZRODLO 1).
struct CapitalSource
{
    qint64 id = 0;
    QString nazwa;
    std::optional<db::Money> kwota; // none for NULL
    bool operator==(const CapitalSource &) const = default;
};

// The fields of the period's pages, one per control name, without any widget. The
// pages show it, the loads, saves, import and reports read and write it.
class PageModel : public QObject
{
    Q_OBJECT

public:
    PageModel();

    // Takes every value of `other` (fields, combo items, capital sources) and
    // announces each change.
    void assignFrom(const PageModel &other);

    bool has(const QString &control) const { return m_fields.contains(control); }
    FieldKind kind(const QString &control) const;
    const FieldSpec &spec(const QString &control) const;

    // Text fields: their text. Numeric fields: the number as the control shows it.
    // Date: dd.MM.yyyy, empty when no date.
    QString text(const QString &control) const;
    // Sets a field from text the way its control takes it (numbers are parsed;
    // text that is not a number of the field's kind empties it and returns false).
    bool setText(const QString &control, const QString &text);

    QDate date(const QString &control) const;
    void setDate(const QString &control, QDate date);

    const NumericValue &numeric(const QString &control) const;
    qint64 integer(const QString &control) const { return numeric(control).toInteger(); }
    db::Money money(const QString &control) const { return numeric(control).toMoney(); }
    double number(const QString &control) const { return numeric(control).toNumber(); }
    void setInteger(const QString &control, qint64 value);
    void setMoney(const QString &control, db::Money value);
    void setNumber(const QString &control, double value);
    void clear(const QString &control);

    // Items of a combo box filled at run time (cb_grupa).
    QStringList items(const QString &control) const { return m_items.value(control); }
    void setItems(const QString &control, const QStringList &items);

    // The capital sources of the open period, as the grid shows them.
    const QList<CapitalSource> &capitalSources() const { return m_capitalSources; }
    void setCapitalSources(QList<CapitalSource> sources);

    // Whether a stored field (one that "Zapisz zmiany" writes) differs from what it
    // held at the last markUnmodified(): the user's unsaved work.
    bool isModified() const;
    void markUnmodified();
    // The stored fields whose text differs from the last markUnmodified(), in page order.
    QStringList modifiedControls() const;

    // The statistics page's sum of one breakdown (index into StatisticGroups): the
    // counts added as integers, or the values added exactly as money.
    void recomputeCountSum(int group);
    void recomputeValueSum(int group);
    void recomputeAllSums();

    // The fields of a page in tab order ("Dane Funduszu", "Zasady gospodarowania",
    // "Dane zbiorcze", "Aktywne i stracone pożyczki").
    static QStringList institutionControls();
    static QStringList ruleControls();
    static QStringList statisticsControls();
    static QStringList activeLostControls();
    // The text a control shows, its suffix included.
    QString shownText(const QString &control) const;

signals:
    void fieldChanged(const QString &control);
    void itemsChanged(const QString &control);
    void capitalSourcesChanged();

private:
    struct Field
    {
        const FieldSpec *spec = nullptr;
        QString text;
        QDate date;
        NumericValue numeric;
    };
    Field &field(const QString &control);
    const Field &field(const QString &control) const;
    void add(const FieldSpec &spec);

    QHash<QString, Field> m_fields;
    QHash<QString, QString> m_unmodified; // stored fields' texts at markUnmodified()
    QHash<QString, QStringList> m_items;
    QList<CapitalSource> m_capitalSources;
    std::vector<FieldSpec> m_sumSpecs;
};

QString toQString(std::string_view text);

} // namespace store
