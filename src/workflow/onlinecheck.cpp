#include "onlinecheck.h"

#include "common/apppaths.h"
#include "common/failures.h"
#include "common/inifile.h"
#include "common/messages.h"
#include "db/error.h"
#include "db/textcodec.h"
#include "store/datamodule.h"
#include "store/dictionaryfile.h"
#include "store/reportreads.h"

#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QTimer>
#include <QUrl>

#include <limits>
#include <memory>

namespace online {

namespace {

QString noInternetText()
{
    return QStringLiteral("Brak dostępu do internetu.\rProszę osobiście sprawdzić aktualizację oprogramowania.");
}

// Replaces the home folder's copy of a fetched file whole and returns its path.
QString saveHomeFile(const QString &name, const QByteArray &contents)
{
    QString path = AppPaths::file(name);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size() || !file.commit())
        throw UpdateCheckError(explainFileFailure(path, file, FileAccess::Write)
                                   .text(QStringLiteral("Nie można zapisać pliku %1: ").arg(path)));
    return path;
}

QString firstLine(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw UpdateCheckError(explainFileFailure(path, file, FileAccess::Read)
                                   .text(QStringLiteral("Nie można odczytać pliku %1: ").arg(path)));
    QByteArray line = file.readLine();
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return db::fromWin1250(line);
}

int requireVersionNumber(const QString &text, const QString &what)
{
    const std::optional<int> number = versionNumber(text);
    if (!number)
        throw UpdateCheckError(QStringLiteral("%1 \"%2\" nie jest liczbą wersji").arg(what, text));
    return *number;
}

} // namespace

QString updateServer(const IniFile &ini)
{
    QString server = ini.value(QStringLiteral("Settings"), QStringLiteral("UpdateServer")).value_or(QString());
    while (server.endsWith(u'/'))
        server.chop(1);
    return server;
}

std::optional<int> versionNumber(QStringView text)
{
    qint64 number = 0;
    bool anyDigit = false;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            continue;
        anyDigit = true;
        number = number * 10 + (c.unicode() - u'0');
        if (number > std::numeric_limits<int>::max())
            return std::nullopt;
    }
    if (!anyDigit)
        return std::nullopt;
    return int(number);
}

bool dictionaryIsCurrent(const QStringList &localNames, const QStringList &publishedNames)
{
    if (localNames.size() > publishedNames.size())
        return false;
    for (qsizetype i = 0; i < localNames.size(); ++i) {
        if (localNames[i] != publishedNames[i])
            return false;
    }
    return true;
}

QByteArray httpGet(const QString &url, int timeLimitMs)
{
    const QUrl address(url, QUrl::StrictMode);
    if (!address.isValid() || (address.scheme() != u"http" && address.scheme() != u"https") || address.host().isEmpty())
        throw UpdateCheckError(QStringLiteral("Nieprawidłowy adres serwera aktualizacji: ") + url);

    // The manager, the loop and the timer belong to the calling thread, which is
    // the start-up task's own: nothing here waits for the user-interface thread.
    QNetworkAccessManager manager;
    QNetworkRequest request(address);
    request.setRawHeader("Accept", "text/html, */*");
    QNetworkReply *reply = manager.get(request);
    reply->setParent(nullptr);
    const std::unique_ptr<QNetworkReply> owner(reply);

    QString failure;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, reply, [&] {
        failure = QStringLiteral("Serwer aktualizacji nie odpowiedział w ciągu %1 ms (%2)").arg(timeLimitMs).arg(url);
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [&](qint64 received, qint64 total) {
        if (failure.isEmpty() && (received > MaxReplySize || total > MaxReplySize)) {
            failure = QStringLiteral("Odpowiedź serwera aktualizacji jest większa niż %1 bajtów (%2)")
                          .arg(MaxReplySize)
                          .arg(url);
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    deadline.start(timeLimitMs);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    deadline.stop();

    if (!failure.isEmpty())
        throw UpdateCheckError(failure);
    if (reply->error() != QNetworkReply::NoError)
        throw UpdateCheckError(reply->errorString());
    QByteArray body = reply->readAll();
    if (body.size() > MaxReplySize)
        throw UpdateCheckError(QStringLiteral("Odpowiedź serwera aktualizacji jest większa niż %1 bajtów (%2)")
                                   .arg(MaxReplySize)
                                   .arg(url));
    return body;
}

UpdateCheckResult CheckForUpdates(const UpdateCheck &check, Messages &messages)
{
    UpdateCheckResult result;
    const QString title = check.runningTitle.isEmpty() ? applicationTitle() : check.runningTitle;
    try {
        const QString versionFile = saveHomeFile(
            QStringLiteral("Wersja.txt"), httpGet(check.server + QLatin1String(VersionFilePath), check.timeLimitMs));
        const int published = requireVersionNumber(firstLine(versionFile), QStringLiteral("Opublikowana wersja"));
        const int running = requireVersionNumber(title, QStringLiteral("Wersja programu"));
        if (published > running) {
            result.newerVersion = true;
            messages.showWarning(QStringLiteral("Znaleziono nowszą wersje programu na stronie ") + check.server
                                     + QLatin1String(ProgramDownloadPath) + u' ',
                                 QStringLiteral("Nowsza wersja programu"));
        }

        const QString dictionaryFile =
            saveHomeFile(QStringLiteral("Slownik.txt"),
                         httpGet(check.server + QLatin1String(DictionaryFilePath), check.timeLimitMs));
        const QStringList publishedNames = store::dictionaryNameLines(store::readDictionaryFile(dictionaryFile));
        // Without the reporting database there is no local dictionary to compare;
        // its connection failure has been reported already.
        if (check.reporting && check.reporting->isOpen()) {
            result.dictionaryCompared = true;
            if (!dictionaryIsCurrent(store::DictionaryEntryNames(*check.reporting), publishedNames)) {
                result.dictionaryOutdated = true;
                messages.showWarning(
                    QStringLiteral("Słownik składników kapitału pożyczkowego jest nieaktualny !\rProszę pobrać "
                                   "aktualny słownik z ")
                        + check.server + QLatin1String(DictionaryFilePath),
                    QStringLiteral("Niaktualny słownik"));
            }
        }
    } catch (const UpdateCheckError &e) {
        result.failure = e.reason();
    } catch (const db::Error &e) {
        result.failure = e.message();
    } catch (const std::exception &e) {
        result.failure = QString::fromUtf8(e.what());
    }
    if (!result.failure.isEmpty())
        messages.showWarning(noInternetText(), QStringLiteral("Brak połączenia z internetem"));
    return result;
}

UpdateCheckResult CheckForUpdates(store::DataModule &dataModule, Messages &messages)
{
    UpdateCheck check;
    check.server = updateServer(IniFile::read(AppPaths::settingsFile()));
    if (check.server.isEmpty()) {
        UpdateCheckResult none;
        none.serverConfigured = false;
        return none;
    }
    if (!dataModule.KsuFailed && dataModule.KSU.isOpen())
        check.reporting = &dataModule.KSU;
    return CheckForUpdates(check, messages);
}

} // namespace online
