#include "textcodec.h"

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <QStringDecoder>
#include <QStringEncoder>
#endif

#include <stdexcept>

namespace db {

// Qt for Windows is built without ICU, so it has no Windows-1250 converter of its own (its
// "System" one follows the machine's ANSI code page): there the system converts.
#ifdef Q_OS_WIN
namespace {
constexpr UINT CodePage = 1250;

// The bytes of `text`; `usedDefault` tells whether a character had none (it became '?').
QByteArray encode(const QString &text, BOOL *usedDefault)
{
    if (text.isEmpty())
        return {};
    const auto *wide = reinterpret_cast<const wchar_t *>(text.utf16());
    const int length = int(text.size());
    const int size =
        WideCharToMultiByte(CodePage, WC_NO_BEST_FIT_CHARS, wide, length, nullptr, 0, nullptr, usedDefault);
    if (size <= 0)
        throw std::runtime_error("Windows cannot convert text to code page 1250");
    QByteArray bytes(size, Qt::Uninitialized);
    WideCharToMultiByte(CodePage, WC_NO_BEST_FIT_CHARS, wide, length, bytes.data(), size, nullptr, usedDefault);
    return bytes;
}
} // namespace

QByteArray toWin1250(const QString &text)
{
    return encode(text, nullptr);
}

QString fromWin1250(const char *data, qsizetype size)
{
    if (size <= 0)
        return {};
    const int length = MultiByteToWideChar(CodePage, 0, data, int(size), nullptr, 0);
    if (length <= 0)
        throw std::runtime_error("Windows cannot convert text from code page 1250");
    QString text(length, Qt::Uninitialized);
    MultiByteToWideChar(CodePage, 0, data, int(size), reinterpret_cast<wchar_t *>(text.data()), length);
    return text;
}

bool fitsWin1250(const QString &text)
{
    BOOL usedDefault = FALSE;
    const QByteArray bytes = encode(text, &usedDefault);
    return !usedDefault && fromWin1250(bytes) == text;
}
#else
namespace {
constexpr const char *CodePage = "windows-1250";

QStringEncoder encoder(QStringEncoder::Flags flags = QStringEncoder::Flag::Default)
{
    QStringEncoder e(CodePage, flags);
    if (!e.isValid())
        throw std::runtime_error("Qt has no windows-1250 converter (ICU missing)");
    return e;
}
} // namespace

QByteArray toWin1250(const QString &text)
{
    auto e = encoder();
    return e.encode(text);
}

QString fromWin1250(const char *data, qsizetype size)
{
    QStringDecoder d(CodePage);
    if (!d.isValid())
        throw std::runtime_error("Qt has no windows-1250 converter (ICU missing)");
    return d.decode(QByteArrayView(data, size));
}

bool fitsWin1250(const QString &text)
{
    auto e = encoder(QStringEncoder::Flag::Stateless);
    const QByteArray bytes = e.encode(text);
    if (e.hasError())
        return false;
    // Some converters replace silently: a round trip tells for sure.
    return fromWin1250(bytes) == text;
}
#endif

QString fromWin1250(const QByteArray &bytes)
{
    return fromWin1250(bytes.constData(), bytes.size());
}

} // namespace db
