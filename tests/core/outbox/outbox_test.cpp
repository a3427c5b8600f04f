#include "core/history/history_database.h"
#include "core/history/history_store.h"
#include "core/messaging/note_listen_socket.h"
#include "core/notes/recipient_list.h"
#include "core/notes/sendable_note.h"
#include "core/notes/tagged_text.h"
#include "core/outbox/outbox.h"
#include "tests/support/event_log.h"
#include "tests/support/event_loop.h"
#include "tests/support/loopback.h"
#include "tests/support/recording_status_sink.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

const QByteArray kText =
    TaggedText::Compose({"ann", "Lunch at one?\r\nBring a friend.", "PC7", "Lunch", 0});
const QString kCannotConnect = QStringLiteral("Error during Send !\n\nCannot connect to %1");

// A note server on one loopback address that counts what it received.
struct CListener
{
    CListener(const QByteArray& strAddress, quint16 nPort)
    {
        QObject::connect(&server, &CNoteListenSocket::NoteReceived,
                         [this](const QByteArray& strText, qint64) { texts.append(strText); });
        bOpen = server.Open(nPort, QHostAddress(QString::fromLatin1(strAddress)));
    }

    CRecordingStatusSink sink;
    CNoteListenSocket server{sink};
    QList<QByteArray> texts;
    bool bOpen = false;
};

// A host that takes the connection and the bytes and never answers.
struct CSilentHost
{
    CSilentHost(const QByteArray& strAddress, quint16 nPort)
    {
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* pSocket = server.nextPendingConnection()) {
                ++nConnections;
                QObject::connect(pSocket, &QTcpSocket::readyRead,
                                 [this, pSocket] { nBytes += pSocket->readAll().size(); });
            }
        });
        bOpen = server.listen(QHostAddress(QString::fromLatin1(strAddress)), nPort);
    }

    QTcpServer server;
    int nConnections = 0;
    qint64 nBytes = 0;
    bool bOpen = false;
};

int OpenDescriptors()
{
    return static_cast<int>(QDir(QStringLiteral("/proc/self/fd")).count()) - 2;
}

class OutboxTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(OpenDatabase()); }

    bool OpenDatabase()
    {
        m_pOutbox.reset();
        m_pStore.reset();
        m_pDatabase = std::make_unique<CHistoryDatabase>(m_folder.filePath(QStringLiteral("h.db")));
        if (!m_pDatabase->Open(nullptr, &m_strError))
            return false;
        m_pStore = std::make_unique<CHistoryStore>(*m_pDatabase);
        return true;
    }

    COutbox& MakeOutbox(COutbox::CTuning tuning)
    {
        tuning.dJitter = 0;
        m_pOutbox = std::make_unique<COutbox>(m_pDatabase.get(), tuning, [this] {
            return QDateTime::currentMSecsSinceEpoch() + m_nClockAhead;
        });
        m_pOutbox->SetPort(m_nPort);
        QObject::connect(
            m_pOutbox.get(), &COutbox::EntryFinished,
            [this](qint64, EOutboxState eState, const QString&) { m_finished.append(eState); });
        EXPECT_TRUE(m_pOutbox->Open(&m_strError)) << m_strError.toStdString();
        return *m_pOutbox;
    }

    // A sent note to these addresses, as the history keeps it when its send
    // failed; its id.
    qint64 RecordSent(const QList<QByteArray>& addresses)
    {
        CHistoryNote note = CHistoryStore::NoteOfText(kText);
        note.eDirection = EHistoryDirection::Out;
        note.strHost = addresses.join(", ");
        for (const QByteArray& strAddress : addresses)
            note.recipients.push_back({strAddress, ERecipientResult::Failed, 0, 0});
        return m_pStore->RecordSent(note, &m_strError);
    }

    CHistoryRecipient Recipient(qint64 nNote, int nIndex)
    {
        const auto note = m_pStore->Get(nNote, &m_strError);
        return note && nIndex < static_cast<int>(note->recipients.size()) ? note->recipients[nIndex]
                                                                          : CHistoryRecipient();
    }

    qint64 Queue(qint64 nNote, int nIndex, const QByteArray& strAddress)
    {
        return m_pOutbox->Queue(nNote, nIndex, strAddress, kText,
                                kCannotConnect.arg(QString::fromLatin1(strAddress)));
    }

    QTemporaryDir m_folder;
    std::unique_ptr<CHistoryDatabase> m_pDatabase;
    std::unique_ptr<CHistoryStore> m_pStore;
    std::unique_ptr<COutbox> m_pOutbox;
    quint16 m_nPort = Loopback::UnusedPort();
    qint64 m_nClockAhead = 0;
    QList<EOutboxState> m_finished;
    QString m_strError;
};

TEST_F(OutboxTest, ReachesAHostThatComesUpOnceEvenAcrossARestart)
{
    const qint64 nNote = RecordSent({"127.0.0.9", "127.0.0.2"});
    ASSERT_NE(nNote, 0);
    COutbox& outbox = MakeOutbox({.firstGap = 100ms, .maxGap = 200ms});
    const qint64 nId = Queue(nNote, 1, "127.0.0.2");
    ASSERT_NE(nId, 0);
    EXPECT_EQ(Recipient(nNote, 1).eResult, ERecipientResult::Waiting);
    EXPECT_EQ(Recipient(nNote, 0).eResult, ERecipientResult::Failed);
    const auto rows = m_pStore->Find({}, &m_strError);
    ASSERT_TRUE(rows && rows->size() == 1);
    EXPECT_EQ(rows->front().nWaiting, 1);
    EXPECT_TRUE(rows->front().strResults.contains("127.0.0.2: waiting in the outbox"));

    // Tried again and again while nothing listens: it waits, with the reason.
    ASSERT_TRUE(SpinUntil([&] { return outbox.Attempts() >= 2 && outbox.InFlight() == 0; }));
    std::optional<COutboxEntry> entry = outbox.Entry(nId);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->eState, EOutboxState::Waiting);
    EXPECT_GE(entry->nAttempts, 3);
    EXPECT_EQ(entry->strReason, QStringLiteral("Cannot connect to 127.0.0.2"));
    EXPECT_EQ(entry->strFirstLine, "Lunch at one?");

    // The program ends and starts again: the note is still there, and the
    // outbox keeps still until it is due (an hour) or told the host is up.
    ASSERT_TRUE(OpenDatabase());
    COutbox& again = MakeOutbox({.firstGap = 1h});
    ASSERT_EQ(again.Entries().size(), 1u);
    CListener host("127.0.0.2", m_nPort);
    ASSERT_TRUE(host.bOpen);
    again.HostUp("127.0.0.3"); // another host: nothing happens
    EXPECT_EQ(again.InFlight(), 0);
    again.HostUp("127.0.0.2");
    ASSERT_TRUE(SpinUntil([&] { return !m_finished.isEmpty(); }));
    EXPECT_EQ(m_finished, QList<EOutboxState>{EOutboxState::Delivered});
    EXPECT_TRUE(again.Entries().empty());
    // Told again that the host is up, and given time: it arrived once.
    again.HostUp("127.0.0.2");
    SpinUntil([] { return false; }, 300ms);
    ASSERT_EQ(host.texts.size(), 1);
    EXPECT_TRUE(host.texts.front().startsWith(kText));
    const CHistoryRecipient delivered = Recipient(nNote, 1);
    EXPECT_EQ(delivered.eResult, ERecipientResult::Delivered);
    EXPECT_EQ(delivered.nAcknowledged, kText.size());
    // Nothing waits at the next start either.
    ASSERT_TRUE(OpenDatabase());
    EXPECT_TRUE(MakeOutbox({}).Entries().empty());
}

TEST_F(OutboxTest, NeverSendsAgainWhatAHostTookWithoutAnswering)
{
    const qint64 nNote = RecordSent({"127.0.0.3"});
    CSilentHost host("127.0.0.3", m_nPort);
    ASSERT_TRUE(host.bOpen);
    COutbox& outbox = MakeOutbox({.firstGap = 50ms, .maxGap = 50ms, .replyTimeLimit = 300ms});
    const qint64 nId = Queue(nNote, 0, "127.0.0.3");
    ASSERT_TRUE(SpinUntil([&] { return !m_finished.isEmpty(); }));
    EXPECT_EQ(m_finished, QList<EOutboxState>{EOutboxState::Unknown});
    std::optional<COutboxEntry> entry = outbox.Entry(nId);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->eState, EOutboxState::Unknown);
    EXPECT_TRUE(entry->strReason.startsWith(QLatin1String("Reply size mismatch.")))
        << entry->strReason.toStdString();
    EXPECT_EQ(Recipient(nNote, 0).eResult, ERecipientResult::Unknown);
    EXPECT_EQ(host.nBytes, kText.size());

    // Many retry gaps later, told the host is up, and after a restart: no
    // second connection.
    outbox.HostUp("127.0.0.3");
    SpinUntil([] { return false; }, 600ms);
    ASSERT_TRUE(OpenDatabase());
    COutbox& again = MakeOutbox({.firstGap = 50ms, .maxGap = 50ms, .replyTimeLimit = 300ms});
    ASSERT_EQ(again.Entries().size(), 1u);
    EXPECT_EQ(again.Entries().front().eState, EOutboxState::Unknown);
    again.HostUp("127.0.0.3");
    SpinUntil([] { return false; }, 400ms);
    EXPECT_EQ(host.nConnections, 1);
    EXPECT_EQ(again.Attempts(), 0);

    // The user decides: Send now tries once more (and it is unknown again),
    // Cancel takes it out, the history keeping the result.
    m_finished.clear();
    again.SendNow(nId);
    ASSERT_TRUE(SpinUntil([&] { return !m_finished.isEmpty(); }));
    EXPECT_EQ(host.nConnections, 2);
    again.Cancel(nId);
    EXPECT_TRUE(again.Entries().empty());
    EXPECT_EQ(m_finished.last(), EOutboxState::Cancelled);
    EXPECT_EQ(Recipient(nNote, 0).eResult, ERecipientResult::Cancelled);
}

TEST_F(OutboxTest, AHostThatDoesNotAnswerTheConnectingWaitsOn)
{
    // A listener whose queue is full leaves new connections unanswered, as a
    // host gone from the network does.
    const int nListener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(nListener, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(m_nPort);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(nListener, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(::listen(nListener, 0), 0);
    std::vector<int> fillers;
    for (int n = 0; n < 4; ++n) {
        fillers.push_back(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        ::connect(fillers.back(), reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    }
    COutbox& outbox = MakeOutbox({.firstGap = 1h, .connectTimeLimit = 300ms});
    const qint64 nId = Queue(0, 0, "127.0.0.1");
    outbox.SendNow(nId);
    EXPECT_EQ(outbox.InFlight(), 1);
    ASSERT_TRUE(SpinUntil([&] { return outbox.InFlight() == 0; }));
    // Nothing went out: it waits for the next try, never "unknown".
    const std::optional<COutboxEntry> entry = outbox.Entry(nId);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->eState, EOutboxState::Waiting);
    EXPECT_EQ(entry->nAttempts, 2);
    EXPECT_EQ(entry->strReason, QStringLiteral("Cannot connect to 127.0.0.1"));
    EXPECT_TRUE(m_finished.isEmpty());
    for (const int nSocket : fillers)
        ::close(nSocket);
    ::close(nListener);
}

TEST_F(OutboxTest, AThousandNotesToDownHostsCostFewDescriptorsAndNoBusyLoop)
{
    const int nBefore = OpenDescriptors();
    COutbox& outbox = MakeOutbox({.firstGap = 200ms, .maxGap = 400ms});
    for (int n = 0; n < 1000; ++n)
        ASSERT_NE(Queue(0, 0, QStringLiteral("127.0.0.%1").arg(10 + n % 200).toLatin1()), 0);
    ASSERT_EQ(outbox.Entries().size(), 1000u);

    QElapsedTimer elapsed;
    elapsed.start();
    int nMostOpen = 0;
    int nMostInFlight = 0;
    SpinUntil(
        [&] {
            nMostOpen = std::max(nMostOpen, OpenDescriptors());
            nMostInFlight = std::max(nMostInFlight, outbox.InFlight());
            return false;
        },
        2500ms);
    // At most the connections allowed, beside the file's own descriptors.
    EXPECT_LE(nMostInFlight, 8);
    EXPECT_LE(nMostOpen, nBefore + 8 + 8);
    // Every note was tried, none more often than its gaps allow, and the
    // outbox woke no more than once per try.
    const qint64 nMs = elapsed.elapsed();
    const std::vector<COutboxEntry> entries = outbox.Entries();
    ASSERT_EQ(entries.size(), 1000u);
    EXPECT_TRUE(std::all_of(entries.begin(), entries.end(),
                            [](const COutboxEntry& entry) { return entry.nAttempts >= 2; }));
    EXPECT_LE(outbox.Attempts(), 1000 * (nMs / 200 + 1));
    EXPECT_LE(outbox.Wakeups(), outbox.Attempts() + 10);
}

TEST_F(OutboxTest, GivesUpAfterItsDaysAndKeepsTheReason)
{
    const qint64 nNote = RecordSent({"127.0.0.4", "127.0.0.5"});
    COutbox& outbox = MakeOutbox({.firstGap = 1h});
    outbox.SetGiveUpDays(2);
    const qint64 nFirst = Queue(nNote, 0, "127.0.0.4");
    m_nClockAhead = 36 * 3600 * 1000LL;
    const qint64 nSecond = Queue(nNote, 1, "127.0.0.5");
    // A day and a half on: nothing given up yet.
    outbox.TryDue();
    ASSERT_TRUE(SpinUntil([&] { return outbox.InFlight() == 0; }));
    EXPECT_EQ(outbox.Entries().size(), 2u);
    // Two days after the first was queued it goes; the second waits on.
    m_nClockAhead = 49 * 3600 * 1000LL;
    outbox.TryDue();
    ASSERT_TRUE(SpinUntil([&] { return outbox.InFlight() == 0; }));
    EXPECT_EQ(m_finished, QList<EOutboxState>{EOutboxState::GivenUp});
    EXPECT_FALSE(outbox.Entry(nFirst));
    EXPECT_TRUE(outbox.Entry(nSecond));
    EXPECT_EQ(Recipient(nNote, 0).eResult, ERecipientResult::GivenUp);
    EXPECT_EQ(Recipient(nNote, 1).eResult, ERecipientResult::Waiting);
    const auto rows = m_pStore->Find({}, &m_strError);
    ASSERT_TRUE(rows && rows->size() == 1);
    EXPECT_TRUE(rows->front().strResults.contains("127.0.0.4: given up"));
    // Given up notes are not read again at the start; deleting the note from
    // the history takes its finished entries along.
    ASSERT_TRUE(OpenDatabase());
    EXPECT_EQ(MakeOutbox({.firstGap = 1h}).Entries().size(), 1u);
    ASSERT_TRUE(m_pStore->Delete({nNote}, &m_strError));
    QSqlQuery query(m_pDatabase->Connection());
    ASSERT_TRUE(query.exec(QStringLiteral("SELECT count(*), sum(state) FROM outbox")) &&
                query.next());
    EXPECT_EQ(query.value(0).toInt(), 1); // the waiting one stays: it has its text
}

TEST_F(OutboxTest, ASendOffersToWaitOnlyWhenItCouldNotConnect)
{
    // A send to a host that is down, one that takes the note and never
    // answers, and one that is up: only the first is offered the outbox, in
    // its error box as it always was.
    CSilentHost silent("127.0.0.3", m_nPort);
    CListener up("127.0.0.4", m_nPort);
    ASSERT_TRUE(silent.bOpen && up.bOpen);
    COutbox& outbox = MakeOutbox({.firstGap = 1h});
    CEventLog log;
    log.SetOfferAnswer(true);
    CSendJobs jobs(log, log);
    jobs.SetUndeliveredNotes(&outbox);
    CSendSettings settings;
    settings.nPort = m_nPort;
    settings.nMultiSendDelay = 0;
    settings.strNickname = "ann";
    settings.replyTimeLimit = 300ms;
    CSendableNote note;
    note.m_strBody = "Lunch at one?";
    note.m_strAddress = RecipientList::Compose({"127.0.0.2", "127.0.0.3", "127.0.0.4"});
    int nFinished = 0;
    QObject::connect(&jobs, &CSendJobs::JobFinished, [&] { ++nFinished; });
    jobs.StartSendJobs(note, settings);
    ASSERT_TRUE(SpinUntil([&] { return nFinished == 3 && log.Boxes().size() == 2; }));
    const QStringList events = log.Events();
    EXPECT_TRUE(
        events.contains(QStringLiteral("box: ") + kCannotConnect.arg(QLatin1String("127.0.0.2"))));
    EXPECT_EQ(events.filter(QStringLiteral("offer: ")),
              QStringList{QStringLiteral("offer: Send when it is up")});
    ASSERT_EQ(outbox.Entries().size(), 1u);
    EXPECT_EQ(outbox.Entries().front().strAddress, "127.0.0.2");
    EXPECT_EQ(outbox.Entries().front().strFirstLine, "Lunch at one?");

    // With "Keep Undelivered" it waits unasked; the box says what it always said.
    outbox.SetKeepUnasked(true);
    note.m_strAddress = RecipientList::Compose({"127.0.0.5"});
    nFinished = 0;
    jobs.StartSendJobs(note, settings);
    ASSERT_TRUE(SpinUntil([&] { return nFinished == 1 && log.Boxes().size() == 3; }));
    EXPECT_EQ(log.Events().filter(QStringLiteral("offer: ")).size(), 1);
    EXPECT_TRUE(log.Events().contains(QStringLiteral("waiting in the outbox")));
    ASSERT_EQ(outbox.Entries().size(), 2u);
    EXPECT_EQ(outbox.Entries().back().strAddress, "127.0.0.5");
    EXPECT_EQ(silent.nConnections, 1);
    EXPECT_EQ(up.texts.size(), 1);
}

TEST_F(OutboxTest, BringsAHistoryOfTheFirstVersionUpToDate)
{
    // A file as the first version left it: no outbox table.
    {
        QSqlQuery query(m_pDatabase->Connection());
        ASSERT_TRUE(query.exec(QStringLiteral("DROP TRIGGER notes_deleted_outbox")));
        ASSERT_TRUE(query.exec(QStringLiteral("DROP TABLE outbox")));
        ASSERT_TRUE(query.exec(QStringLiteral("PRAGMA user_version=1")));
    }
    const qint64 nNote = RecordSent({"127.0.0.6"});
    ASSERT_TRUE(OpenDatabase());
    QSqlQuery query(m_pDatabase->Connection());
    ASSERT_TRUE(query.exec(QStringLiteral("PRAGMA user_version")) && query.next());
    EXPECT_EQ(query.value(0).toInt(), CHistoryDatabase::SchemaVersion);
    MakeOutbox({.firstGap = 1h});
    EXPECT_NE(Queue(nNote, 0, "127.0.0.6"), 0);
    EXPECT_TRUE(m_pStore->Get(nNote, &m_strError));
}

} // namespace
