#include "clientlibrary.h"

#include "error.h"

#include <firebird/Interface.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

#ifdef Q_OS_WIN
#include <QSettings>

#include <windows.h>
#else
#include <QLibrary>
#endif

#include <bit>

namespace db {

namespace {

using GetMasterInterface = decltype(&Firebird::fb_get_master_interface);

// The library's entry point, or null with why the library could not be loaded (empty when it
// loaded but is no Firebird 3 client).
struct Loaded
{
    GetMasterInterface getMaster = nullptr;
    QString reason;
};

#ifdef Q_OS_WIN
const QString LibraryName = QStringLiteral("fbclient.dll");

// Firebird's installer names its folder under this key, the 64-bit one in the native view, a
// 32-bit one (which a 64-bit program cannot load) under WOW6432Node.
ClientLibraryPlace registryPlace(const QString &key, const QString &where)
{
    const QSettings instances(key, QSettings::NativeFormat);
    const QString root = instances.value(QStringLiteral("DefaultInstance")).toString();
    if (root.isEmpty())
        return {where, {}, QStringLiteral("brak wpisu w rejestrze")};
    return {where, QDir(root).filePath(LibraryName), {}};
}

Loaded loadFrom(const QString &file)
{
    const bool absolute = QFileInfo(file).isAbsolute();
    // A library given by path finds the libraries it needs in its own folder (Firebird keeps its
    // runtime beside fbclient.dll); a missing one is reported here, not by a system dialog.
    DWORD oldMode = 0;
    SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &oldMode);
    const std::wstring path = QDir::toNativeSeparators(file).toStdWString();
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, absolute ? LOAD_WITH_ALTERED_SEARCH_PATH : 0);
    const DWORD error = module ? 0 : GetLastError();
    SetThreadErrorMode(oldMode, nullptr);
    if (!module) {
        if (error == ERROR_BAD_EXE_FORMAT)
            return {nullptr, QStringLiteral("biblioteka 32-bitowa, a program jest 64-bitowy")};
        if (error == ERROR_MOD_NOT_FOUND && absolute && !QFileInfo::exists(file))
            return {nullptr, QStringLiteral("brak pliku")};
        if (error == ERROR_MOD_NOT_FOUND && !absolute)
            return {nullptr, QStringLiteral("nie znaleziono")};
        return {nullptr, QStringLiteral("nie można załadować (błąd systemu %1)").arg(error)};
    }
    if (FARPROC symbol = GetProcAddress(module, "fb_get_master_interface"))
        return {std::bit_cast<GetMasterInterface>(symbol), {}};
    FreeLibrary(module);
    return {nullptr, {}};
}
#else
const QString LibraryName = QStringLiteral("libfbclient.so.2");

Loaded loadFrom(const QString &file)
{
    if (QFileInfo(file).isAbsolute() && !QFileInfo::exists(file))
        return {nullptr, QStringLiteral("brak pliku")};
    // Never unloaded: Firebird's interfaces live as long as the process.
    QLibrary library(file);
    library.setLoadHints(QLibrary::PreventUnloadHint);
    if (!library.load())
        return {nullptr, QStringLiteral("nie można załadować (%1)").arg(library.errorString())};
    if (QFunctionPointer symbol = library.resolve("fb_get_master_interface"))
        return {std::bit_cast<GetMasterInterface>(symbol), {}};
    library.unload();
    return {nullptr, {}};
}
#endif

QString describe(const ClientLibraryPlace &place, const QString &reason)
{
    if (place.file.isEmpty())
        return QStringLiteral("%1 – %2").arg(place.where, place.note);
    return QStringLiteral("%1: %2 – %3").arg(place.where, QDir::toNativeSeparators(place.file), reason);
}

} // namespace

QList<ClientLibraryPlace> clientLibraryPlaces()
{
    const QString chosen = qEnvironmentVariable("TERVALA_FBCLIENT");
    if (!chosen.isEmpty())
        return {{QStringLiteral("plik wskazany zmienną TERVALA_FBCLIENT"), chosen, {}}};
#ifdef Q_OS_WIN
    const QString key = QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\%1Firebird Project\\Firebird Server\\Instances");
    QList<ClientLibraryPlace> places{registryPlace(key.arg(QString()), QStringLiteral("folder instalacji Firebird"))};
    const ClientLibraryPlace wow32 = registryPlace(key.arg(QStringLiteral("WOW6432Node\\")),
                                                   QStringLiteral("folder 32-bitowej instalacji Firebird"));
    if (!wow32.file.isEmpty())
        places << wow32;
    if (QCoreApplication::instance())
        places << ClientLibraryPlace{
            QStringLiteral("folder programu"), QDir(QCoreApplication::applicationDirPath()).filePath(LibraryName), {}};
    places << ClientLibraryPlace{QStringLiteral("foldery systemowe i zmiennej PATH"), LibraryName, {}};
    return places;
#else
    return {{QStringLiteral("biblioteki systemu"), LibraryName, {}}};
#endif
}

Firebird::IMaster *loadClientLibrary(const QList<ClientLibraryPlace> &places)
{
    QStringList searched;
    for (const ClientLibraryPlace &place : places) {
        if (place.file.isEmpty()) {
            searched << describe(place, {});
            continue;
        }
        const Loaded loaded = loadFrom(place.file);
        if (loaded.getMaster) {
            if (Firebird::IMaster *master = loaded.getMaster())
                return master;
        }
        searched << describe(place, loaded.reason.isEmpty() ? QStringLiteral(
                                        "to nie jest klient Firebird 3 (brak funkcji fb_get_master_interface)")
                                                            : loaded.reason);
    }
#ifdef Q_OS_WIN
    const QString install =
        QStringLiteral("Zainstaluj Firebird 3 w wersji 64-bitowej (wystarczy klient; serwer, z którego "
                       "korzysta program Lokra, też go zawiera) i uruchom program ponownie.");
#else
    const QString install =
        QStringLiteral("Zainstaluj klienta Firebird 3 (pakiet libfbclient2) i uruchom program ponownie.");
#endif
    throw Error(QStringLiteral("Nie znaleziono biblioteki klienta Firebird (%1): bez niej program nie połączy się z "
                               "żadną bazą danych. %2\rSzukano: %3.")
                    .arg(LibraryName, install, searched.join(QStringLiteral("; "))));
}

} // namespace db
