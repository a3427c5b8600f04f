// The history at the size years of use make it: notes per second through
// "blipnote-cli listen --history" beside "blipnote-cli listen", searches over a
// million kept notes, the History window opened on them, and the room they take
// and the time they took to build. Everything lives in folders of its own.
#include "bench/support/desktop_stand_ins.h"
#include "bench/support/load.h"
#include "core/documents/doc_context.h"
#include "core/documents/doc_manager.h"
#include "core/history/history_database.h"
#include "core/history/history_recorder.h"
#include "core/history/history_store.h"
#include "core/notes/tagged_text.h"
#include "desktop/history/history_window.h"
#include "tests/support/loopback.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>
#include <QWindow>

#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <random>
#include <vector>

namespace {

double Ms(qint64 nNanoseconds)
{
    return static_cast<double>(nNanoseconds) / 1e6;
}

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

void CompareListeners()
{
    // The listener's history goes into a data folder of its own, gone afterwards.
    const QTemporaryDir data;
    const QByteArray strDataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    const CCliServer plain({QStringLiteral("listen")});
    const CCliServer kept({QStringLiteral("listen"), QStringLiteral("--history")});
    qputenv("XDG_DATA_HOME", strDataHome);
    if (plain.Port() == 0 || kept.Port() == 0) {
        std::printf("blipnote-cli listen did not come up\n");
        return;
    }
    std::printf("%-14s %22s %22s %8s\n", "note", "listen --history", "listen", "ratio");
    for (const qsizetype nSize : {qsizetype(20), qsizetype(100000)}) {
        const QByteArray strNote = NoteOfSize(nSize);
        std::vector<double> withHistory;
        std::vector<double> without;
        // Turn about, so that both meet the same moods of the machine.
        for (int nRound = 0; nRound < 5; ++nRound) {
            withHistory.push_back(NotesPerSecond(kept.Port(), strNote));
            without.push_back(NotesPerSecond(plain.Port(), strNote));
        }
        const double dKept = Median(withHistory);
        const double dPlain = Median(without);
        std::printf("%8lld bytes %16.0f notes/s %16.0f notes/s %8.2f\n",
                    static_cast<long long>(nSize), dKept, dPlain, dKept / dPlain);
    }
}

// Received notes as a workplace sends them: a few senders write most of them,
// and a few words make up most of every text (ranks drawn evenly on a log
// scale, roughly as word frequencies go), with thousands of rare ones.
class CNoteMaker
{
public:
    CNoteMaker()
    {
        m_words = QByteArray("the you and meeting is to lunch for it we today can please on coffee"
                             " call thanks room printer tomorrow server back file soon now will"
                             " see done later build release report lunar review deploy")
                      .split(' ');
        const QList<QByteArray> syllables =
            QByteArray("ba ko mi ter lun dra sel vor pen qui to ra shi gor na el fu zan mo ket"
                       " li ber cas tu")
                .split(' ');
        for (int n = 0; m_words.size() < 6000; ++n) {
            QByteArray strWord;
            for (int nLeft = n; nLeft > 0 || strWord.size() < 4; nLeft /= 24)
                strWord += syllables[nLeft % 24];
            m_words.append(strWord);
        }
        for (int n = 0; n < 300; ++n) {
            m_nicknames.append(m_words[35 + n * 17] + QByteArray::number(n % 7));
            m_hosts.append("127.0." + QByteArray::number(n / 200) + '.' +
                           QByteArray::number(n % 200 + 2));
        }
    }

    const QByteArray& Word(int nRank) const { return m_words[nRank]; }
    const QByteArray& Host(int nRank) const { return m_hosts[nRank]; }

    QByteArray Next()
    {
        const qsizetype nSender = Pick(m_hosts.size());
        QByteArray strBody;
        const int nLength = std::uniform_int_distribution<int>(20, 300)(m_random);
        for (int nWords = 1; strBody.size() < nLength; ++nWords) {
            strBody += m_words[Pick(m_words.size())];
            strBody += nWords % 13 == 0 ? "\r\n" : " ";
        }
        QByteArray strTitle;
        if (m_random() % 10 < 3)
            strTitle = m_words[Pick(m_words.size())] + ' ' + m_words[Pick(m_words.size())];
        return TaggedText::ComposeWithAddress({m_nicknames[nSender], strBody.trimmed(),
                                               "pc-" + QByteArray::number(nSender), strTitle,
                                               m_random() % 20 == 0 ? 1 : 0},
                                              m_hosts[nSender]);
    }

private:
    qsizetype Pick(qsizetype nCount)
    {
        const double dAt = std::uniform_real_distribution<double>(
            0, std::log(static_cast<double>(nCount + 1)))(m_random);
        return std::min(nCount - 1, static_cast<qsizetype>(std::exp(dAt)) - 1);
    }

    std::mt19937 m_random{20260107};
    QList<QByteArray> m_words;
    QList<QByteArray> m_nicknames;
    QList<QByteArray> m_hosts;
};

qint64 CountOf(const QSqlDatabase& connection, const QString& strSql, const QString& strMatch = {})
{
    QSqlQuery query(connection);
    query.prepare(strSql);
    if (!strMatch.isEmpty())
        query.addBindValue(strMatch);
    return query.exec() && query.next() ? query.value(0).toLongLong() : -1;
}

void PrintRate(const char* pszWhat, qint64 nNotes, const QElapsedTimer& timer)
{
    if (nNotes > 0)
        std::printf("%s %lld notes: %.1f s, %.0f notes/s\n", pszWhat,
                    static_cast<long long>(nNotes), Ms(timer.nsecsElapsed()) / 1e3,
                    static_cast<double>(nNotes) * 1e9 / static_cast<double>(timer.nsecsElapsed()));
}

// Adds notes until the file holds nNotes, and indexes them all.
bool Build(CHistoryDatabase& database, CHistoryStore& store, CNoteMaker& maker, qint64 nNotes)
{
    const qint64 nHad =
        CountOf(database.Connection(), QStringLiteral("SELECT count(*) FROM notes"));
    QString strError;
    qint64 nTime = QDateTime(QDate(2023, 1, 9), QTime(8, 0)).toMSecsSinceEpoch();
    QElapsedTimer timer;
    timer.start();
    for (qint64 nDone = nHad; nDone < nNotes;) {
        if (!store.Begin(&strError))
            break;
        for (const qint64 nEnd = std::min(nNotes, nDone + 10000); nDone < nEnd; ++nDone) {
            nTime += 1000 + static_cast<qint64>(nDone * 7919 % 120000);
            const QByteArray strText = maker.Next();
            if (store.RecordReceived(strText, strText.size(), nTime, &strError) == 0)
                break;
        }
        if (!store.Commit(&strError) || !strError.isEmpty())
            break;
    }
    if (!strError.isEmpty()) {
        std::printf("recording failed: %s\n", qPrintable(strError));
        return false;
    }
    PrintRate("recorded (10,000 a transaction)", nNotes - nHad, timer);
    // In batches as Find takes them.
    timer.restart();
    const qint64 nPending = CountOf(
        database.Connection(), QStringLiteral("SELECT count(*) FROM notes WHERE id >"
                                              " (SELECT value FROM state WHERE key = 'indexed')"));
    qint64 nLeft = nPending;
    while (nLeft > 0)
        nLeft = store.IndexPending(10000, &strError);
    if (nLeft < 0) {
        std::printf("indexing failed: %s\n", qPrintable(strError));
        return false;
    }
    PrintRate("indexed", nPending, timer);
    return true;
}

void TimeSearches(CHistoryDatabase& database, CHistoryStore& store, const CNoteMaker& maker)
{
    const auto filterOf = [](const QByteArray& strSearch, const QByteArray& strHost = {}) {
        CHistoryFilter filter;
        filter.strSearch = QString::fromLatin1(strSearch);
        filter.strHost = strHost;
        filter.nLimit = 200;
        return filter;
    };
    QString strError;
    const std::optional<std::vector<CHistoryRow>> first = store.Find(filterOf({}), &strError);
    CHistoryFilter next = filterOf({});
    next.nBeforeId = first && !first->empty() ? first->back().nId : 0;
    const std::vector<std::pair<const char*, CHistoryFilter>> searches = {
        {"a common word", filterOf(maker.Word(3))},
        {"a rare word", filterOf(maker.Word(5990))},
        {"two words", filterOf(maker.Word(20) + ' ' + maker.Word(200))},
        {"a prefix", filterOf("lun")},
        {"a word and a host", filterOf(maker.Word(3), maker.Host(40))},
        {"a host alone", filterOf({}, maker.Host(40))},
        {"a host without notes", filterOf({}, "127.9.9.9")},
        {"the first page", filterOf({})},
        {"the next page", next},
    };
    std::printf("%-20s %-22s %10s %6s %9s\n", "search (200 at most)", "text", "matches", "rows",
                "median");
    for (const auto& [pszName, filter] : searches) {
        // What the search matches in all, as a measure of its work.
        const QString strMatch = CHistoryStore::MatchExpression(filter.strSearch);
        const QString strCount = QStringLiteral("SELECT count(*) FROM notes_text WHERE notes_text"
                                                " MATCH ?");
        const qint64 nMatches =
            strMatch.isEmpty() ? -1 : CountOf(database.Connection(), strCount, strMatch);
        std::vector<double> times;
        std::size_t nRows = 0;
        for (int nRun = 0; nRun < 7; ++nRun) {
            QElapsedTimer timer;
            timer.start();
            const std::optional<std::vector<CHistoryRow>> rows = store.Find(filter, &strError);
            times.push_back(Ms(timer.nsecsElapsed()));
            nRows = rows ? rows->size() : 0;
        }
        const QByteArray strText =
            filter.strSearch.toLatin1() + (filter.strHost.isEmpty() ? "" : " @" + filter.strHost);
        std::printf("%-20s %-22s %10lld %6zu %6.2f ms\n", pszName, strText.constData(),
                    static_cast<long long>(nMatches), nRows, Median(times));
    }
}

void TimeWindow(const QString& strPath)
{
    CHistoryRecorder history(strPath);
    QString strError;
    if (!history.Open(&strError)) {
        std::printf("the history cannot be opened: %s\n", qPrintable(strError));
        return;
    }
    CDocContext context;
    CDocManager documents(context);
    CQuietPrompts prompts;
    std::vector<double> times;
    for (int nRun = 0; nRun < 5; ++nRun) {
        QElapsedTimer timer;
        timer.start();
        auto pWindow = std::make_unique<CHistoryWindow>(history, documents, prompts);
        pWindow->show();
        while (!pWindow->windowHandle() || !pWindow->windowHandle()->isExposed())
            QApplication::processEvents();
        QApplication::processEvents(); // its first paint
        times.push_back(Ms(timer.nsecsElapsed()));
        pWindow.reset();
        QApplication::processEvents();
    }
    std::printf("History window opened and drawn: %.1f ms median (first %.1f ms)\n", Median(times),
                times.front());
}

} // namespace

int main(int argc, char* argv[])
{
    // Nothing of the user's: settings and data in a folder of the run's own.
    const QTemporaryDir root;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(root.filePath(QStringLiteral("data"))));
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const qint64 nNotes = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1000000;
    QApplication app(argc, argv);

    CompareListeners();

    // BLIPNOTE_HISTORY_BENCH_DB keeps the built file for the next run.
    const QString strPath = qEnvironmentVariableIsSet("BLIPNOTE_HISTORY_BENCH_DB")
                                ? qEnvironmentVariable("BLIPNOTE_HISTORY_BENCH_DB")
                                : root.filePath(QStringLiteral("history.db"));
    {
        CHistoryDatabase database(strPath);
        QString strError;
        if (!database.Open(nullptr, &strError)) {
            std::printf("%s\n", qPrintable(strError));
            return 1;
        }
        CHistoryStore store(database);
        CNoteMaker maker;
        if (!Build(database, store, maker, nNotes))
            return 1;
        const qint64 nKept =
            CountOf(database.Connection(), QStringLiteral("SELECT count(*) FROM notes"));
        QSqlQuery(database.Connection()).exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        const qint64 nFile =
            QFileInfo(strPath).size() + QFileInfo(strPath + QStringLiteral("-wal")).size();
        std::printf("%lld notes kept: file %.0f MB, %.0f bytes a note\n",
                    static_cast<long long>(nKept), static_cast<double>(nFile) / 1e6,
                    static_cast<double>(nFile) / static_cast<double>(std::max<qint64>(1, nKept)));
        TimeSearches(database, store, maker);
    }
    TimeWindow(strPath);
    return 0;
}
