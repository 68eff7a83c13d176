#pragma once

#include <QString>

class Messages;
namespace db {
class Connection;
}

namespace import {

enum class LokraVersionVerdict { Recent, TooOld };

// The rule on FIRMA.wersja: the number N of its first two digits must be at least
// 17, or 16 with one of P..Z third from the end. Throws db::Error when the text
// has no digit at all.
LokraVersionVerdict judgeLokraVersion(const QString &version);

// FIRMA.wersja of the Lokra database; empty when FIRMA has no row.
QString readLokraVersion(db::Connection &lokra);

// Reads the Lokra version and warns when it is too old; true when it warned.
bool CheckLoanSystemVersion(db::Connection &lokra, Messages &messages);

} // namespace import
