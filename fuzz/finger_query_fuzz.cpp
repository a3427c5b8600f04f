// Feeds arbitrary bytes to the finger query reader, cut into reads at the
// positions the first byte chooses: the query text never outgrows its bound and
// holds only name characters.
#include "core/finger/finger_query.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    const auto* pBytes = reinterpret_cast<const char*>(pData);
    const qsizetype nLength = static_cast<qsizetype>(nSize);
    const qsizetype nStep = nSize > 0 ? 1 + pData[0] % 32 : 1;
    CFingerQueryReader reader;
    for (qsizetype nAt = 0; nAt < nLength; nAt += nStep) {
        if (reader.AppendRead(pBytes + nAt, std::min(nStep, nLength - nAt)))
            break;
    }
    const QByteArray& strQuery = reader.QueryText();
    if (strQuery.size() > CFingerQueryReader::MaxQueryLength)
        std::abort();
    for (const char c : strQuery) {
        if (!CFingerQueryReader::IsNameCharacter(static_cast<unsigned char>(c)))
            std::abort();
    }
    return 0;
}
