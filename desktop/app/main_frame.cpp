#include "desktop/app/main_frame.h"

#include "core/documents/blipnote_doc.h"
#include "core/settings/app_settings.h"
#include "desktop/app/child_frame.h"
#include "desktop/app/tray_icon_interface.h"
#include "desktop/app/window_list_menu.h"
#include "desktop/resources/icon_list.h"
#include "desktop/views/note_view.h"

#include <QAction>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>

#include <algorithm>

namespace {
// A note window's size, and the step from one window to the next, cascaded.
constexpr QSize kNoteSize(520, 340);
constexpr int kCascadeStep = 24;
// The size of a note window opened while the main window is hidden, before it is
// maximised.
constexpr QSize kHiddenNoteSize(350, 400);
} // namespace

CMainFrame::CMainFrame(CAppSettings& settings, ITrayIcon& tray, bool bTrayAvailable,
                       IPrompts& prompts, std::chrono::milliseconds greetingDelay, QWidget* pParent)
    : QMainWindow(pParent), m_settings(settings), m_bTrayAvailable(bTrayAvailable), m_tray(tray),
      m_prompts(prompts), m_pClientArea(new QMdiArea(this)), m_pMenus(new CMainMenus(this)),
      m_pListening(new QLabel(this)), m_pSending(new QLabel(this))
{
    setWindowTitle(QStringLiteral("Blipnote"));
    setWindowIcon(CIconList::Named(QStringLiteral("blipnote")));
    setAcceptDrops(true);
    setCentralWidget(m_pClientArea);
    m_pClientArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_pClientArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    m_pToolBar = addToolBar(tr("Toolbar"));
    m_pToolBar->setObjectName(QStringLiteral("toolbar"));
    m_pMenus->FillToolBar(*m_pToolBar);

    // The two panes are as wide as their sizing texts, or their text when it is
    // wider (the window is then no narrower than it), and keep their last text.
    for (auto [pLabel, pszSizing] : {std::pair{m_pListening, "listening status"},
                                     std::pair{m_pSending, "sending status area"}}) {
        pLabel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pLabel->setTextFormat(Qt::PlainText);
        pLabel->setText(QString::fromLatin1(pszSizing));
        pLabel->setMinimumWidth(pLabel->sizeHint().width());
        pLabel->clear();
        statusBar()->addPermanentWidget(pLabel);
    }
    statusBar()->showMessage(QStringLiteral(" "));

    // Both bars start shown; what their commands do is in the command table.
    m_pMenus->Action(CMainMenus::Toolbar)->setChecked(true);
    m_pMenus->Action(CMainMenus::StatusBar)->setChecked(true);
    addActions(m_pMenus->KeyOnlyActions());
    auto* pWindowList = new CWindowListMenu(*m_pClientArea, this);
    for (QMenu* pMenu : m_pMenus->WindowMenus())
        pWindowList->Attach(*pMenu);
    for (QMenu* pMenu : m_pMenus->AllMenus())
        connect(pMenu, &QMenu::aboutToShow, this, &CMainFrame::MenusShown);
    connect(m_pClientArea, &QMdiArea::subWindowActivated, this, &CMainFrame::UpdateMenus);
    connect(m_pClientArea, &QMdiArea::subWindowActivated, this, &CMainFrame::NoteWindowActivated);
    UpdateMenus();

    RestorePlacement();

    m_greetingTimer.setSingleShot(true);
    connect(&m_greetingTimer, &QTimer::timeout, this, &CMainFrame::GreetingDue);
    m_greetingTimer.start(greetingDelay);
}

void CMainFrame::RestorePlacement()
{
    const CWindowPlacement placement = m_settings.ReadWindowPlacement();
    setGeometry(placement.nLeft, placement.nTop, placement.nRight - placement.nLeft,
                placement.nBottom - placement.nTop);
}

void CMainFrame::PostStatusText(StatusPane ePane, const QString& strText)
{
    QMetaObject::invokeMethod(
        this,
        [this, ePane, strText] {
            QLabel* pLabel = ePane == StatusPane::Listening ? m_pListening : m_pSending;
            pLabel->setText(strText);
            pLabel->setMinimumWidth(std::max(pLabel->minimumWidth(), pLabel->sizeHint().width()));
            pLabel->repaint(); // shown at once, even while texts come in quick succession
        },
        Qt::QueuedConnection);
}

QString CMainFrame::StatusText(StatusPane ePane) const
{
    return (ePane == StatusPane::Listening ? m_pListening : m_pSending)->text();
}

void CMainFrame::ShowNotReceiving(const QString& strWhy)
{
    m_pListening->setToolTip(strWhy);
    m_strTrayTip = NotReceivingTip();
    m_tray.SetTip(m_strTrayTip);
}

void CMainFrame::ShowPresenceUnavailable(const QString& strWhy)
{
    statusBar()->setToolTip(
        strWhy.isEmpty() ? QString()
                         : tr("Presence unavailable (who is up is not shown): %1").arg(strWhy));
}

void CMainFrame::ShowStatusNote(const QString& strText)
{
    m_strStatusNote = strText;
    statusBar()->showMessage(strText);
}

QString CMainFrame::StatusNote() const
{
    return statusBar()->currentMessage();
}

bool CMainFrame::event(QEvent* pEvent)
{
    // A menu's hint that ends gives the pane back to the note.
    if (pEvent->type() == QEvent::StatusTip && !m_strStatusNote.isEmpty() &&
        static_cast<QStatusTipEvent*>(pEvent)->tip().isEmpty()) {
        statusBar()->showMessage(m_strStatusNote);
        return true;
    }
    return QMainWindow::event(pEvent);
}

CChildFrame* CMainFrame::AddNoteWindow(CNoteView* pView)
{
    auto* pFrame = new CChildFrame(pView, m_prompts);
    m_pClientArea->addSubWindow(pFrame);
    // The last window going need not activate another: the bar follows anyway.
    connect(pFrame, &QObject::destroyed, this, &CMainFrame::UpdateMenus, Qt::QueuedConnection);
    connect(pFrame, &QWidget::windowTitleChanged, this, &CMainFrame::UpdateCaption);
    // A note opened while the main window is minimised or hidden opens maximised.
    if (isMinimized() || isHidden()) {
        pFrame->setGeometry(QRect(QPoint(0, 0), kHiddenNoteSize));
        pFrame->showMaximized();
    } else {
        // Cascaded from the top left, and always inside the client area.
        const QSize area = m_pClientArea->viewport()->size();
        const int nStep =
            kCascadeStep * static_cast<int>(m_pClientArea->subWindowList().size() - 1);
        const QPoint position(nStep % std::max(1, area.width() / 2),
                              nStep % std::max(1, area.height() / 2));
        pFrame->setGeometry(
            QRect(position, QSize(std::min(kNoteSize.width(), area.width() - position.x()),
                                  std::min(kNoteSize.height(), area.height() - position.y()))));
        pFrame->show();
    }
    return pFrame;
}

QList<CChildFrame*> CMainFrame::NoteWindows() const
{
    QList<CChildFrame*> frames;
    for (QMdiSubWindow* pWindow : m_pClientArea->subWindowList()) {
        if (auto* pFrame = qobject_cast<CChildFrame*>(pWindow))
            frames.append(pFrame);
    }
    return frames;
}

CChildFrame* CMainFrame::ActiveNoteWindow() const
{
    // Also while the main window itself is not the active one (a box over it).
    return qobject_cast<CChildFrame*>(m_pClientArea->currentSubWindow());
}

void CMainFrame::UpdateMenus()
{
    const CChildFrame* pFrame = ActiveNoteWindow();
    CMainMenus::EKind eKind = CMainMenus::EKind::NoNote;
    if (pFrame && pFrame->View()->Document())
        eKind = pFrame->View()->Document()->IsIncoming() ? CMainMenus::EKind::Incoming
                                                         : CMainMenus::EKind::Outgoing;
    m_pMenus->Show(*menuBar(), eKind);
    m_pMenus->Action(CMainMenus::Send)->setEnabled(eKind == CMainMenus::EKind::Outgoing);
    m_pMenus->Action(CMainMenus::ChangeTitle)->setEnabled(eKind == CMainMenus::EKind::Outgoing);
    m_pMenus->Action(CMainMenus::Reply)->setEnabled(eKind == CMainMenus::EKind::Incoming);
    m_pMenus->Action(CMainMenus::Save)->setEnabled(eKind != CMainMenus::EKind::NoNote);
    UpdateCaption();
}

void CMainFrame::UpdateCaption()
{
    // The active note's title, whether its window is maximised or not.
    const CChildFrame* pFrame = ActiveNoteWindow();
    setWindowTitle(pFrame ? QStringLiteral("Blipnote - ") + pFrame->windowTitle()
                          : QStringLiteral("Blipnote"));
}

void CMainFrame::ShowAndRestore()
{
    show();
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

void CMainFrame::ShowNoteWindow(CChildFrame* pFrame)
{
    ShowAndRestore();
    if (pFrame->isMinimized())
        pFrame->showNormal();
    m_pClientArea->setActiveSubWindow(pFrame);
}

void CMainFrame::StartHidden()
{
    if (m_bTrayAvailable)
        GoToTray();
    else
        showMinimized();
}

void CMainFrame::CenterOnScreen()
{
    if (const QScreen* pScreen = screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(pScreen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void CMainFrame::MinimizeAll()
{
    QMdiSubWindow* pActive = m_pClientArea->activeSubWindow();
    for (QMdiSubWindow* pWindow : m_pClientArea->subWindowList()) {
        if (pWindow != pActive)
            pWindow->showMinimized();
    }
    if (pActive)
        m_pClientArea->setActiveSubWindow(pActive);
}

void CMainFrame::ArrangeIcons()
{
    // Left to right along the bottom of the area, a new row above when one is full.
    const QSize area = m_pClientArea->viewport()->size();
    int nX = 0;
    int nBottom = area.height();
    for (QMdiSubWindow* pWindow : m_pClientArea->subWindowList()) {
        if (!pWindow->isMinimized())
            continue;
        const QSize icon = pWindow->size();
        if (nX > 0 && nX + icon.width() > area.width()) {
            nX = 0;
            nBottom -= icon.height();
        }
        pWindow->move(nX, nBottom - icon.height());
        nX += icon.width();
    }
}

void CMainFrame::ActivateNextNoteWindow()
{
    m_pClientArea->activateNextSubWindow();
}

void CMainFrame::CascadeNoteWindows()
{
    m_pClientArea->cascadeSubWindows();
}

void CMainFrame::TileNoteWindows()
{
    m_pClientArea->tileSubWindows();
}

bool CMainFrame::UsesTray() const
{
    return m_settings.UseTrayArea() && m_bTrayAvailable;
}

void CMainFrame::GoToTray()
{
    hide();
    m_tray.SetIcon(ITrayIcon::EIcon::Listening);
    m_tray.SetTip(m_strTrayTip);
}

void CMainFrame::changeEvent(QEvent* pEvent)
{
    QMainWindow::changeEvent(pEvent);
    if (pEvent->type() == QEvent::WindowStateChange && isMinimized() && UsesTray()) {
        // Hidden once the minimising has been carried out.
        QMetaObject::invokeMethod(this, &CMainFrame::GoToTray, Qt::QueuedConnection);
    }
}

void CMainFrame::closeEvent(QCloseEvent* pEvent)
{
    if (m_settings.NoClose()) {
        pEvent->ignore();
        showMinimized();
        if (UsesTray()) {
            hide();
            m_tray.SetIcon(ITrayIcon::EIcon::Listening);
        }
        return;
    }
    CWindowPlacement placement = m_settings.ReadWindowPlacement();
    const QRect normal = normalGeometry();
    placement.nFlags = 0;
    placement.nShowCmd = isMaximized()   ? CWindowPlacement::ShowMaximized
                         : isMinimized() ? CWindowPlacement::ShowMinimized
                                         : CWindowPlacement::ShowNormal;
    placement.nLeft = normal.left();
    placement.nTop = normal.top();
    placement.nRight = normal.right() + 1;
    placement.nBottom = normal.bottom() + 1;
    const QRect screenRect = screen() ? screen()->virtualGeometry() : QRect(0, 0, 1024, 768);
    m_settings.SaveWindowPlacement(placement, screenRect.right() + 1, screenRect.bottom() + 1);
    Q_EMIT Closing();
    m_tray.SetIcon(ITrayIcon::EIcon::None);
    pEvent->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* pEvent)
{
    if (pEvent->mimeData()->hasUrls())
        pEvent->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* pEvent)
{
    QStringList paths;
    for (const QUrl& url : pEvent->mimeData()->urls()) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    if (!paths.isEmpty()) {
        pEvent->acceptProposedAction();
        Q_EMIT FilesDropped(paths);
    }
}
