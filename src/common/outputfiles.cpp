#include "outputfiles.h"

#include "apppaths.h"
#include "failures.h"
#include "fileerror.h"
#include "messages.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace output {

namespace {

// The same file however named: symbolic links and "..", resolved where the file is there.
QString comparablePath(const QString &path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

bool isOfKind(const QString &path, FileKind kind)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray head = file.read(64);
    if (head.isEmpty())
        return true; // an empty file holds nothing to lose
    switch (kind) {
    case FileKind::Pdf:
        return head.startsWith("%PDF-");
    case FileKind::Png:
        return head.startsWith("\x89PNG\r\n\x1A\n");
    case FileKind::Csv:
        // Text: no control characters but tabs and line ends.
        return std::none_of(head.cbegin(), head.cend(), [](char c) {
            return (c >= 0 && c < ' ' && c != '\t' && c != '\r' && c != '\n') || c == 0x7F;
        });
    case FileKind::Xml:
        break;
    }
    if (head.startsWith("\xEF\xBB\xBF"))
        head.remove(0, 3);
    return head.trimmed().startsWith('<');
}

QString kindName(FileKind kind)
{
    switch (kind) {
    case FileKind::Pdf:
        return QStringLiteral("PDF");
    case FileKind::Png:
        return QStringLiteral("PNG");
    case FileKind::Csv:
        return QStringLiteral("CSV");
    case FileKind::Xml:
        break;
    }
    return QStringLiteral("XML");
}

// The folder temporary files wait in until their work is committed.
QString stagingFolder()
{
    return AppPaths::file(QStringLiteral(".tervala-tmp"));
}

// Across file systems a rename cannot replace a file: the content is written whole
// under the final name instead.
bool copyWhole(const QString &from, const QString &to)
{
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly))
        return false;
    const QByteArray content = source.readAll();
    QSaveFile target(to);
    if (!target.open(QIODevice::WriteOnly) || target.write(content) != content.size())
        return false;
    return target.commit();
}

} // namespace

QString exportFolder()
{
    return AppPaths::file(QStringLiteral("Eksport"));
}

bool ensureFolderOf(const QString &filePath)
{
    const QString folder = QFileInfo(filePath).absolutePath();
    if (QFileInfo(folder).isDir())
        return true;
    return comparablePath(folder) == comparablePath(exportFolder()) && QDir().mkpath(folder);
}

OutputGuard::OutputGuard(QList<ProtectedFile> protectedFiles, Replace replace)
    : m_protected(std::move(protectedFiles)), m_replace(replace)
{
}

bool OutputGuard::approve(const QString &path, FileKind kind, Messages &messages) const
{
    const QString shown = QDir::toNativeSeparators(path);
    const QString target = comparablePath(path);
    const QString error = QStringLiteral("Błąd!");
    for (const ProtectedFile &file : m_protected) {
        if (!file.path.isEmpty() && comparablePath(file.path) == target) {
            messages.showError(QStringLiteral("Plik %1 to %2. Raport nie zostanie w nim zapisany.\r"
                                              "Wybierz inną nazwę pliku.")
                                   .arg(shown, file.what),
                               error);
            return false;
        }
    }

    const QFileInfo info(path);
    if (info.isDir()) {
        messages.showError(QStringLiteral("%1 to folder, nie plik. Wybierz nazwę pliku %2.").arg(shown, kindName(kind)),
                           error);
        return false;
    }
    if (!ensureFolderOf(path)) {
        const QString folder = QDir::toNativeSeparators(info.absolutePath());
        const bool own = comparablePath(info.absolutePath()) == comparablePath(exportFolder());
        messages.showError(
            own ? QStringLiteral("Nie można utworzyć folderu %1 na plik %2.").arg(folder, shown)
                : QStringLiteral("Folder %1 nie istnieje. Utwórz go albo wybierz inny folder na plik %2.")
                      .arg(folder, kindName(kind)),
            error);
        return false;
    }

    if (!info.exists() || isOfKind(path, kind))
        return true;
    switch (m_replace) {
    case Replace::Force:
        return true;
    case Replace::Ask:
        return messages.askYesNo(QStringLiteral("Plik %1 istnieje i nie jest plikiem %2.\rCzy na pewno chcesz go "
                                                "zastąpić?")
                                     .arg(shown, kindName(kind)),
                                 QStringLiteral("Pytanie"));
    case Replace::Refuse:
        break;
    }
    messages.showError(QStringLiteral("Plik %1 istnieje i nie jest plikiem %2, więc nie został zastąpiony.\r"
                                      "Podaj inną nazwę pliku albo dodaj opcję --force.")
                           .arg(shown, kindName(kind)),
                       error);
    return false;
}

StagedFiles::StagedFiles()
{
    // Files left behind by a run that was killed: none of them was ever put in place.
    const QDir staging(stagingFolder());
    const QDateTime stale = QDateTime::currentDateTime().addSecs(-3600);
    for (const QFileInfo &file : staging.entryInfoList(QDir::Files | QDir::Hidden)) {
        if (file.lastModified() < stale)
            QFile::remove(file.absoluteFilePath());
    }
}

StagedFiles::~StagedFiles()
{
    for (const Entry &e : std::as_const(m_entries))
        QFile::remove(e.staged);
}

QString StagedFiles::stage(const QString &finalPath)
{
    const QString folder = stagingFolder();
    if (!QDir().mkpath(folder))
        throw FileError(
            QStringLiteral("Nie można utworzyć folderu %1 na pliki tymczasowe.").arg(QDir::toNativeSeparators(folder)));
    QTemporaryFile reserve(QDir(folder).filePath(QFileInfo(finalPath).fileName() + QStringLiteral(".XXXXXX")));
    reserve.setAutoRemove(false);
    if (!reserve.open())
        throw FileError(explainFileFailure(reserve.fileTemplate(), reserve, FileAccess::Write)
                            .text(QStringLiteral("Nie można utworzyć pliku tymczasowego w folderze %1: ")
                                      .arg(QDir::toNativeSeparators(folder))));
    m_entries.append({reserve.fileName(), finalPath});
    return reserve.fileName();
}

void StagedFiles::commit()
{
    for (const Entry &e : std::as_const(m_entries)) {
        if (!QFileInfo(e.staged).isFile() || QFileInfo(e.staged).size() == 0)
            continue; // reserved, never written
        // A rename within one file system replaces the old file at once.
        std::error_code error;
        ensureFolderOf(e.final);
        std::filesystem::rename(std::filesystem::path(e.staged.toStdU16String()),
                                std::filesystem::path(e.final.toStdU16String()), error);
        if (error && !copyWhole(e.staged, e.final))
            throw FileError(QStringLiteral("Nie można zapisać pliku %1: %2")
                                .arg(QDir::toNativeSeparators(e.final), QString::fromStdString(error.message())));
    }
    m_entries.clear();
}

} // namespace output
