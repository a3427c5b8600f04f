#include "core/history/history_recorder.h"
#include "core/messaging/note_listen_socket.h"
#include "core/outbox/outbox.h"
#include "desktop/app/dialog_prompts.h"
#include "desktop/app/main_frame.h"
#include "desktop/history/history_keeper.h"
#include "desktop/history/history_rows_model.h"
#include "desktop/history/history_window.h"
#include "desktop/history/outbox_rows_model.h"
#include "desktop/history/outbox_window.h"
#include "desktop/views/msg_out_view.h"
#include "desktop/views/rich_text_ctrl.h"
#include "tests/support/desktop_app_fixture.h"
#include "tests/support/event_loop.h"
#include "tests/support/loopback.h"
#include "tests/support/recording_status_sink.h"

#include <QItemSelectionModel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

namespace {

// A note server on one loopback address that keeps what it received.
struct CHost
{
    CHost(const QString& strAddress, quint16 nPort)
    {
        QObject::connect(&server, &CNoteListenSocket::NoteReceived,
                         [this](const QByteArray& strText, qint64) { texts.append(strText); });
        bOpen = server.Open(nPort, QHostAddress(strAddress));
    }

    CRecordingStatusSink sink;
    CNoteListenSocket server{sink};
    QList<QByteArray> texts;
    bool bOpen = false;
};

class OutboxWindowTest : public CDesktopAppFixture
{
protected:
    void SetUp() override
    {
        m_strHistoryPath = m_folder.filePath(QStringLiteral("data/history.db"));
        // Tried again only when the test says so (Send now, or the host up).
        m_outboxTuning.firstGap = 1h;
        Installed();
        ASSERT_TRUE(Start());
    }

    QString To(int nHost) const { return QStringLiteral("127.0.0.%1:%2").arg(nHost).arg(m_nPort); }

    // Writes a note to that host and sends it, as a user does; waits for its
    // error box.
    void SendTo(int nHost, const QString& strText, const QString& strSecondLine = QString())
    {
        const qsizetype nBoxes = m_prompts.Boxes().size();
        CMsgOutView* pView = WriteNote(To(nHost), strText);
        ASSERT_NE(pView, nullptr);
        if (!strSecondLine.isEmpty()) {
            QTest::keyClick(&pView->Editor(), Qt::Key_Return);
            QTest::keyClicks(&pView->Editor(), strSecondLine);
        }
        Choose(QStringLiteral("&Message"), QStringLiteral("&Send"));
        ASSERT_TRUE(SpinUntil([&] { return m_prompts.Boxes().size() > nBoxes; }));
    }

    COutboxWindow& Window()
    {
        if (!m_pApp->OutboxWindow())
            Choose(QStringLiteral("&Utils"), QStringLiteral("&Outbox ..."));
        EXPECT_TRUE(m_pApp->OutboxWindow());
        return *m_pApp->OutboxWindow();
    }

    QStringList Column(int nColumn)
    {
        QStringList texts;
        const COutboxRowsModel& rows = Window().Rows();
        for (int n = 0; n < rows.rowCount(); ++n)
            texts << rows.index(n, nColumn).data().toString();
        return texts;
    }

    void ClickRow(int nRow)
    {
        QTableView& list = Window().List();
        const QRect cell = list.visualRect(list.model()->index(nRow, COutboxRowsModel::FirstLine));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, cell.center());
    }

    // Each recipient's result of the note sent last, as the History window's
    // Result tooltip shows it.
    QString ResultTip()
    {
        CHistoryRowsModel rows(m_pApp->History().Recorder()->Store());
        return rows.index(0, CHistoryRowsModel::Result).data(Qt::ToolTipRole).toString();
    }

    QTemporaryDir m_folder;
    quint16 m_nPort = Loopback::UnusedPort();
};

TEST_F(OutboxWindowTest, AFailedSendWaitsAndIsSentOrCancelledFromTheOutboxWindow)
{
    COutbox* pOutbox = m_pApp->Outbox();
    ASSERT_NE(pOutbox, nullptr);
    // Declined: the box as ever, nothing waits.
    m_prompts.SetOfferAnswer(false);
    SendTo(3, QStringLiteral("Not this one"));
    EXPECT_EQ(m_prompts.Events().filter(QStringLiteral("offer: ")).size(), 1);
    EXPECT_TRUE(pOutbox->Entries().empty());
    // Taken: the box's text as it always was, with the offer beside it.
    m_prompts.SetOfferAnswer(true);
    SendTo(2, QStringLiteral("Lunch at one?"), QStringLiteral("See you"));
    const QString strBox = QStringLiteral("Error during Send !\n\nCannot connect to ") + To(2);
    const QStringList events = m_prompts.Events();
    const qsizetype nBox = events.lastIndexOf(QStringLiteral("box: ") + strBox);
    ASSERT_GE(nBox, 0) << events.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(events.value(nBox + 1), QStringLiteral("offer: Send when it is up"));
    SendTo(4, QStringLiteral("Second thoughts"));
    ASSERT_EQ(pOutbox->Entries().size(), 2u);
    ASSERT_TRUE(SpinUntil([&] {
        return ResultTip() == To(4) + QStringLiteral(": waiting in the outbox");
    })) << ResultTip().toStdString();

    // Utils / Outbox ... lists them, oldest first.
    COutboxWindow& window = Window();
    ASSERT_TRUE(window.isVisible());
    EXPECT_EQ(Column(COutboxRowsModel::To), (QStringList{To(2), To(4)}));
    EXPECT_EQ(Column(COutboxRowsModel::FirstLine),
              (QStringList{QStringLiteral("Lunch at one?"), QStringLiteral("Second thoughts")}));
    EXPECT_EQ(Column(COutboxRowsModel::State),
              (QStringList{QStringLiteral("waiting"), QStringLiteral("waiting")}));
    EXPECT_EQ(Column(COutboxRowsModel::Attempts),
              (QStringList{QStringLiteral("1"), QStringLiteral("1")}));
    EXPECT_EQ(Column(COutboxRowsModel::Reason).first(),
              QStringLiteral("Cannot connect to ") + To(2));
    // The oldest is chosen as the window opens.
    EXPECT_TRUE(window.SendNowButton().isEnabled());
    EXPECT_EQ(window.List().selectionModel()->selectedRows().size(), 1);

    // Send now, once the host is up: delivered once, and off the list.
    CHost host(QStringLiteral("127.0.0.2"), m_nPort);
    ASSERT_TRUE(host.bOpen);
    ClickRow(0);
    ASSERT_TRUE(window.SendNowButton().isEnabled());
    QTest::mouseClick(&window.SendNowButton(), Qt::LeftButton);
    ASSERT_TRUE(SpinUntil([&] { return window.Rows().rowCount() == 1; }));
    EXPECT_EQ(Column(COutboxRowsModel::To), QStringList{To(4)});
    ASSERT_EQ(host.texts.size(), 1);
    EXPECT_TRUE(host.texts.front().contains("Lunch at one?"));

    // Send now to a host still down: tried, counted, and still waiting.
    ClickRow(0);
    QTest::mouseClick(&window.SendNowButton(), Qt::LeftButton);
    ASSERT_TRUE(SpinUntil([&] {
        return Column(COutboxRowsModel::Attempts) == QStringList{QStringLiteral("2")} &&
               Column(COutboxRowsModel::State) == QStringList{QStringLiteral("waiting")};
    }));

    // Cancel asks; No keeps it, Yes takes it out.
    ClickRow(0);
    m_prompts.SetAnswer(false);
    QTest::mouseClick(&window.CancelButton(), Qt::LeftButton);
    EXPECT_EQ(m_prompts.Boxes().last(), COutboxWindow::CancelQuestion(1));
    EXPECT_EQ(window.Rows().rowCount(), 1);
    m_prompts.SetAnswer(true);
    QTest::mouseClick(&window.CancelButton(), Qt::LeftButton);
    EXPECT_EQ(window.Rows().rowCount(), 0);
    EXPECT_TRUE(pOutbox->Entries().empty());
    EXPECT_EQ(ResultTip(), To(4) + QStringLiteral(": cancelled"));
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());

    // The History window's Result tooltips tell what became of each.
    Choose(QStringLiteral("&Utils"), QStringLiteral("&History ..."));
    CHistoryWindow* pHistory = m_pApp->HistoryWindow();
    ASSERT_NE(pHistory, nullptr);
    pHistory->Rows().Reload();
    QStringList tips;
    for (int n = 0; n < pHistory->Rows().rowCount(); ++n)
        tips << pHistory->Rows()
                    .index(n, CHistoryRowsModel::Result)
                    .data(Qt::ToolTipRole)
                    .toString();
    EXPECT_EQ(tips, (QStringList{To(4) + QStringLiteral(": cancelled"),
                                 To(2) + QStringLiteral(": delivered"),
                                 To(3) + QStringLiteral(": failed")}));
}

TEST_F(OutboxWindowTest, WaitsUnaskedAndIsPickedUpAtTheNextStart)
{
    // "Keep Undelivered" on: no offer, the note waits, the box says what it said.
    m_pApp->Settings().SetKeepUndelivered(true);
    SendTo(5, QStringLiteral("Across a restart"));
    EXPECT_TRUE(m_prompts.Events().filter(QStringLiteral("offer: ")).isEmpty());
    EXPECT_EQ(m_prompts.Boxes().last(),
              QStringLiteral("Error during Send !\n\nCannot connect to ") + To(5));
    ASSERT_EQ(m_pApp->Outbox()->Entries().size(), 1u);

    // The program ends and starts again; the host is told to be up.
    m_pApp.reset();
    ASSERT_TRUE(Start());
    ASSERT_NE(m_pApp->Outbox(), nullptr);
    ASSERT_EQ(m_pApp->Outbox()->Entries().size(), 1u);
    EXPECT_EQ(Column(COutboxRowsModel::To), QStringList{To(5)});
    CHost host(QStringLiteral("127.0.0.5"), m_nPort);
    ASSERT_TRUE(host.bOpen);
    m_pApp->Outbox()->HostUp("127.0.0.5");
    ASSERT_TRUE(SpinUntil([&] { return Window().Rows().rowCount() == 0; }));
    EXPECT_EQ(host.texts.size(), 1);
}

TEST_F(OutboxWindowTest, TheErrorBoxOffersToWaitBesideItsOk)
{
    CDialogPrompts prompts;
    prompts.SetParent(&m_pApp->MainFrame());
    const QString strText = QStringLiteral("Error during Send !\n\nCannot connect to 127.0.0.9");
    const QString strOffer = QStringLiteral("Send when it is up");
    for (const bool bTake : {true, false}) {
        bool bTaken = !bTake;
        ASSERT_TRUE(OnModal(
            [&] { bTaken = prompts.ShowMessageWithOffer(strText, PromptIcon::Stop, strOffer); },
            [&](QWidget& modal) {
                auto* pBox = qobject_cast<QMessageBox*>(&modal);
                ASSERT_NE(pBox, nullptr);
                EXPECT_EQ(pBox->text(), strText);
                EXPECT_EQ(pBox->icon(), QMessageBox::Critical);
                QPushButton* pOffer = nullptr;
                for (QAbstractButton* pButton : pBox->buttons()) {
                    if (pButton->text() == strOffer)
                        pOffer = qobject_cast<QPushButton*>(pButton);
                }
                ASSERT_NE(pOffer, nullptr);
                // Enter is OK, as in every error box.
                if (bTake)
                    QTest::mouseClick(pOffer, Qt::LeftButton);
                else
                    QTest::keyClick(pBox, Qt::Key_Return);
            }));
        EXPECT_EQ(bTaken, bTake);
    }
}

} // namespace
