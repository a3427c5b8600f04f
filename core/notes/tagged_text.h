#pragma once

#include "core/notes/note_record.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

// The tagged note text: the wire form of a note and the form in which note data
// is handed to a new note document. Seven three-byte tags "/$0" to "/$6" each
// close the field before them:
//
//   nickname /$0 body /$1 system /$2 title /$3 priority /$4 [ /$5 address /$6 ]
//
// The part in brackets never travels: the receiver appends it with the peer's
// address, and replies built inside the program carry it too.
namespace TaggedText {

struct CComposeFields
{
    QByteArray strNickname;
    QByteArray strBody;
    QByteArray strSystem;
    QByteArray strTitle;
    qint32 nPriority = 0;
};

// What parsing yields: the note fields and the title carried in the text.
struct CParsedNote
{
    QByteArray strNickname;
    QByteArray strBody;
    QByteArray strSystem;
    QByteArray strTitle;
    QByteArray strAddress;
    qint32 nPriority = 0;
};

// The same fields as views into the parsed text (or into constant texts): what
// reads a note once and lets it go takes them without copying the body.
struct CParsedNoteView
{
    QByteArrayView nickname;
    QByteArrayView body;
    QByteArrayView system;
    QByteArrayView title;
    QByteArrayView address;
    qint32 nPriority = 0;
};

// The tag "/$n": field n of a note, 0 to 6, closes with "/$0" ... "/$6"; an
// address of a recipient list with the tag of its own number, "/$0" onwards.
QByteArray Tag(int n);
// The length of a note's tags.
inline constexpr qsizetype TagLength = 3;
// The two sequences that end a note on the wire ("/$30/$4" and "/$31/$4"): the
// title's tag, a priority digit 0 or 1, the priority's tag.
inline constexpr qsizetype EndSequenceLength = 7;

QByteArray Compose(const CComposeFields& fields);
QByteArray ComposeWithAddress(const CComposeFields& fields, const QByteArray& strAddress);

// The address suffix "/$5" + address + "/$6" that the receiver appends.
QByteArray AddressSuffix(const QByteArray& strAddress);

// The position of the first end sequence at or after nFrom, or -1.
qsizetype FindEndSequence(const QByteArray& strText, qsizetype nFrom = 0);

// Reads a tagged or untagged text; never fails. The nickname is returned as it
// stands (see TrimNickname).
//
// The address comes only from the suffix at the very end of the text: the last
// "/$5" before a closing "/$6" that ends the text. Whatever stands before it is the
// note's own text, in which a sender may have written any tag sequence without
// being able to choose the address.
//
// Fields the rules leave open are read as follows: an empty body field is an
// empty body; when "/$1" is missing (or stands before "/$0") the body runs to the
// next "/$2", "/$3" or "/$4" after "/$0", else to the end of the note's own text.
CParsedNote Parse(const QByteArray& strText);
// As Parse, the fields valid while strText lives.
CParsedNoteView ParseView(QByteArrayView strText);

// The priority an arriving note is announced with: the leading number of the one
// character just before the first "/$4", 0 when that tag is missing or stands at
// the very start. (Parse reads the whole priority field instead.)
qint32 AlertPriority(const QByteArray& strText);

// The nickname as a note document keeps it: without leading and trailing blanks.
QByteArray TrimNickname(const QByteArray& strNickname);

// Whether a parsed title replaces the document's default title. Titles that a
// sender never changed ("MessageOut..." or "subject"), and empty titles, keep it.
bool TitleReplacesDefault(const QByteArray& strTitle);

} // namespace TaggedText
