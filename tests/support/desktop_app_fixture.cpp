#include "tests/support/desktop_app_fixture.h"

#include "core/documents/blipnote_doc.h"
#include "core/documents/doc_manager.h"
#include "core/messaging/note_listen_socket.h"
#include "desktop/app/child_frame.h"
#include "desktop/app/main_frame.h"
#include "desktop/views/msg_out_view.h"
#include "desktop/views/rich_text_ctrl.h"
#include "tests/support/event_loop.h"
#include "tests/support/raw_client.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QMenuBar>
#include <QPointer>
#include <QTest>
#include <QTimer>

void CDesktopAppFixture::Installed()
{
    const QString strSettings = QStringLiteral("Settings");
    m_store.WriteInt(strSettings, QStringLiteral("version"), 2);
    m_store.WriteInt(strSettings, QStringLiteral("IP Port"), 0);
    m_store.WriteInt(strSettings, QStringLiteral("greetings"), 1);
}

bool CDesktopAppFixture::Start(const CStartupRequest& request, bool bTray)
{
    CAppEnvironment environment{*m_pStore, m_prompts, m_tray, m_sound, bTray, 0};
    environment.greetingDelay = m_greetingDelay;
    environment.greetingFiles = m_greetingFiles;
    environment.strMailProgram = m_strMailProgram;
    environment.strSoundsFolder = m_strSoundsFolder;
    environment.bUseSessionBus = m_bUseSessionBus;
    environment.bUseSystemBus = m_bUseSystemBus;
    environment.strAutostartFolder = m_strAutostartFolder;
    environment.strHistoryPath = m_strHistoryPath;
    environment.pFingerPort = m_pFingerPort;
    environment.outboxTuning = m_outboxTuning;
    m_pApp = std::make_unique<CBlipnoteApp>(environment);
    QObject::connect(m_pApp.get(), &CBlipnoteApp::Finished, [this] { m_bFinished = true; });
    return m_pApp->Startup(request);
}

CBlipnoteDoc* CDesktopAppFixture::Deliver(const QByteArray& strNote)
{
    const int nBefore = static_cast<int>(m_pApp->Documents().Documents().size());
    CRawClientScript script;
    script.nPort = m_pApp->NoteServer().ServerPort();
    script.strFirst = strNote;
    auto result = RunRawClient(script);
    EXPECT_TRUE(SpinUntil([&] {
        return m_pApp->Documents().Documents().size() > nBefore &&
               result.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    }));
    return m_pApp->Documents().Documents().value(nBefore);
}

CMsgOutView* CDesktopAppFixture::WriteNote(const QString& strTo, const QString& strText)
{
    Choose(QStringLiteral("&File"), QStringLiteral("&New"));
    CChildFrame* pFrame = m_pApp->MainFrame().ActiveNoteWindow();
    auto* pView = pFrame ? qobject_cast<CMsgOutView*>(pFrame->View()) : nullptr;
    if (!pView)
        return nullptr;
    pView->RecipientBox().setFocus();
    QTest::keyClick(&pView->RecipientBox(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(&pView->RecipientBox(), strTo);
    if (!strText.isEmpty()) {
        pView->Editor().setFocus();
        QTest::keyClicks(&pView->Editor(), strText);
    }
    return pView;
}

int CDesktopAppFixture::NoteWindows() const
{
    return static_cast<int>(m_pApp->MainFrame().NoteWindows().size());
}

bool CDesktopAppFixture::ActivateMainWindow()
{
    CMainFrame& frame = m_pApp->MainFrame();
    frame.show();
    frame.activateWindow();
    return QTest::qWaitForWindowActive(&frame);
}

QMenu* CDesktopAppFixture::OpenMenuByKey(Qt::Key eKey)
{
    QTest::keyClick(&m_pApp->MainFrame(), eKey, Qt::AltModifier);
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

void CDesktopAppFixture::Choose(const QString& strMenu, const QString& strItem)
{
    QPointer<QMenu> pMenu = OpenMenuByMouse(strMenu);
    ASSERT_NE(pMenu, nullptr) << qPrintable(strMenu);
    ASSERT_TRUE(ClickItem(*pMenu, strItem)) << qPrintable(strItem);
    QCoreApplication::processEvents();
    EXPECT_FALSE(pMenu.isNull()) << qPrintable(strItem);
}

QMenu* CDesktopAppFixture::OpenMenuByMouse(const QString& strTitle)
{
    QMenuBar* pBar = m_pApp->MainFrame().menuBar();
    for (QAction* pAction : pBar->actions()) {
        if (pAction->text() == strTitle) {
            QTest::mouseClick(pBar, Qt::LeftButton, {}, pBar->actionGeometry(pAction).center());
            return qobject_cast<QMenu*>(QApplication::activePopupWidget());
        }
    }
    return nullptr;
}

bool CDesktopAppFixture::ClickItem(QMenu& menu, const QString& strText)
{
    for (QAction* pAction : menu.actions()) {
        if (pAction->text() == strText && pAction->isEnabled()) {
            QTest::mouseClick(&menu, Qt::LeftButton, {}, menu.actionGeometry(pAction).center());
            return true;
        }
    }
    return false;
}

bool CDesktopAppFixture::OnModal(const std::function<void()>& trigger,
                                 const std::function<void(QWidget&)>& act)
{
    QWidget* const pBefore = QApplication::activeModalWidget();
    bool bSeen = false;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QPointer<QWidget> pModal = QApplication::activeModalWidget();
        if (!pModal || pModal == pBefore || bSeen)
            return;
        bSeen = true;
        poll.stop();
        act(*pModal);
        if (pModal && pModal->isVisible()) {
            ADD_FAILURE() << "the modal window stayed open";
            if (auto* pDialog = qobject_cast<QDialog*>(pModal.data()))
                pDialog->reject();
        }
    });
    poll.start();
    trigger();
    poll.stop();
    return bSeen;
}
