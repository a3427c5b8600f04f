#include "core/messaging/note_listen_socket.h"
#include "core/notes/tagged_text.h"
#include "tests/support/event_loop.h"
#include "tests/support/raw_client.h"
#include "tests/support/recording_status_sink.h"
#include "tests/support/sample_notes.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

struct CReceived
{
    QByteArray strText;
    qint64 nAcknowledged;
};

class NoteListenSocketTest : public ::testing::Test
{
protected:
    void Start(std::chrono::milliseconds timeLimit = 20s)
    {
        m_pServer = std::make_unique<CNoteListenSocket>(m_sink, timeLimit);
        QObject::connect(m_pServer.get(), &CNoteListenSocket::NoteReceived,
                         [this](const QByteArray& strText, qint64 nAck) {
                             m_received.push_back({strText, nAck});
                         });
        QObject::connect(m_pServer.get(), &CNoteListenSocket::ServingStarted,
                         [this] { ++m_nStarted; });
        QObject::connect(m_pServer.get(), &CNoteListenSocket::ServingFinished,
                         [this] { ++m_nFinished; });
        ASSERT_TRUE(m_pServer->Open(0));
    }

    quint16 Port() const { return m_pServer->ServerPort(); }

    // Runs the client to its end while the server serves it.
    CRawClientResult Exchange(CRawClientScript script)
    {
        script.nPort = Port();
        auto result = RunRawClient(std::move(script));
        EXPECT_TRUE(SpinUntil([&] { return result.wait_for(0s) == std::future_status::ready; }));
        return result.get();
    }

    CRawClientResult Exchange(const QByteArray& strData)
    {
        CRawClientScript script;
        script.strFirst = strData;
        return Exchange(std::move(script));
    }

    bool WaitForFinished(int nCount)
    {
        return SpinUntil([&] { return m_nFinished >= nCount; });
    }

    QStringList Status() const { return m_sink.Texts(StatusPane::Listening); }

    CRecordingStatusSink m_sink;
    std::unique_ptr<CNoteListenSocket> m_pServer;
    std::vector<CReceived> m_received;
    int m_nStarted = 0;
    int m_nFinished = 0;
};

} // namespace

TEST_F(NoteListenSocketTest, ReceivesAndAcknowledgesACompleteNote)
{
    Start();
    const CRawClientResult result = Exchange(SampleNotes::Lunch);
    ASSERT_TRUE(WaitForFinished(1));
    EXPECT_EQ(result.strAnswer, "39");
    ASSERT_EQ(m_received.size(), 1u);
    EXPECT_EQ(m_received[0].strText, SampleNotes::Lunch + "/$5127.0.0.1/$6");
    EXPECT_EQ(m_received[0].nAcknowledged, 39);
    EXPECT_EQ(Status(), TextList({"Creating server", "Starting to listen", "Listening ...",
                                  "Incoming ...", "Listening"}));
    EXPECT_EQ(m_nStarted, 1);
}

TEST_F(NoteListenSocketTest, AZeroByteInANoteLosesNothing)
{
    // The end sequence after the zero byte ends the reading at once (the time
    // limit is far off), and every field after it arrives.
    Start(60s);
    const QByteArray strNote("ann/$0before\0after/$1PC7/$2Lunch/$30/$4", 39);
    const CRawClientResult result = Exchange(strNote);
    ASSERT_TRUE(WaitForFinished(1));
    EXPECT_EQ(result.strAnswer, "39");
    ASSERT_EQ(m_received.size(), 1u);
    const TaggedText::CParsedNote note = TaggedText::Parse(m_received[0].strText);
    EXPECT_EQ(note.strBody, QByteArray("before\0after", 12));
    EXPECT_EQ(note.strSystem, "PC7");
    EXPECT_EQ(note.strTitle, "Lunch");
    EXPECT_EQ(note.strAddress, "127.0.0.1");
}

TEST_F(NoteListenSocketTest, KeepsAndCountsExtraBytesAfterTheEnd)
{
    Start();
    const CRawClientResult result = Exchange(SampleNotes::Lunch + "TRAILING");
    ASSERT_TRUE(WaitForFinished(1));
    EXPECT_EQ(result.strAnswer, "47");
    ASSERT_EQ(m_received.size(), 1u);
    const TaggedText::CParsedNote note = TaggedText::Parse(m_received[0].strText);
    EXPECT_EQ(note.strBody, "Shall we go?");
    EXPECT_EQ(note.strAddress, "127.0.0.1");
}

TEST_F(NoteListenSocketTest, ReadsAnUntaggedTextInOnePiece)
{
    Start();
    const CRawClientResult result = Exchange("Hello, is anybody there?");
    ASSERT_TRUE(WaitForFinished(1));
    EXPECT_EQ(result.strAnswer, "24");
    ASSERT_EQ(m_received.size(), 1u);
    const TaggedText::CParsedNote note = TaggedText::Parse(m_received[0].strText);
    EXPECT_EQ(note.strNickname, "unknown");
    EXPECT_EQ(note.strBody, "Hello, is anybody there?");
}

TEST_F(NoteListenSocketTest, AcknowledgesWhatItReadOfANoteOverTheLimit)
{
    Start();
    const QByteArray strHuge = "ann/$0" + QByteArray(150000, 'x');
    const CRawClientResult result = Exchange(strHuge);
    ASSERT_TRUE(WaitForFinished(1));
    const qint64 nAck = result.strAnswer.toLongLong();
    EXPECT_GE(nAck, 110000);
    EXPECT_LT(nAck, 110000 + 9999);
    ASSERT_EQ(m_received.size(), 1u);
    EXPECT_EQ(m_received[0].nAcknowledged, nAck);
    EXPECT_EQ(m_received[0].strText, strHuge.left(nAck) + "/$5127.0.0.1/$6");
}

TEST_F(NoteListenSocketTest, ServesConnectionsSideBySide)
{
    Start();
    std::promise<void> gate;
    CRawClientScript first;
    first.nPort = Port();
    first.strFirst = "first/$0one";
    first.strSecond = "/$1PC/$2T/$30/$4";
    first.gate = gate.get_future().share();
    auto firstResult = RunRawClient(first);
    ASSERT_TRUE(SpinUntil([&] { return m_nStarted == 1; }));

    // The second note does not wait for the first, which is still coming.
    const CRawClientResult second = Exchange("second/$0two/$1PC/$2T/$30/$4");
    EXPECT_EQ(second.strAnswer, "28");
    ASSERT_EQ(m_received.size(), 1u);
    EXPECT_TRUE(m_received[0].strText.startsWith("second/$0two/$1"));

    gate.set_value();
    ASSERT_TRUE(WaitForFinished(2));
    ASSERT_EQ(m_received.size(), 2u);
    EXPECT_TRUE(m_received[1].strText.startsWith("first/$0one/$1"));
    EXPECT_EQ(firstResult.get().strAnswer, "27");
}

TEST_F(NoteListenSocketTest, APeerThatClosesEarlyIsAnsweredWithWhatItSent)
{
    Start();
    CRawClientScript script;
    script.strFirst = "bob/$0only half a no";
    script.bHalfClose = true;
    const CRawClientResult result = Exchange(std::move(script));
    ASSERT_TRUE(WaitForFinished(1));
    EXPECT_EQ(result.strAnswer, "20");
    ASSERT_EQ(m_received.size(), 1u);
    EXPECT_EQ(TaggedText::Parse(m_received[0].strText).strBody, "only half a no");
}

TEST_F(NoteListenSocketTest, AHalfClosingPeerStillGetsTheAcknowledgement)
{
    Start();
    CRawClientScript script;
    script.strFirst = SampleNotes::Lunch;
    script.bHalfClose = true;
    const CRawClientResult result = Exchange(std::move(script));
    ASSERT_TRUE(WaitForFinished(1));
    EXPECT_EQ(result.strAnswer, "39");
    ASSERT_EQ(m_received.size(), 1u);
}

TEST_F(NoteListenSocketTest, AStalledPeerIsCutOffAndHoldsUpNobody)
{
    Start(300ms);
    CRawClientScript stalled;
    stalled.nPort = Port();
    stalled.strFirst = "slow/$0never finished";
    auto stalledResult = RunRawClient(stalled);
    ASSERT_TRUE(SpinUntil([&] { return m_nStarted == 1; }));
    // Served at once, while the stalled one still waits out its time limit.
    const CRawClientResult next = Exchange(SampleNotes::Lunch);
    EXPECT_EQ(next.strAnswer, "39");
    ASSERT_EQ(m_received.size(), 1u);
    EXPECT_TRUE(m_received[0].strText.startsWith(SampleNotes::Lunch));

    ASSERT_TRUE(SpinUntil([&] { return stalledResult.wait_for(0s) == std::future_status::ready; }));
    EXPECT_EQ(stalledResult.get().strAnswer, "21");
    ASSERT_TRUE(WaitForFinished(2));
    ASSERT_EQ(m_received.size(), 2u);
    EXPECT_EQ(TaggedText::Parse(m_received[1].strText).strBody, "never finished");
}

TEST_F(NoteListenSocketTest, AConnectionWithoutDataOpensNoNote)
{
    Start(300ms);
    // Handed over at once, not held by the system until it speaks.
    m_pServer->SetAcceptDeferral(0s);
    CRawClientScript silent;
    const CRawClientResult silentResult = Exchange(std::move(silent));
    CRawClientScript closing;
    closing.bHalfClose = true;
    const CRawClientResult closingResult = Exchange(std::move(closing));
    ASSERT_TRUE(WaitForFinished(2));
    EXPECT_EQ(silentResult.strAnswer, "0");
    EXPECT_EQ(closingResult.strAnswer, "0");
    EXPECT_TRUE(m_received.empty());
    EXPECT_EQ(Status().mid(3),
              TextList({"Incoming ...", "Error in receive", "Incoming ...", "Error in receive"}));
}

TEST_F(NoteListenSocketTest, ForgedAddressesInTheTextAreIgnored)
{
    Start();
    Exchange("mallory/$0hi/$1PC/$2T/$30/$4/$5 10.9.9.9/$6");
    ASSERT_TRUE(WaitForFinished(1));
    ASSERT_EQ(m_received.size(), 1u);
    EXPECT_EQ(TaggedText::Parse(m_received[0].strText).strAddress, "127.0.0.1");
}

TEST_F(NoteListenSocketTest, ReportsAPortThatIsTaken)
{
    Start();
    CRecordingStatusSink otherSink;
    CNoteListenSocket other(otherSink);
    EXPECT_FALSE(other.Open(Port()));
    EXPECT_EQ(otherSink.Texts(StatusPane::Listening),
              TextList({"Creating server", "Error while creating"}));
}
