#pragma once

// "Zapisz do pliku": the report of the open period as the XML file Eksport/plik.xml
// in the home folder. The figures come from the page model as it stands (edits not
// yet saved included), the loan-capital components from KAPITAL_FUND.

#include "db/money.h"
#include "store/capitalstore.h"
#include "store/openperiod.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class Messages;
namespace db {
class Connection;
}
namespace store {
class PageModel;
}

namespace reports {

// Every "," becomes "."; a text without any "," gets ".00" appended. No padding:
// "1500,5" gives "1500.5", "1500" gives "1500.00", "" gives ".00".
QString ToPointDecimal(const QString &text);

// An amount as the XML file and the printed summary write it: the shortest exact
// decimal with a point ("1500.5"), ".00" appended to a whole number ("1500.00").
QString PointAmount(db::Money value);
// An amount the database may hold as NULL: that is the empty text, which gives ".00".
QString PointAmount(const std::optional<db::Money> &value);

using store::CapitalComponent;

// One entry of CapitalGroups with the period's components of its group, in ID_SKL order.
struct CapitalGroupComponents
{
    store::CapitalGroup group; // an entry past the filled ones: Kod 0 and no name
    QList<CapitalComponent> components;
};

// The loan-capital components of the period by group, as the XML file and the
// printed summary report them: as many entries of `groups` as SLOWNIKI counts
// groups now ("select count(kod) ... where grupa=0"), never more than the table
// of groups holds (100 entries, or more when the dictionary filled more).
QList<CapitalGroupComponents> ReadCapitalComponents(db::Connection &ksu, const store::OpenPeriod &period,
                                                    const store::CapitalGroupList &groups);

// The whole file, UTF-8 without byte-order mark, CRLF line ends. Throws db::Error
// naming the field when a text holds a character that XML 1.0 cannot carry;
// nothing is written then.
QByteArray BuildXmlReport(const store::OpenPeriod &period, const store::PageModel &model,
                          const QList<CapitalGroupComponents> &components);

// Eksport/plik.xml in the home folder.
QString xmlReportPath();

// Validates the content against the report schema (reports/xmlschema.h): a
// document it refuses is not written, and the message names its first failing
// element and line. Then replaces the file whole: the content goes to a temporary
// file beside it that is renamed over the old one only when completely written, so
// a failure leaves the previous file as it was. Throws FileError with a Polish
// message naming the file (also when its folder is missing).
void SaveXmlFile(const QString &path, const QByteArray &content);

// The names of the period's components that `components` does not hold because
// their group is none of the groups walked: the reports leave them out.
QStringList ComponentsLeftOut(db::Connection &ksu, qint64 periodId, const QList<CapitalGroupComponents> &components);

// Builds the file of the open period and writes it to `path`; returns the names of
// the components left out of it for want of a group. Throws db::Error.
QStringList WriteXmlReport(db::Connection &ksu, const store::OpenPeriod &period, const store::CapitalGroupList &groups,
                           const store::PageModel &model, const QString &path);

} // namespace reports
