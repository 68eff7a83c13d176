#include "textcodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <stdexcept>

namespace db {

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

QString fromWin1250(const QByteArray &bytes)
{
    return fromWin1250(bytes.constData(), bytes.size());
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

} // namespace db
