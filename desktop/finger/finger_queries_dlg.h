#pragma once

#include <QDialog>

class CFingerQueryLog;
class QTreeWidget;

// "Blipnote - FingerDaemon": the finger queries answered since the program
// started, as they stood when the dialog opened; "Clear All" empties the log.
class CFingerQueriesDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CFingerQueriesDlg(CFingerQueryLog& log, QWidget* pParent = nullptr);

    QTreeWidget& List() const { return *m_pList; }
    void OnClearAll();

private:
    CFingerQueryLog& m_log;
    QTreeWidget* m_pList;
};
