#include "core/messaging/note_receive_buffer.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {
constexpr qsizetype kEndSequenceLength = 7; // "/$30/$4"
constexpr qsizetype kTagLength = 3;         // "/$0"
} // namespace

CNoteReceiveBuffer::CNoteReceiveBuffer(qsizetype nSizeLimit) : m_nSizeLimit(nSizeLimit) {}

bool CNoteReceiveBuffer::AppendRead(const char* pData, qsizetype nLength)
{
    if (m_bDone || nLength <= 0)
        return m_bDone;
    m_nTotal += nLength;
    const void* pZero = std::memchr(pData, 0, static_cast<std::size_t>(nLength));
    const qsizetype nText = pZero ? static_cast<const char*>(pZero) - pData : nLength;
    m_strText.append(pData, nText);
    m_bDone = CheckDone() || m_nTotal >= m_nSizeLimit;
    return m_bDone;
}

bool CNoteReceiveBuffer::CheckDone()
{
    // A sequence may straddle two reads: start a little before the new bytes.
    const qsizetype nFrom = std::max<qsizetype>(0, m_nScanned - (kEndSequenceLength - 1));
    const qsizetype nTagFrom = std::max<qsizetype>(0, m_nScanned - (kTagLength - 1));
    m_nScanned = m_strText.size();

    if (m_nFirstTag < 0)
        m_nFirstTag = m_strText.indexOf("/$0", nTagFrom);
    // An untagged text (no "/$0", or one at the very start) is read in one piece.
    if (m_nFirstTag <= 0)
        return true;
    return m_strText.indexOf("/$30/$4", nFrom) >= 0 || m_strText.indexOf("/$31/$4", nFrom) >= 0;
}

QByteArray CNoteReceiveBuffer::TakeText()
{
    return std::exchange(m_strText, QByteArray());
}
