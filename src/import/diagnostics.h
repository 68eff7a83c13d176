#pragma once

// The diagnostics of the loan statistics: the error report (dictionary checks,
// payout mismatches, one row per contract whose data do not allow a
// classification).

#include "db/money.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

namespace db {
class Connection;
class Query;
} // namespace db

namespace import {

struct ImportContext;

// The column of the error table that receives a pass's message.
enum ErrorColumn : int {
    TypeColumn = 4,
    PurposeColumn = 5,
    SectorColumn = 6,
    StatusColumn = 7,
    SexColumn = 8,
    AreaColumn = 10,
};

// reports::FormatAmount for an exact amount: two decimals with a decimal comma,
// right-aligned in 11 characters, a longer text not cut.
QString FormatAmount(db::Money amount);

// The client name of contracts, with its statement prepared once.
class ClientNames
{
public:
    explicit ClientNames(db::Connection &lokra);
    ~ClientNames();
    // A natural person's first name and surname, else the firm name; empty when
    // the contract has no client or a part of the name is missing.
    QString ContractClientName(qint64 contract);

private:
    std::unique_ptr<db::Query> m_query;
};

// The same for a single contract.
QString ContractClientName(db::Connection &lokra, qint64 contract);

// True when the Lokra dictionary group has no entries or an entry without a code.
bool DictionaryCodesMissing(db::Connection &lokra, int group);

// A contract whose disbursements in the period of the import differ from its loan amount.
struct PayoutMismatch
{
    QString contract;
    db::Money paidOut;
    db::Money loanAmount;
};
QList<PayoutMismatch> PayoutMismatches(ImportContext &ctx);

// The error report of one loan statistics computation, on ctx.errorReport.
class ErrorReport
{
public:
    explicit ErrorReport(ImportContext &ctx);
    ~ErrorReport();

    // Empties the table, writes the title with the dictionary and payout checks,
    // and the header row.
    void Start();
    // One row: running number, contract, client name, amount and the message in its column.
    void AddErrorRow(const QString &contract, qint64 contractId, db::Money amount, ErrorColumn column,
                     const QString &message);
    // A line under the title about the fund's data that changes no figure.
    void AddNote(const QString &note);
    // Hands the error count to the window (label spr_imp) and shows the report
    // when it lists anything.
    void Close();

    int errorCount() const { return m_errorCount; }
    int mismatchCount() const { return m_mismatchCount; }
    bool codesMissing() const { return m_codesMissing; }

private:
    void addDictionaryLines(int group, const QString &menuPath);

    ImportContext &m_ctx;
    ClientNames m_names;
    int m_errorCount = 0;
    int m_rowPointer = 0;
    int m_mismatchCount = 0;
    bool m_codesMissing = false;
    int m_noteCount = 0;
};

} // namespace import
