#include "desktop/app/window_list_menu.h"

#include "desktop/app/menu_text.h"

#include <QAction>
#include <QInputDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>

namespace {

// A window's entry: its number, and its title as the window shows it, every
// character as itself (a title may come from the sender of a note).
QString EntryText(int nNumber, const QMdiSubWindow& window)
{
    return QStringLiteral("&%1 %2").arg(nNumber).arg(LiteralMenuText(window.windowTitle()));
}

} // namespace

CWindowListMenu::CWindowListMenu(QMdiArea& area, QObject* pParent) : QObject(pParent), m_area(area)
{}

void CWindowListMenu::Attach(QMenu& menu)
{
    connect(&menu, &QMenu::aboutToShow, this, [this, pMenu = &menu] { Fill(*pMenu); });
    connect(&menu, &QObject::destroyed, this, [this, pMenu = &menu] { m_listed.remove(pMenu); });
}

void CWindowListMenu::Fill(QMenu& menu)
{
    for (QAction* pAction : m_listed.take(&menu)) {
        menu.removeAction(pAction);
        pAction->deleteLater(); // a listed window may be chosen from this very menu
    }
    const QList<QMdiSubWindow*> windows = m_area.subWindowList();
    if (windows.isEmpty())
        return;
    QList<QAction*>& listed = m_listed[&menu];
    listed.append(menu.addSeparator());
    for (int n = 0; n < windows.size() && n < MaxListed; ++n) {
        QPointer<QMdiSubWindow> pWindow = windows[n];
        QAction* pAction = menu.addAction(EntryText(n + 1, *pWindow));
        pAction->setCheckable(true);
        pAction->setChecked(pWindow == m_area.activeSubWindow());
        connect(pAction, &QAction::triggered, this, [this, pWindow] { Show(pWindow); });
        listed.append(pAction);
    }
    if (windows.size() > MaxListed) {
        QAction* pMore = menu.addAction(tr("&More Windows..."));
        connect(pMore, &QAction::triggered, this, &CWindowListMenu::ChooseFromAll);
        listed.append(pMore);
    }
}

void CWindowListMenu::ChooseFromAll()
{
    const QList<QMdiSubWindow*> windows = m_area.subWindowList();
    QStringList entries;
    for (int n = 0; n < windows.size(); ++n)
        entries.append(QStringLiteral("%1 %2").arg(n + 1).arg(windows[n]->windowTitle()));
    const qsizetype nActive = windows.indexOf(m_area.activeSubWindow());
    QList<QPointer<QMdiSubWindow>> guarded(windows.cbegin(), windows.cend());
    bool bChosen = false;
    const QString strChosen =
        QInputDialog::getItem(m_area.window(), tr("Select Window"), tr("&Select Window:"), entries,
                              static_cast<int>(std::max<qsizetype>(nActive, 0)), false, &bChosen);
    const qsizetype nChosen = entries.indexOf(strChosen);
    // Windows may have closed while the box was open (a note delivered and
    // deleted, say): a gone one is not shown.
    if (bChosen && nChosen >= 0)
        Show(guarded[nChosen]);
}

void CWindowListMenu::Show(QMdiSubWindow* pWindow)
{
    if (!pWindow)
        return;
    if (pWindow->isMinimized())
        pWindow->showNormal();
    m_area.setActiveSubWindow(pWindow);
}
