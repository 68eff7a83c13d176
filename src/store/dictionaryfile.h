#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

namespace store {

// One entry of the component dictionary file: four lines, handed to SLOWNIKI as
// they stand (the database converts the three number lines itself).
struct DictionaryEntry
{
    QString name;   // NAZWA, unchanged, spaces included
    QString kod;    // KOD
    QString grupa;  // GRUPA: 0 for a group, else the parent's KOD
    QString rodzaj; // RODZAJ
    bool operator==(const DictionaryEntry &) const = default;
};

// The lines of a dictionary file's contents. A line ends with CR LF or with LF
// alone; a CR not followed by LF is dropped and does not end the line; the last
// line may lack its end. The bytes are Windows-1250 text.
QStringList dictionaryLines(QByteArrayView contents);

// The complete entries, four lines each; one to three lines left after the last
// complete entry are ignored.
QList<DictionaryEntry> dictionaryEntries(const QStringList &lines);

// The name lines, every line whose number counted from 0 is a multiple of 4
// (the name of an incomplete last entry included).
QStringList dictionaryNameLines(const QStringList &lines);

// Reads the lines of a dictionary file. Throws std::runtime_error with a Polish
// message when the file cannot be opened or read.
QStringList readDictionaryFile(const QString &path);

} // namespace store
