#include "core/notes/tagged_text.h"

#include "core/text/leading_number.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace TaggedText {
namespace {

constexpr std::array<const char*, 7> kTags = {"/$0", "/$1", "/$2", "/$3", "/$4", "/$5", "/$6"};
constexpr std::array<const char*, 2> kEndSequences = {"/$30/$4", "/$31/$4"};
constexpr qsizetype kTagLength = TagLength;

// Where the needle first occurs from nFrom on, or -1. Searches the way the C
// library does (for the first byte, then the rest), which for a note's few and
// short tags is many times faster than a general substring search.
qsizetype Find(QByteArrayView strText, QByteArrayView needle, qsizetype nFrom = 0)
{
    const std::size_t n =
        std::string_view(strText.data(), static_cast<std::size_t>(strText.size()))
            .find(std::string_view(needle.data(), static_cast<std::size_t>(needle.size())),
                  static_cast<std::size_t>(std::max<qsizetype>(0, nFrom)));
    return n == std::string_view::npos ? -1 : static_cast<qsizetype>(n);
}

// The stretch from nStart up to nEnd, or nothing when it is not at least one byte.
bool TakeField(QByteArrayView strText, qsizetype nStart, qsizetype nEnd, QByteArrayView& out)
{
    if (nStart < 0 || nEnd - nStart < 1)
        return false;
    out = strText.sliced(nStart, nEnd - nStart);
    return true;
}

// Splits off the address suffix that the receiver appends: the last "/$5" before a
// "/$6" that ends the text. Returns the length of the note's own text.
qsizetype SplitAddress(QByteArrayView strText, QByteArrayView& address)
{
    const qsizetype nLen = strText.size();
    if (nLen < 2 * kTagLength || !strText.endsWith(Tag(6)))
        return nLen;
    const qsizetype p5 = strText.first(nLen - kTagLength).lastIndexOf(Tag(5));
    if (p5 < 0)
        return nLen;
    address = strText.sliced(p5 + kTagLength, nLen - kTagLength - (p5 + kTagLength));
    return p5;
}

void ParseTagged(QByteArrayView strOwn, CParsedNoteView& note)
{
    // The first of each tag "/$0" to "/$4", in one pass.
    std::array<qsizetype, 5> p{-1, -1, -1, -1, -1};
    int nMissing = 5;
    for (qsizetype nAt = Find(strOwn, "/$"); nAt >= 0 && nAt + 2 < strOwn.size() && nMissing > 0;
         nAt = Find(strOwn, "/$", nAt + 1)) {
        const int nDigit = strOwn.at(nAt + 2) - '0';
        if (nDigit >= 0 && nDigit < 5 && p[static_cast<std::size_t>(nDigit)] < 0) {
            p[static_cast<std::size_t>(nDigit)] = nAt;
            --nMissing;
        }
    }
    const auto [p0, p1, p2, p3, p4] = p;

    note.nickname = strOwn.first(p0);

    const qsizetype nBodyStart = p0 + kTagLength;
    qsizetype nBodyEnd = strOwn.size();
    if (p1 >= nBodyStart) {
        nBodyEnd = p1;
    } else {
        // No "/$1" after "/$0": the body ends at the next closing tag, if any.
        for (const qsizetype pn : {p2, p3, p4}) {
            if (pn >= nBodyStart && pn < nBodyEnd)
                nBodyEnd = pn;
        }
    }
    note.body = strOwn.sliced(nBodyStart, nBodyEnd - nBodyStart);

    if (!(p1 > p0 && TakeField(strOwn, p1 + kTagLength, p2, note.system)))
        note.system = "unknown";
    if (!(p2 > p1 && TakeField(strOwn, p2 + kTagLength, p3, note.title)))
        note.title = QByteArrayView();
    QByteArrayView priority;
    if (p3 > p2 && TakeField(strOwn, p3 + kTagLength, p4, priority))
        note.nPriority = ParseLeadingNumber(priority.toByteArray());
}

void ParseUntagged(QByteArrayView strOwn, CParsedNoteView& note)
{
    const qsizetype c = Find(strOwn, "$");
    if (c >= 1) {
        // The byte before "$" is dropped: "name:$text" gives the name without colon.
        note.nickname = strOwn.first(c - 1);
        note.body = strOwn.sliced(c + 1);
    } else {
        note.nickname = "unknown";
        note.body = strOwn;
    }
    note.system = "unknown";
}

} // namespace

QByteArray Tag(int n)
{
    // A note's own tags cost no allocation: every note is composed and read with them.
    if (n >= 0 && n < static_cast<int>(kTags.size()))
        return QByteArray::fromRawData(kTags[static_cast<std::size_t>(n)], kTagLength);
    return "/$" + QByteArray::number(n);
}

QByteArray Compose(const CComposeFields& fields)
{
    QByteArray strText;
    strText.reserve(fields.strNickname.size() + fields.strBody.size() + fields.strSystem.size() +
                    fields.strTitle.size() + 5 * kTagLength + 11);
    strText.append(fields.strNickname).append(Tag(0));
    strText.append(fields.strBody).append(Tag(1));
    strText.append(fields.strSystem).append(Tag(2));
    strText.append(fields.strTitle).append(Tag(3));
    strText.append(QByteArray::number(fields.nPriority)).append(Tag(4));
    return strText;
}

QByteArray AddressSuffix(const QByteArray& strAddress)
{
    return Tag(5) + strAddress + Tag(6);
}

QByteArray ComposeWithAddress(const CComposeFields& fields, const QByteArray& strAddress)
{
    return Compose(fields) + AddressSuffix(strAddress);
}

qsizetype FindEndSequence(const QByteArray& strText, qsizetype nFrom)
{
    // Both sequences begin with "/$3": find that, then look at what follows.
    for (qsizetype p = Find(strText, "/$3", nFrom); p >= 0; p = Find(strText, "/$3", p + 1)) {
        const std::string_view rest(strText.constData() + p,
                                    static_cast<std::size_t>(strText.size() - p));
        if (rest.starts_with(kEndSequences[0]) || rest.starts_with(kEndSequences[1]))
            return p;
    }
    return -1;
}

qint32 AlertPriority(const QByteArray& strText)
{
    const qsizetype p4 = Find(strText, Tag(4));
    return p4 >= 1 ? ParseLeadingNumber(strText.mid(p4 - 1, 1)) : 0;
}

CParsedNoteView ParseView(QByteArrayView strText)
{
    CParsedNoteView note;
    const qsizetype nOwnLength = SplitAddress(strText, note.address);
    const QByteArrayView strOwn = strText.first(nOwnLength);
    if (Find(strOwn, Tag(0)) >= 1)
        ParseTagged(strOwn, note);
    else
        ParseUntagged(strOwn, note);
    return note;
}

CParsedNote Parse(const QByteArray& strText)
{
    const CParsedNoteView view = ParseView(strText);
    return {view.nickname.toByteArray(), view.body.toByteArray(),    view.system.toByteArray(),
            view.title.toByteArray(),    view.address.toByteArray(), view.nPriority};
}

QByteArray TrimNickname(const QByteArray& strNickname)
{
    return strNickname.trimmed();
}

bool TitleReplacesDefault(const QByteArray& strTitle)
{
    return !strTitle.isEmpty() && !strTitle.startsWith("MessageOut") && strTitle != "subject";
}

} // namespace TaggedText
