#include "tests/support/event_loop.h"
#include "tests/support/raw_client.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <csignal>

using namespace std::chrono_literals;

namespace {

const QString kCli = QStringLiteral(BLIPNOTE_CLI_PATH);

class ListenCommandTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

    quint16 StartListening()
    {
        m_process.start(kCli,
                        {QStringLiteral("listen"), QStringLiteral("--port"), QStringLiteral("0")});
        const QRegularExpression portLine(QStringLiteral("^port (\\d+)$"),
                                          QRegularExpression::MultilineOption);
        quint16 nPort = 0;
        SpinUntil([&] {
            m_strErr += m_process.readAllStandardError();
            const auto match = portLine.match(QString::fromUtf8(m_strErr));
            if (match.hasMatch())
                nPort = static_cast<quint16>(match.captured(1).toUInt());
            return nPort != 0 || m_process.state() == QProcess::NotRunning;
        });
        return nPort;
    }

    QByteArray Send(quint16 nPort, const QByteArray& strData)
    {
        CRawClientScript script;
        script.nPort = nPort;
        script.strFirst = strData;
        auto result = RunRawClient(script);
        SpinUntil([&] { return result.wait_for(0s) == std::future_status::ready; });
        return result.get().strAnswer;
    }

    QJsonObject NextNote()
    {
        SpinUntil([&] {
            m_strOut += m_process.readAllStandardOutput();
            return m_strOut.contains('\n');
        });
        const qsizetype nEnd = m_strOut.indexOf('\n');
        const QByteArray strLine = m_strOut.left(nEnd);
        m_strOut.remove(0, nEnd + 1);
        return QJsonDocument::fromJson(strLine).object();
    }

    QProcess m_process;
    QByteArray m_strOut;
    QByteArray m_strErr;
};

} // namespace

TEST_F(ListenCommandTest, PrintsEachNoteAsOneJsonLine)
{
    const quint16 nPort = StartListening();
    ASSERT_NE(nPort, 0) << m_strErr.constData();

    EXPECT_EQ(Send(nPort, "  ann \x80/$0Caf\xE9?/$1PC7/$2Lunch/$31/$4"), "36");
    const QJsonObject note = NextNote();
    EXPECT_EQ(note.value(QStringLiteral("nickname")).toString(), QStringLiteral("ann \u20AC"));
    EXPECT_EQ(note.value(QStringLiteral("body")).toString(), QStringLiteral("Café?"));
    EXPECT_EQ(note.value(QStringLiteral("system")).toString(), QStringLiteral("PC7"));
    EXPECT_EQ(note.value(QStringLiteral("title")).toString(), QStringLiteral("Lunch"));
    EXPECT_EQ(note.value(QStringLiteral("priority")).toInt(), 1);
    EXPECT_EQ(note.value(QStringLiteral("address")).toString(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(note.value(QStringLiteral("bytes")).toInt(), 36);

    EXPECT_EQ(Send(nPort, "plain words"), "11");
    EXPECT_EQ(NextNote().value(QStringLiteral("body")).toString(), QStringLiteral("plain words"));

    ::kill(static_cast<pid_t>(m_process.processId()), SIGTERM);
    ASSERT_TRUE(m_process.waitForFinished(10000));
    EXPECT_EQ(m_process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(m_process.exitCode(), 0);
    m_strErr += m_process.readAllStandardError();
    EXPECT_TRUE(m_strErr.contains("Listening ...\n"));
    EXPECT_TRUE(m_strErr.contains("Incoming ...\nListening\n"));
}

TEST_F(ListenCommandTest, EndsCleanlyOnInterrupt)
{
    ASSERT_NE(StartListening(), 0);
    ::kill(static_cast<pid_t>(m_process.processId()), SIGINT);
    ASSERT_TRUE(m_process.waitForFinished(10000));
    EXPECT_EQ(m_process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(m_process.exitCode(), 0);
}

TEST(CommandLine, HelpVersionAndMistakes)
{
    const auto Run = [](const QStringList& arguments) {
        QProcess process;
        process.start(kCli, arguments);
        process.waitForFinished(10000);
        return std::make_pair(process.exitCode(),
                              process.readAllStandardOutput() + process.readAllStandardError());
    };
    const auto [nVersion, strVersion] = Run({QStringLiteral("--version")});
    EXPECT_EQ(nVersion, 0);
    EXPECT_EQ(strVersion, "blipnote-cli 2.11\n");
    const auto [nHelp, strHelp] = Run({QStringLiteral("--help")});
    EXPECT_EQ(nHelp, 0);
    EXPECT_TRUE(strHelp.contains("listen"));
    EXPECT_EQ(Run({QStringLiteral("listen"), QStringLiteral("--help")}).first, 0);
    EXPECT_EQ(Run({}).first, 2);
    EXPECT_EQ(Run({QStringLiteral("frobnicate")}).first, 2);
    EXPECT_EQ(
        Run({QStringLiteral("listen"), QStringLiteral("--port"), QStringLiteral("70000")}).first,
        2);
    EXPECT_EQ(Run({QStringLiteral("listen"), QStringLiteral("--port")}).first, 2);
}
