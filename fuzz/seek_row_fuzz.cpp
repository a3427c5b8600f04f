// Feeds an arbitrary finger reply to the Seeker's row: no value holds a byte
// below 32, none has blanks around it, and none is longer than the reply.
#include "core/finger/seek_row.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace std::chrono_literals;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    const QByteArrayView reply(reinterpret_cast<const char*>(pData), static_cast<qsizetype>(nSize));
    const SeekRow::CRow row = SeekRow::Make({"127.0.0.1", "ann"}, false, 1ms, reply);
    for (const QByteArray* pValue :
         {&row.strUser, &row.strSystem, &row.strPlatform, &row.strUptime, &row.strLocaltime}) {
        if (*pValue == "???")
            continue;
        if (pValue->size() > reply.size() || *pValue != pValue->trimmed())
            std::abort();
        for (const char c : *pValue) {
            if (static_cast<unsigned char>(c) < 32)
                std::abort();
        }
    }
    if ((row.eKind == SeekRow::EKind::Up) != (reply.indexOf("System:") > 0))
        std::abort();
    return 0;
}
