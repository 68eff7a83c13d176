#include "loanclassification.h"

namespace import {

std::optional<qint64> wholeNumber(const db::Value &v)
{
    if (v.kind() != db::Value::Kind::Scaled)
        return std::nullopt;
    const qint64 n = v.toInt();
    if (v.toString() != QString::number(n))
        return std::nullopt;
    return n;
}

void PkdEntries::add(const db::Value &klient, const db::Value &podklasa, const db::Value &dzial,
                     const db::Value &glowny)
{
    if (klient.isNull())
        return; // the client has no entry: the lookup finds no row
    if (!glowny.isNull() && !wholeNumber(glowny)) {
        m_comparable = false;
        return;
    }
    const std::optional<qint64> rank = glowny.isNull() ? std::nullopt : wholeNumber(glowny);
    const MainPkd entry{podklasa.toString(), dzial.toString()};
    if (!m_first || rank > m_rank) { // std::optional orders nothing before any number
        m_first = entry;
        m_rank = rank;
        m_alike = true;
    } else if (rank == m_rank) {
        m_alike = m_alike && entry == *m_first;
    }
}

std::optional<MainPkd> PkdEntries::answer() const
{
    if (!m_comparable || !m_alike)
        return std::nullopt;
    return m_first ? *m_first : MainPkd{};
}

int sectorCode(const QString &podklasa, const QString &dzial)
{
    QString digits;
    if (!dzial.isEmpty()) {
        digits = dzial + u'0';
    } else {
        for (QChar c : podklasa) {
            if (c >= u'0' && c <= u'9')
                digits += c;
        }
    }
    bool ok = false;
    const int code = digits.left(3).toInt(&ok);
    return ok ? code : 0;
}

QString clientKindText(qint64 ru)
{
    switch (ru) {
    case 0:
        return QStringLiteral("NN");
    case 1:
        return QStringLiteral("Nowa");
    case 2:
        return QStringLiteral("Wznowiono");
    case 3:
        return QStringLiteral("Refinansowana");
    case 4:
        return QStringLiteral("Kolejna");
    default:
        return QStringLiteral("Nieokreślono");
    }
}

} // namespace import
