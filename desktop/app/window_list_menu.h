#pragma once

#include <QHash>
#include <QList>
#include <QObject>

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;

// The open note windows at the end of a Window menu, as programs with windows
// inside their main window list them: "&1 title" to "&9 title", the active one
// checked, and "&More Windows..." to choose among all of them.
class CWindowListMenu : public QObject
{
    Q_OBJECT

public:
    static constexpr int MaxListed = 9;

    CWindowListMenu(QMdiArea& area, QObject* pParent);

    // The menu lists the windows each time it opens.
    void Attach(QMenu& menu);
    // "Select Window": every note window in a list; the chosen one is shown.
    void ChooseFromAll();

private:
    void Fill(QMenu& menu);
    void Show(QMdiSubWindow* pWindow);

    QMdiArea& m_area;
    QHash<QMenu*, QList<QAction*>> m_listed;
};
