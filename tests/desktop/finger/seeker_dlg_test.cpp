// The Seeker as a user meets it: opened from the Utils menu, Seek clicked,
// rows of the host list filled from the program's own finger server over
// loopback, Write msg, closed while probes run, and the program ended in the
// middle of a seek.
#include "core/documents/blipnote_doc.h"
#include "core/documents/doc_manager.h"
#include "core/finger/seeker.h"
#include "desktop/app/main_frame.h"
#include "desktop/finger/seek_rows_model.h"
#include "desktop/finger/seeker_dlg.h"
#include "desktop/views/msg_out_view.h"
#include "tests/support/desktop_app_fixture.h"
#include "tests/support/event_loop.h"

#include <QComboBox>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTcpServer>
#include <QTest>
#include <QTreeView>

using namespace std::chrono_literals;

namespace {

class SeekerDlgTest : public CDesktopAppFixture
{
protected:
    CSeekerDlg* OpenSeeker()
    {
        if (!ActivateMainWindow())
            return nullptr;
        QMenu* pUtils = OpenMenuByMouse(QStringLiteral("&Utils"));
        if (!pUtils || !ClickItem(*pUtils, QStringLiteral("Seeker ...")))
            return nullptr;
        return m_pApp->Seeker();
    }

    QString Cell(CSeekerDlg& seeker, int nRow, int nColumn) const
    {
        return seeker.Rows().index(nRow, nColumn).data().toString();
    }
};

} // namespace

TEST_F(SeekerDlgTest, SeekFillsTheListFromTheHostList)
{
    Installed();
    ASSERT_TRUE(Start());
    m_pApp->System().strUserName = "ann";
    m_pApp->System().strComputerName = "PC-Z\xFCrich";
    m_pApp->HostBook().Replace(
        {{"ann", "127.0.0.1", ""}, {"carl", "127.0.0.2", ""}, {"bob", "127.0.0.1", ""}});
    CSeekerDlg* pSeeker = OpenSeeker();
    ASSERT_NE(pSeeker, nullptr);
    EXPECT_TRUE(pSeeker->isVisible());
    EXPECT_EQ(pSeeker->windowTitle(), QStringLiteral("Blipnote - Seeker"));
    EXPECT_EQ(pSeeker->Rows().headerData(2, Qt::Horizontal).toString(),
              QStringLiteral("Mapped to:"));

    QTest::mouseClick(&pSeeker->SeekButton(), Qt::LeftButton);
    ASSERT_TRUE(SpinUntil([&] { return pSeeker->SeekButton().isEnabled(); }));
    ASSERT_EQ(pSeeker->Rows().rowCount(), 2);
    EXPECT_EQ(pSeeker->Progress().value(), 0);
    EXPECT_NE(pSeeker->cursor().shape(), Qt::WaitCursor);
    // Each address once, in the order they finished; find ann's row.
    const int nAnn =
        Cell(*pSeeker, 0, CSeekRowsModel::Address) == QStringLiteral("127.0.0.1") ? 0 : 1;
    EXPECT_EQ(Cell(*pSeeker, nAnn, CSeekRowsModel::MappedTo), QStringLiteral("ann,bob"));
    EXPECT_EQ(Cell(*pSeeker, nAnn, CSeekRowsModel::User), QStringLiteral("ann"));
    EXPECT_EQ(Cell(*pSeeker, nAnn, CSeekRowsModel::System), QStringLiteral("PC-Zürich"));
    EXPECT_TRUE(Cell(*pSeeker, nAnn, CSeekRowsModel::Localtime).contains(QStringLiteral("  ")));

    // Write msg with the row in focus: a new note to that address.
    pSeeker->List().setCurrentIndex(pSeeker->Rows().index(nAnn, 0));
    QTest::mouseClick(&pSeeker->WriteButton(), Qt::LeftButton);
    ASSERT_TRUE(SpinUntil([&] { return NoteWindows() == 1; }));
    auto* pView = dynamic_cast<CMsgOutView*>(m_pApp->Documents().Documents().last()->FirstView());
    ASSERT_NE(pView, nullptr);
    EXPECT_EQ(pView->RecipientBox().currentText(), QStringLiteral("127.0.0.1"));
    // And with none: an empty recipient box.
    pSeeker->List().setCurrentIndex(QModelIndex());
    QTest::mouseClick(&pSeeker->WriteButton(), Qt::LeftButton);
    ASSERT_TRUE(SpinUntil([&] { return NoteWindows() == 2; }));
    auto* pEmpty = dynamic_cast<CMsgOutView*>(m_pApp->Documents().Documents().last()->FirstView());
    ASSERT_NE(pEmpty, nullptr);
    EXPECT_EQ(pEmpty->RecipientBox().currentText(), QString());
}

TEST_F(SeekerDlgTest, AnEmptyHostListEndsTheSeekAtOnce)
{
    Installed();
    ASSERT_TRUE(Start());
    m_pApp->HostBook().Replace({});
    CSeekerDlg* pSeeker = OpenSeeker();
    ASSERT_NE(pSeeker, nullptr);
    QTest::mouseClick(&pSeeker->SeekButton(), Qt::LeftButton);
    EXPECT_TRUE(pSeeker->SeekButton().isEnabled());
    EXPECT_TRUE(pSeeker->WriteButton().isEnabled());
    EXPECT_EQ(pSeeker->Rows().rowCount(), 0);
    EXPECT_EQ(pSeeker->Progress().value(), 0);
}

TEST_F(SeekerDlgTest, ClosedWhileSeekingItGoesOnAndEndingTheProgramEndsTheProbes)
{
    Installed();
    ASSERT_TRUE(Start());
    // A host that takes the connection and never answers holds the seek.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress(QStringLiteral("127.0.0.9")), 0));
    m_pApp->HostBook().Replace({{"ann", "127.0.0.1", ""}});
    CSeekerDlg* pSeeker = OpenSeeker();
    ASSERT_NE(pSeeker, nullptr);
    pSeeker->SetFingerPort(silent.serverPort());
    m_pApp->HostBook().Replace({{"quiet", "127.0.0.9", ""}});
    QTest::mouseClick(&pSeeker->SeekButton(), Qt::LeftButton);
    EXPECT_FALSE(pSeeker->SeekButton().isEnabled());
    EXPECT_EQ(pSeeker->cursor().shape(), Qt::WaitCursor);
    // Seek again while it runs: the user is asked to wait, nothing else changes.
    pSeeker->OnSeek();
    ASSERT_FALSE(m_prompts.Events().isEmpty());
    EXPECT_TRUE(m_prompts.Events().last().contains(
        QStringLiteral("Please wait until all seek-threads has finished")))
        << m_prompts.Events().last().toStdString();
    // Escape only hides it; the probe still runs.
    pSeeker->activateWindow();
    QTest::keyClick(pSeeker, Qt::Key_Escape);
    EXPECT_FALSE(pSeeker->isVisible());
    EXPECT_TRUE(pSeeker->Seeker().IsSeeking());
    EXPECT_EQ(OpenSeeker(), pSeeker) << "the same window shows again";
    // The program ends in the middle of the seek: its probe goes quietly.
    m_pApp->OnExit();
    ASSERT_TRUE(SpinUntil([&] { return m_bFinished; }));
    m_pApp.reset();
    SpinUntil([] { return false; }, 100ms);
}
