#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class Messages;

// The files the program writes (reports, the XML file) and the rules they obey:
// no database or settings file is ever replaced, a file of another kind only with
// the user's answer, and no folder is made but the program's own Eksport.
namespace output {

enum class FileKind { Pdf, Xml, Png, Csv };

// What becomes of an existing file that is not of the kind being written.
enum class Replace {
    Ask,    // the window asks the user
    Force,  // the command line with --force
    Refuse, // the command line without it
};

// A file the program must never write over, with what it is.
struct ProtectedFile
{
    QString path;
    QString what; // e.g. "baza danych programu Tervala (Path_ksu)"
};

class OutputGuard
{
public:
    OutputGuard(QList<ProtectedFile> protectedFiles, Replace replace);

    // Checks a path before a file of `kind` is written there and makes the Eksport
    // folder when it is the one missing. False after the refusal was shown (or the
    // user said No); nothing was changed then.
    bool approve(const QString &path, FileKind kind, Messages &messages) const;

private:
    QList<ProtectedFile> m_protected;
    Replace m_replace;
};

// The program's own folder for its files: Eksport in the home folder.
QString exportFolder();

// True when the folder of `filePath` exists, or is the Eksport folder and was made now.
bool ensureFolderOf(const QString &filePath);

// Files written under temporary names and put in place together, only when the
// work they belong to has been committed: a failed or killed run leaves the files
// that were there before exactly as they were. The temporary files live in a
// folder of their own in the home folder, never beside the final ones.
class StagedFiles
{
public:
    StagedFiles();
    ~StagedFiles(); // removes what was staged and not put in place
    StagedFiles(const StagedFiles &) = delete;
    StagedFiles &operator=(const StagedFiles &) = delete;

    // A new temporary path to write `finalPath`'s content to.
    QString stage(const QString &finalPath);
    // Moves every staged file that was written over its final name, each at once.
    // Throws db::Error naming the first file that could not be put in place.
    void commit();

private:
    struct Entry
    {
        QString staged;
        QString final;
    };
    QList<Entry> m_entries;
};

} // namespace output
