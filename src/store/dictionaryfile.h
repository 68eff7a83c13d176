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

// SLOWNIKI.NAZWA holds this many characters.
inline constexpr qsizetype DictionaryNameLength = 200;

// True when the file's bytes are UTF-8 text: they begin with the UTF-8 byte-order
// mark, or they hold bytes beyond ASCII that are all valid UTF-8. Anything else is
// Windows-1250, the code page in which the dictionary is published (a Windows-1250
// text with Polish letters is almost never valid UTF-8 by chance).
bool isUtf8Dictionary(QByteArrayView contents);

// The lines of a dictionary file's contents. A line ends with CR LF or with LF
// alone; a CR not followed by LF is dropped and does not end the line; the last
// line may lack its end. The text is decoded as isUtf8Dictionary decides, without
// the byte-order mark.
QStringList dictionaryLines(QByteArrayView contents);

// The complete entries, four lines each; one to three lines left after the last
// complete entry are ignored.
QList<DictionaryEntry> dictionaryEntries(const QStringList &lines);

// The name lines, every line whose number counted from 0 is a multiple of 4
// (the name of an incomplete last entry included).
QStringList dictionaryNameLines(const QStringList &lines);

// Why the file cannot replace the dictionary, in Polish with what to do, or an
// empty text when it can: it is no text file, it is empty, it holds no complete
// entry, a number line is no whole number, a name is too long or has a letter the
// database cannot store, or there is no group at all. `lines` are the file's
// dictionaryLines.
QString dictionaryFault(QByteArrayView contents, const QStringList &lines);

// Reads the lines of a dictionary file. Throws std::runtime_error with a Polish
// message when the file cannot be opened or read.
QStringList readDictionaryFile(const QString &path);

} // namespace store
