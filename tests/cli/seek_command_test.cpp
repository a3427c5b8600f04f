#include "tests/support/cli_listener.h"
#include "tests/support/event_loop.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <map>

namespace {

// "blipnote-cli fingerd" on a free port of every loopback address.
class CCliFingerd
{
public:
    QString Port() const { return QString::number(m_tool.Port()); }

private:
    CCliInShell m_tool{QStringLiteral("exec \"$0\" fingerd --port 0"), {}, "finger server on port"};
};

// The rows printed, by address.
std::map<QString, QJsonObject> Rows(const QByteArray& strOut)
{
    std::map<QString, QJsonObject> rows;
    for (const QByteArray& strLine : strOut.split('\n')) {
        if (strLine.isEmpty())
            continue;
        const QJsonObject row = QJsonDocument::fromJson(strLine).object();
        rows[row.value(QStringLiteral("address")).toString()] = row;
    }
    return rows;
}

} // namespace

TEST(SeekCommand, SeeksTheHostListOrTheAddressesGiven)
{
    CCliFingerd fingerd;
    CTestSettingsFile file;
    file.Hosts().Replace(
        {{"ann", "127.0.0.1", ""}, {"bob", "127.0.0.1", ""}, {"carl", "127.0.0.2", ""}});
    file.Write();

    const CCliRun listed =
        RunCli({QStringLiteral("seek"), QStringLiteral("--port"), fingerd.Port()});
    EXPECT_EQ(listed.nExitCode, 0) << listed.strErr.constData();
    std::map<QString, QJsonObject> rows = Rows(listed.strOut);
    ASSERT_EQ(rows.size(), 2u) << listed.strOut.constData();
    const QJsonObject ann = rows[QStringLiteral("127.0.0.1")];
    EXPECT_EQ(ann.value(QStringLiteral("state")).toString(), QStringLiteral("up"));
    EXPECT_EQ(ann.value(QStringLiteral("mappedTo")).toString(), QStringLiteral("ann,bob"));
    EXPECT_TRUE(ann.value(QStringLiteral("localtime")).toString().contains(QStringLiteral("  ")));
    EXPECT_EQ(ann.keys(), QStringList({QStringLiteral("address"), QStringLiteral("localtime"),
                                       QStringLiteral("mappedTo"), QStringLiteral("ms"),
                                       QStringLiteral("platform"), QStringLiteral("state"),
                                       QStringLiteral("system"), QStringLiteral("uptime"),
                                       QStringLiteral("user")}));
    EXPECT_TRUE(listed.strErr.startsWith("2 up, 0 unknown, 0 down in "))
        << listed.strErr.constData();

    // Ranges, a network and a duplicate, beside the list's nicknames; a port
    // nobody listens on answers "unknown" at once.
    const CCliRun given =
        RunCli({QStringLiteral("seek"), QStringLiteral("--port"), fingerd.Port(),
                QStringLiteral("127.0.0.2-3"), QStringLiteral("127.0.1.0/30"),
                QStringLiteral("127.0.0.2"), QStringLiteral("127.0.2.255-127.0.3.0")});
    EXPECT_EQ(given.nExitCode, 0);
    rows = Rows(given.strOut);
    EXPECT_EQ(rows.size(), 6u) << given.strOut.constData();
    EXPECT_EQ(rows.count(QStringLiteral("127.0.2.255")), 1u);
    EXPECT_EQ(rows.count(QStringLiteral("127.0.3.0")), 1u);
    EXPECT_EQ(rows[QStringLiteral("127.0.0.2")].value(QStringLiteral("mappedTo")).toString(),
              QStringLiteral("carl"));
    EXPECT_EQ(rows.count(QStringLiteral("127.0.1.1")), 1u);
    EXPECT_EQ(rows.count(QStringLiteral("127.0.1.2")), 1u);
    EXPECT_EQ(rows.count(QStringLiteral("127.0.1.0")), 0u) << "a network's own address is no host";

    file.Hosts().Replace({});
    file.Write();
    const CCliRun refused = RunCli({QStringLiteral("seek"), QStringLiteral("--port"),
                                    QStringLiteral("9"), QStringLiteral("127.0.0.1")});
    EXPECT_EQ(refused.nExitCode, 0);
    EXPECT_EQ(
        Rows(refused.strOut)[QStringLiteral("127.0.0.1")].value(QStringLiteral("state")).toString(),
        QStringLiteral("unknown"));
    const CCliRun empty = RunCli({QStringLiteral("seek")});
    EXPECT_EQ(empty.nExitCode, 0);
    EXPECT_TRUE(empty.strOut.isEmpty());
    EXPECT_TRUE(empty.strErr.startsWith("0 up, 0 unknown, 0 down in ")) << empty.strErr.constData();
}

TEST(SeekCommand, ValuesKeepTheirLettersAndNoControlReachesTheTerminal)
{
    // A finger server that names its system "PC-Z\u00fcrich" and puts control
    // characters into its values: the letters stay, the controls come out escaped.
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    QObject::connect(&server, &QTcpServer::newConnection, [&server] {
        QTcpSocket* pSocket = server.nextPendingConnection();
        pSocket->write("\nSystem:    PC-Z\xFCrich\r\nUser:      ann\x7f\x90\x9b\x1b[2J\n");
        pSocket->disconnectFromHost();
    });
    const CCliRun run = RunCli({QStringLiteral("seek"), QStringLiteral("--port"),
                                QString::number(server.serverPort()), QStringLiteral("127.0.0.1")});
    EXPECT_EQ(run.nExitCode, 0) << run.strErr.constData();
    EXPECT_TRUE(run.strOut.contains("\"system\":\"PC-Z\xC3\xBCrich\"")) << run.strOut.constData();
    // ESC is a control byte below 32: it ends the value.
    EXPECT_TRUE(run.strOut.contains("\"user\":\"ann\\u007f\\u0090\xE2\x80\xBA\""))
        << run.strOut.constData();
}

TEST(SeekCommand, MistakesOnTheCommandLine)
{
    for (const QStringList& arguments :
         {QStringList{QStringLiteral("127.0.0.9-3")},
          QStringList{QStringLiteral("127.0.0.9-127.0.0.3")},
          QStringList{QStringLiteral("127.0.0.0/33")}, QStringList{QStringLiteral("127.0.0.0/15")},
          QStringList{QStringLiteral("--parallel"), QStringLiteral("0")},
          QStringList{QStringLiteral("--port"), QStringLiteral("0")}}) {
        const CCliRun run = RunCli(QStringList{QStringLiteral("seek")} + arguments);
        EXPECT_EQ(run.nExitCode, 2) << arguments.join(u' ').toStdString();
        EXPECT_TRUE(run.strErr.startsWith("blipnote-cli seek: ")) << run.strErr.constData();
        EXPECT_TRUE(run.strOut.isEmpty());
    }
}
