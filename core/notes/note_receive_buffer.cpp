#include "core/notes/note_receive_buffer.h"

#include "core/notes/note_limits.h"
#include "core/notes/tagged_text.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// "/$5", the longest IPv6 address text, "/$6".
constexpr qsizetype kAddressRoom = 64;

} // namespace

CNoteReceiveBuffer::CNoteReceiveBuffer(qsizetype nSizeLimit) : m_nSizeLimit(nSizeLimit) {}

bool CNoteReceiveBuffer::AppendRead(const char* pData, qsizetype nLength)
{
    if (m_bDone || nLength <= 0)
        return m_bDone;
    std::memcpy(Room(nLength), pData, static_cast<std::size_t>(nLength));
    return Took(nLength);
}

char* CNoteReceiveBuffer::Room(qsizetype nMax)
{
    m_nRoomAt = m_strText.size();
    if (m_nRoomAt > 0 && m_strText.capacity() - m_nRoomAt < nMax) {
        // A note that outgrows its first read gets room for the largest at
        // once (its last read may pass the limit, and the receiver appends the
        // address): growing step by step would copy it over and over.
        m_strText.reserve(std::max(m_nRoomAt, m_nSizeLimit) + NoteLimits::ReadChunkSize +
                          kAddressRoom);
    }
    m_strText.resize(m_nRoomAt + nMax);
    return m_strText.data() + m_nRoomAt;
}

bool CNoteReceiveBuffer::Took(qsizetype nLength)
{
    const qsizetype nTaken = std::max<qsizetype>(0, nLength);
    m_strText.truncate(m_nRoomAt + nTaken);
    if (m_bDone || nTaken == 0)
        return m_bDone;
    m_nTotal += nTaken;
    m_bDone = CheckDone() || m_nTotal >= m_nSizeLimit;
    return m_bDone;
}

bool CNoteReceiveBuffer::CheckDone()
{
    // A sequence may straddle two reads: start a little before the new bytes.
    const qsizetype nFrom =
        std::max<qsizetype>(0, m_nScanned - (TaggedText::EndSequenceLength - 1));
    const qsizetype nTagFrom = std::max<qsizetype>(0, m_nScanned - (TaggedText::TagLength - 1));
    m_nScanned = m_strText.size();

    if (m_nFirstTag < 0)
        m_nFirstTag = m_strText.indexOf(TaggedText::Tag(0), nTagFrom);
    // An untagged text (no "/$0", or one at the very start) is read in one piece.
    if (m_nFirstTag <= 0)
        return true;
    return TaggedText::FindEndSequence(m_strText, nFrom) >= 0;
}

QByteArray CNoteReceiveBuffer::TakeText()
{
    return std::exchange(m_strText, QByteArray());
}
