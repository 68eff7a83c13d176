#include "periodworkflow.h"

#include "common/messages.h"
#include "db/connection.h"
#include "db/error.h"
#include "db/query.h"
#include "import/versioncheck.h"
#include "store/datamodule.h"
#include "store/pagemodel.h"
#include "store/periodstore.h"

bool isValidPeriodChoice(const PeriodChoice &c)
{
    if (c.fromMonth.isEmpty() || c.fromYear.isEmpty() || c.toMonth.isEmpty() || c.toYear.isEmpty())
        return false;
    if (c.fromYear > c.toYear)
        return false;
    return !(c.fromYear == c.toYear && c.fromMonth > c.toMonth);
}

namespace {

int wholeNumber(const QString &text, const char *what)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok)
        throw db::Error(QStringLiteral("\"%1\" nie jest poprawnym numerem %2.").arg(text, QString::fromUtf8(what)));
    return n;
}

QDate firstDay(const QString &month, const QString &year)
{
    const int m = wholeNumber(month, "miesiąca");
    const int y = wholeNumber(year, "roku");
    const QDate d(y, m, 1);
    if (m < 1 || m > 12 || !d.isValid())
        throw db::Error(QStringLiteral("Miesiąc %1 roku %2 nie istnieje.").arg(month, year));
    return d;
}

} // namespace

PeriodBounds periodBounds(const PeriodChoice &c)
{
    const QDate first = firstDay(c.fromMonth, c.fromYear);
    const QDate lastMonth = firstDay(c.toMonth, c.toYear);
    const QDate last(lastMonth.year(), lastMonth.month(), lastMonth.daysInMonth());
    return {QDateTime(first, QTime(0, 0)), QDateTime(last, QTime(23, 59, 59, 999))};
}

QString FormatDateYMD(QDate date)
{
    return QStringLiteral("%1-%2-%3")
        .arg(date.year())
        .arg(date.month(), 2, 10, QLatin1Char('0'))
        .arg(date.day(), 2, 10, QLatin1Char('0'));
}

std::optional<qint64> findPeriod(db::Connection &ksu, QDate first, QDate last)
{
    db::Query q(ksu, QStringLiteral("select * from OKRES order by id_ok;"));
    q.execute();
    while (q.next()) {
        if (q.value(u"ODK").toDate() == first && q.value(u"DOK").toDate() == last)
            return q.value(u"ID_OK").toInt();
    }
    return std::nullopt;
}

ReportingDatabaseUse::ReportingDatabaseUse(store::DataModule &dataModule, Messages &messages)
    : m_dm(dataModule), m_held(dataModule.reportingGate.tryAcquire())
{
    if (!m_held)
        messages.showWarning(QStringLiteral("Program kończy uruchamianie i korzysta jeszcze z bazy danych.\r"
                                            "Spróbuj ponownie za chwilę."),
                             QStringLiteral("Chwileczkę"));
}

ReportingDatabaseUse::~ReportingDatabaseUse()
{
    if (m_held)
        m_dm.reportingGate.release();
}

PeriodWorkflow::PeriodWorkflow(store::DataModule &dataModule, store::PageModel &model, Messages &messages,
                               PeriodView &view)
    : m_dm(dataModule), m_model(model), m_messages(messages), m_view(view)
{
}

bool PeriodWorkflow::bb_edycjaClick(const PeriodChoice &choice)
{
    ReportingDatabaseUse use(m_dm, m_messages);
    if (!use)
        return false;
    // The Lokra database is opened afresh for each period: Lokra may have been
    // updated since.
    m_dm.LOKRA.close();
    m_dm.LOKRA.open();
    m_view.clearCapitalGroupText();
    import::CheckLoanSystemVersion(m_dm.LOKRA, m_messages);

    if (!isValidPeriodChoice(choice)) {
        m_messages.showWarning(QStringLiteral("Błędnie podany okres sprawozdawczy"), QStringLiteral("Błąd!"));
        return false;
    }
    const PeriodBounds bounds = periodBounds(choice);
    const std::optional<qint64> id = findPeriod(m_dm.KSU, bounds.start.date(), bounds.end.date());
    if (!id) {
        m_messages.showWarning(QStringLiteral("Podany okres, nie został jeszcze zaimportowany !"), QStringLiteral("Błąd!"));
        m_view.focusInstitutionName();
        return false;
    }

    store::OpenPeriod period;
    period.isOpen = true;
    period.CurrentPeriodId = QString::number(*id);
    period.PeriodStart = bounds.start;
    period.PeriodEnd = bounds.end;
    period.PeriodStartText = FormatDateYMD(bounds.start.date());
    period.PeriodEndText = FormatDateYMD(bounds.end.date());

    // Loaded aside and shown only when every load succeeded, so that a failure
    // leaves the pages showing the period they belong to.
    store::PageModel loaded;
    store::CapitalGroupList groups;
    store::LoadPeriod(m_dm.KSU, period, loaded, groups);

    m_period = period;
    m_groups = groups;
    m_model.assignFrom(loaded);
    m_view.ShowPeriodLabels(m_period);
    m_view.enablePeriodButtons();
    m_messages.showInformation(QStringLiteral("Podany okres był już importowany i można go edytować"),
                               applicationTitle());
    m_view.focusInstitutionName();
    m_view.setProgress(100);
    return true;
}

bool PeriodWorkflow::bb_zapiswClick()
{
    ReportingDatabaseUse use(m_dm, m_messages);
    if (!use)
        return false;
    store::SavePeriod(m_dm.KSU, m_period, m_model);
    m_messages.showInformation(QStringLiteral("Dane zaktualizowane"), applicationTitle());
    return true;
}
