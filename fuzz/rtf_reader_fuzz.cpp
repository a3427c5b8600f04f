// Feeds arbitrary bytes to the rich-text reader: it must return, without
// crashing, a text no longer than its input.
#include "core/text/rtf_reader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    const QByteArray data(reinterpret_cast<const char*>(pData), static_cast<qsizetype>(nSize));
    if (RtfReader::Read(data).PlainText().size() > data.size())
        std::abort();
    return 0;
}
