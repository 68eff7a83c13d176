#pragma once

#include "db/error.h"

#include <QDateTime>
#include <QList>
#include <QString>

namespace store {

// The period the pages show: set together by a successful opening or import and
// left untouched by a failed or refused one.
struct OpenPeriod
{
    bool isOpen = false;     // the period-open flag
    QString CurrentPeriodId; // ID_OK as decimal text
    QDateTime PeriodStart;   // 00:00 of the first day
    QDateTime PeriodEnd;     // 23:59:59.999 of the last day
    QString PeriodStartText; // YYYY-MM-DD
    QString PeriodEndText;   // YYYY-MM-DD
    // OKRES.ZMIANA as this program last read or wrote it. It moves with every write
    // of the period, the capital page's immediate ones included (hence mutable).
    mutable qint64 stamp = 0;

    // CurrentPeriodId as an integer; a clear error when no period is open.
    qint64 id() const
    {
        bool ok = false;
        const qint64 n = CurrentPeriodId.toLongLong(&ok);
        if (!ok)
            throw db::Error(QStringLiteral("Nie otwarto żadnego okresu sprawozdawczego."));
        return n;
    }
};

// One group of loan-capital components (a SLOWNIKI row whose GRUPA is 0). Entry k
// of the list belongs to item k of cb_grupa.
struct CapitalGroup
{
    qint64 Kod = 0;
    QString Nazwa;
    qint64 Grupa = 0;
    qint64 Rodzaj = 0;
};
using CapitalGroupList = QList<CapitalGroup>;

} // namespace store
