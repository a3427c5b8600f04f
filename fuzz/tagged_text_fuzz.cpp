// Feeds arbitrary bytes to the readers of received notes: the note text parser,
// the receive buffer (the input cut into reads at the positions its first byte
// chooses), and the acknowledgement reader.
#include "core/notes/acknowledgement.h"
#include "core/notes/note_receive_buffer.h"
#include "core/notes/tagged_text.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    const QByteArray strInput(reinterpret_cast<const char*>(pData), static_cast<qsizetype>(nSize));

    const TaggedText::CParsedNote note = TaggedText::Parse(strInput);
    if (note.strBody.size() > strInput.size() || note.strAddress.size() > strInput.size())
        std::abort();
    TaggedText::TrimNickname(note.strNickname);
    TaggedText::TitleReplacesDefault(note.strTitle);

    const qsizetype nStep = nSize > 0 ? 1 + pData[0] % 64 : 1;
    CNoteReceiveBuffer buffer(4096);
    for (qsizetype nAt = 0; nAt < strInput.size() && !buffer.IsDone(); nAt += nStep)
        buffer.AppendRead(strInput.constData() + nAt, std::min(nStep, strInput.size() - nAt));
    if (buffer.Text().size() > buffer.Total())
        std::abort();

    Acknowledgement::Parse(strInput);
    return 0;
}
