#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <stdexcept>

class IniFile;
class Messages;
namespace db {
class Connection;
}
namespace store {
class DataModule;
}

// The online update checks: asks the update server whether a newer program
// version or a newer component dictionary has been published. Widget-free; runs
// on the start-up task's thread with an event loop of its own.
namespace online {

inline constexpr const char *VersionFilePath = "/pliki/test/Wersja.txt";
inline constexpr const char *DictionaryFilePath = "/pliki/test/Slownik.txt";
inline constexpr const char *ProgramDownloadPath = "/pliki/sprawozdawczosc/Tervala.exe";
// Every request ends within this time, so a silent network never holds the start-up.
inline constexpr int DefaultTimeLimitMs = 5000;
// Both files are a few kilobytes; anything beyond this is not what we asked for.
inline constexpr qint64 MaxReplySize = qint64(1024) * 1024;

// A failed step of the checks, with the reason for the command line.
class UpdateCheckError : public std::runtime_error
{
public:
    explicit UpdateCheckError(const QString &reason) : std::runtime_error(reason.toStdString()), m_reason(reason) {}
    QString reason() const { return m_reason; }

private:
    QString m_reason;
};

// The base address of the update server (scheme, host and port): the key
// UpdateServer of the section "Settings"; empty when the key is missing or empty,
// which turns the online checks off. A trailing "/" is dropped.
QString updateServer(const IniFile &ini);

// A version text reduced to its digits "0" to "9", in their order, read as one
// number; nothing when there is no digit or the number does not fit an int.
std::optional<int> versionNumber(QStringView text);

// The local dictionary (names in ascending KOD) is current when the name of every
// local row i equals, exactly, the published name of entry i. A local row beyond
// the published entries is a difference; published entries beyond the local rows
// are not looked at.
bool dictionaryIsCurrent(const QStringList &localNames, const QStringList &publishedNames);

// HTTP GET of `url` into memory with the header Accept "text/html, */*". Throws
// UpdateCheckError when the server cannot be reached, answers with an error, takes
// longer than `timeLimitMs` or sends more than MaxReplySize bytes.
QByteArray httpGet(const QString &url, int timeLimitMs = DefaultTimeLimitMs);

struct UpdateCheck
{
    QString server;
    QString runningTitle; // the application title when empty
    int timeLimitMs = DefaultTimeLimitMs;
    db::Connection *reporting = nullptr; // no comparison of the dictionary without it
};

struct UpdateCheckResult
{
    bool serverConfigured = true; // false: TV.ini names no update server, nothing was asked
    bool newerVersion = false;
    bool dictionaryCompared = false;
    bool dictionaryOutdated = false;
    QString failure; // empty when every step ran
};

// Fetches Wersja.txt and Slownik.txt into the home folder, warns of a newer
// version and of an outdated dictionary; any failure ends the checks with the
// warning "Brak połączenia z internetem". Every warning goes through `messages`.
UpdateCheckResult CheckForUpdates(const UpdateCheck &check, Messages &messages);

// The checks of the start-up task: the server from TV.ini, the dictionary
// compared with the reporting database when that is connected. Without a server
// in TV.ini nothing is fetched and nothing is shown: a fund that has not set one
// up must not be told at every start that the internet cannot be reached.
UpdateCheckResult CheckForUpdates(store::DataModule &dataModule, Messages &messages);

} // namespace online
