#include "diagnostics.h"

#include "db/connection.h"
#include "db/query.h"
#include "importcontext.h"
#include "reports/reportsheet.h"

namespace import {

QString FormatAmount(db::Money amount)
{
    return amount.format(2, u',').rightJustified(11, u' ');
}

ClientNames::ClientNames(db::Connection &lokra)
    : m_query(std::make_unique<db::Query>(
        lokra, QStringLiteral("select iif(k.status='K',K.imie||' '||k.nazwisko,k.nazwanip),u.idumowy from klient k, "
                              "umowy u where k.nr_klienta=u.nrklienta and u.idumowy=:d0")))
{
}

ClientNames::~ClientNames() = default;

QString ClientNames::ContractClientName(qint64 contract)
{
    m_query->execute({contract});
    // The server names the unnamed IIF column CASE.
    QString name = m_query->next() ? m_query->value(u"CASE").toString() : QString();
    m_query->closeCursor();
    return name;
}

QString ContractClientName(db::Connection &lokra, qint64 contract)
{
    return ClientNames(lokra).ContractClientName(contract);
}

namespace {

qint64 countOf(db::Query &query, int group)
{
    query.execute({group});
    const qint64 n = query.next() ? query.value(0).toInt() : 0;
    query.closeCursor();
    return n;
}

} // namespace

bool DictionaryCodesMissing(db::Connection &lokra, int group)
{
    db::Query entries(lokra, QStringLiteral("select count(s.nr) from slownik s where s.rodzic=:d0"));
    if (countOf(entries, group) < 1)
        return true;
    db::Query withoutCode(
        lokra, QStringLiteral("select count(s.nr) from slownik s where s.rodzic=:d0 and (s.kod='' or s.kod is null)"));
    return countOf(withoutCode, group) >= 1;
}

QList<PayoutMismatch> PayoutMismatches(ImportContext &ctx)
{
    db::Query query(
        ctx.lokra,
        QStringLiteral("select sum(d.kwota_wn),u.kwotakredytu,u.idumowy from dekret d,stan s,umowy u,plankt p "
                       "where d.idstanu=s.idstan and s.nrumowy=u.idumowy and s.konto=p.nr_kt and "
                       "p.typkonta=1 and d.datadekretu>=:D0 and d.datadekretu<=:D1 and d.koddok='WY' and "
                       "d.infdod<>'ST' group by u.idumowy,u.kwotakredytu having "
                       "sum(d.kwota_wn)-u.kwotakredytu<>0"));
    ctx.keepResponsiveWhileWaiting(query);
    query.execute({ctx.period.PeriodStart.date(), ctx.period.PeriodEnd.date()});
    QList<PayoutMismatch> out;
    while (query.next())
        out.append({query.value(2).toString(), query.value(0).toMoney(), query.value(1).toMoney()});
    return out;
}

ErrorReport::ErrorReport(ImportContext &ctx) : m_ctx(ctx), m_names(ctx.lokra) {}

ErrorReport::~ErrorReport() = default;

void ErrorReport::addDictionaryLines(int group, const QString &menuPath)
{
    if (!DictionaryCodesMissing(m_ctx.lokra, group))
        return;
    m_codesMissing = true;
    m_ctx.errorReport.titleLines << QStringLiteral("Brak ustawień kodów w słownikach.")
                                 << QStringLiteral("Proszę wybrać w programie Lokra z menu \"%1\",").arg(menuPath)
                                 << QStringLiteral("a następnie ustawić kody zgodnie z dokumentacją (strona 6-8)");
}

void ErrorReport::Start()
{
    reports::ReportSheet &sheet = m_ctx.errorReport;
    sheet.ClearGrid();
    m_errorCount = 0;
    m_rowPointer = 0;
    m_mismatchCount = 0;
    m_codesMissing = false;

    sheet.titleLines << QStringLiteral("Raport błędów wynikających z braku danych za okres od '%1' do '%2'")
                            .arg(m_ctx.period.PeriodStartText, m_ctx.period.PeriodEndText);
    addDictionaryLines(4, QStringLiteral("Baza-->Słowniki-->Cele pożyczki"));
    addDictionaryLines(30, QStringLiteral("Baza-->Słowniki-->Rodzaj działalności"));
    for (const QString &note : m_ctx.fundNotes)
        AddNote(note);

    const QList<PayoutMismatch> mismatches = PayoutMismatches(m_ctx);
    m_mismatchCount = int(mismatches.size());
    for (const PayoutMismatch &m : mismatches) {
        sheet.titleLines << QStringLiteral("Wykryto potencjalną niezgodność z raportem wypłat dla umowy nr ")
                                + m.contract + QStringLiteral(", Kwota winien=") + FormatAmount(m.paidOut)
                                + QStringLiteral("; Kwota kredytu=") + FormatAmount(m.loanAmount);
    }

    static const QStringList headers{
        QStringLiteral("Lp"),
        QStringLiteral("Id Umowy"),
        QStringLiteral("Nazwa"),
        QStringLiteral("Kwota pożyczki"),
        QStringLiteral("Typ przedsiębiorstwa\r(Wielkość)"),
        QStringLiteral("Przeznaczenie"),
        QStringLiteral("Rodzaj\rDziałalności"),
        QStringLiteral("Status\rPrzed."),
        QStringLiteral("Płeć"),
        QStringLiteral("Rodzaj\rklienta"),
        QStringLiteral("Obszar\rDziałalności"),
    };
    int column = 0;
    for (const QString &header : headers)
        column = sheet.setCell(column, m_rowPointer, header);
    ++m_rowPointer;
}

void ErrorReport::AddErrorRow(const QString &contract, qint64 contractId, db::Money amount, ErrorColumn column,
                              const QString &message)
{
    reports::ReportSheet &sheet = m_ctx.errorReport;
    ++m_errorCount;
    int c = sheet.setCell(0, m_rowPointer, QString::number(m_errorCount));
    c = sheet.setCell(c, m_rowPointer, contract);
    c = sheet.setCell(c, m_rowPointer, m_names.ContractClientName(contractId));
    sheet.setCell(c, m_rowPointer, FormatAmount(amount));
    sheet.setCell(column, m_rowPointer, message);
    ++m_rowPointer;
}

void ErrorReport::AddNote(const QString &note)
{
    m_ctx.errorReport.titleLines << note;
    ++m_noteCount;
}

void ErrorReport::Close()
{
    m_ctx.errorCount = m_errorCount;
    if (m_errorCount <= 0 && m_mismatchCount <= 0 && !m_codesMissing && m_noteCount <= 0)
        return;
    if (m_errorCount > 0) {
        m_ctx.errorReport.titleLines
            << QStringLiteral("Aby ustalić rodzaj działalności dla danej pożyczki, należy wejść w zakładkę Klienta")
            << QStringLiteral("Aby ustalić przeznaczenie (cel) pożyczki, należy wejść w Dane umowy i ustalić opcję w "
                              "polu \"Przeznaczenie\"");
    }
    m_ctx.output.showErrorReport(m_ctx.errorReport);
}

} // namespace import
