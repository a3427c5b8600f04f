// Notes per second through "blipnote-cli listen" (the note server, each note
// written as a line of JSON), beside a minimal blocking server of the same
// protocol, in a process of its own too, measured in the same run with the same client: the limit
// this machine sets. One note per connection, one connection after the other.
#include "bench/support/load.h"
#include "bench/support/minimal_servers.h"
#include "core/notes/tagged_text.h"
#include "tests/support/loopback.h"

#include <QCoreApplication>

#include <cstdio>
#include <vector>

namespace {

QByteArray NoteOfSize(qsizetype nSize)
{
    const QByteArray strEmpty = TaggedText::Compose({"a", "", "P", "", 0});
    return TaggedText::Compose(
        {"a", QByteArray(std::max<qsizetype>(0, nSize - strEmpty.size()), 'x'), "P", "", 0});
}

double NotesPerSecond(quint16 nPort, const QByteArray& strNote)
{
    const QByteArray strCount = QByteArray::number(strNote.size());
    return PerSecond([&] { return Loopback::Exchange(nPort, strNote) == strCount; },
                     std::chrono::milliseconds(600));
}

} // namespace

int main(int argc, char* argv[])
{
    const CMinimalServer minimal(CMinimalServer::EProtocol::Note);
    QCoreApplication app(argc, argv);
    std::printf("%-14s %22s %22s %8s\n", "note", "blipnote-cli listen", "minimal server", "ratio");
    const CCliServer cli({QStringLiteral("listen")});
    if (cli.Port() == 0) {
        std::fprintf(stderr, "blipnote-cli listen did not come up\n");
        return 1;
    }
    if (minimal.Port() == 0) {
        std::fprintf(stderr, "the minimal server did not come up\n");
        return 1;
    }
    for (const qsizetype nSize : {qsizetype(20), qsizetype(100000)}) {
        const QByteArray strNote = NoteOfSize(nSize);
        // Turn about, so that both meet the same moods of the machine; the
        // median of five rounds each.
        std::vector<double> ours;
        std::vector<double> limit;
        for (int nRound = 0; nRound < 5; ++nRound) {
            ours.push_back(NotesPerSecond(cli.Port(), strNote));
            limit.push_back(NotesPerSecond(minimal.Port(), strNote));
        }
        const double dOurs = Median(ours);
        const double dLimit = Median(limit);
        std::printf("%8lld bytes %16.0f notes/s %16.0f notes/s %8.2f\n",
                    static_cast<long long>(nSize), dOurs, dLimit, dOurs / dLimit);
    }
    return 0;
}
