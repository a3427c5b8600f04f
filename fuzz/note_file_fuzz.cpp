// Feeds arbitrary bytes to the note file readers: the binary record (with its
// three length prefixes and the 16-bit text form) and the text import.
#include "core/notes/note_file.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    const QByteArray data(reinterpret_cast<const char*>(pData), static_cast<qsizetype>(nSize));
    CNoteRecord record;
    if (NoteFile::ReadBinary(data, record)) {
        // What was read writes back to a record that reads the same.
        CNoteRecord again;
        if (!NoteFile::ReadBinary(NoteFile::WriteBinary(record), again) || !(again == record))
            std::abort();
    }
    if (NoteFile::ReadTextBody(data).size() > 2 * data.size() + 2)
        std::abort();
    return 0;
}
