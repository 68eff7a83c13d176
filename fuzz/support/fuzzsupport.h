#pragma once

// Shared by the fuzz targets: the Qt application object some sources expect, and
// a check that stops the run with a readable report when a property breaks.
#include <QByteArray>
#include <QCoreApplication>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace fuzz {

// A QCoreApplication for the whole run (applicationDirPath, codecs).
inline void ensureApplication()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication *app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)app;
}

[[noreturn]] inline void broken(const char *property, const QString &detail)
{
    std::fprintf(stderr, "PROPERTY BROKEN: %s\n%s\n", property, detail.toUtf8().constData());
    std::abort();
}

#define FUZZ_CHECK(condition, detail)                                                                                  \
    do {                                                                                                               \
        if (!(condition))                                                                                              \
            ::fuzz::broken(#condition, (detail));                                                                      \
    } while (0)

// Splits the input at NUL bytes into at most `count` parts (the last takes the rest);
// missing parts are empty. Lets one input carry several texts.
inline QList<QByteArray> parts(const uint8_t *data, size_t size, int count)
{
    QList<QByteArray> out;
    const QByteArray all(reinterpret_cast<const char *>(data), qsizetype(size));
    qsizetype start = 0;
    for (int i = 0; i < count - 1; ++i) {
        const qsizetype nul = all.indexOf('\0', start);
        if (nul < 0)
            break;
        out << all.mid(start, nul - start);
        start = nul + 1;
    }
    out << all.mid(start);
    while (out.size() < count)
        out << QByteArray();
    return out;
}

// Outside text as a QString: UTF-8 with invalid sequences kept as U+FFFD, so that
// any byte sequence makes some text (lone surrogates come from the UTF-16 form).
inline QString text(const QByteArray &bytes)
{
    if (bytes.startsWith("\xFF\xFE")) {
        // The rest as raw UTF-16: reaches unpaired surrogates and U+FFFE/U+FFFF.
        const qsizetype n = (bytes.size() - 2) / 2;
        QString out(n, Qt::Uninitialized);
        std::memcpy(out.data(), bytes.constData() + 2, size_t(n) * 2);
        return out;
    }
    return QString::fromUtf8(bytes);
}

} // namespace fuzz
