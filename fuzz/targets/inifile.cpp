// TV.ini as the start-up task reads it: IniFile::parse, the two databases'
// settings and the update server. Whatever the file holds, a line the fuzzer did
// not write keeps its meaning: a key before the input is found (the first
// occurrence wins), a section after it is found unless the input names it too.
#include "common/inifile.h"
#include "fuzzsupport.h"
#include "store/datamodule.h"
#include "workflow/onlinecheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::ensureApplication();
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const IniFile ini = IniFile::parse(input);

    const store::DatabaseSettings ksu = store::reportingDatabaseSettings(ini);
    const store::DatabaseSettings lokra = store::lokraDatabaseSettings(ini);
    for (const QString &v : {ksu.host, ksu.path, ksu.user, ksu.password, lokra.host, lokra.path})
        FUZZ_CHECK(!v.contains(u'\n'), QStringLiteral("a value spans lines: ") + v);
    const QString server = online::updateServer(ini);
    // Empty when TV.ini names no server: then nothing is checked online.
    FUZZ_CHECK(!server.endsWith(u'/'), server);

    // Names match without regard to case.
    FUZZ_CHECK(ini.value(QStringLiteral("SETTINGS"), QStringLiteral("PATH_KSU"))
                   == ini.value(QStringLiteral("settings"), QStringLiteral("path_ksu")),
               QStringLiteral("case of names"));

    // The same bytes behind a key of our own and before a section of our own: the
    // input decodes the same way (an ASCII frame), so both must be found.
    const QByteArray framed =
        QByteArray("[FuzzStart]\r\nKey = \"  first  \"\r\n") + input + QByteArray("\n[FuzzEnd]\nLast=tail \r\n");
    const IniFile both = IniFile::parse(framed);
    FUZZ_CHECK(both.value(QStringLiteral("fuzzstart"), QStringLiteral("KEY")) == QStringLiteral("  first  "),
               both.value(QStringLiteral("fuzzstart"), QStringLiteral("KEY"), QStringLiteral("<none>")));
    if (!input.toLower().contains("fuzzend"))
        FUZZ_CHECK(both.value(QStringLiteral("FuzzEnd"), QStringLiteral("last")) == QStringLiteral("tail"),
                   both.value(QStringLiteral("FuzzEnd"), QStringLiteral("last"), QStringLiteral("<none>")));
    return 0;
}
