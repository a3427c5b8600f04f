#pragma once

#include "desktop/setup/setup_page.h"

class CHostRowsModel;
class QLineEdit;
class QPushButton;
class QTreeView;

// "  Hosts  ": the host list as rows that the user edits in place, adds to, removes
// and fills with ranges. The page edits a copy, which replaces the host list and
// is saved as group Hosts when the page is applied.
class CPageHosts : public CSetupPage
{
    Q_OBJECT

public:
    CPageHosts(const CSetupContext& context, QWidget* pParent);

    void Apply() override;

    void OnAdd();
    void OnRemove();
    void OnRemoveAll();
    void OnCreateRange();
    // "Add found hosts...": the copies announced on the network, added by choice.
    void OnAddFound();

    // The row the three edits change, or -1; the row count when typing without a
    // row waits for a row to be added there.
    int CurrentRow() const { return m_nCurrentRow; }

    QLineEdit& NicknameEdit() const { return *m_pNickname; }
    QLineEdit& AddressEdit() const { return *m_pAddress; }
    QLineEdit& GroupEdit() const { return *m_pGroup; }
    QTreeView& List() const { return *m_pList; }
    CHostRowsModel& Rows() const { return *m_pRows; }
    QPushButton& CreateRangeButton() const { return *m_pCreateRange; }
    QPushButton& AddButton() const { return *m_pAdd; }
    QPushButton& RemoveButton() const { return *m_pRemove; }
    QPushButton& RemoveAllButton() const { return *m_pRemoveAll; }
    QPushButton& AddFoundButton() const { return *m_pAddFound; }

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
    void showEvent(QShowEvent* pEvent) override;

private:
    int SelectedRow() const;
    void LoadCurrentRow();
    void OnEdited(int nColumn, const QString& strText);
    void OnRowsRemoved(int nFirst, int nLast);
    // No row is current any more: the edits show none.
    void ForgetCurrentRow();
    bool OnListKey(int nKey);

    CSetupContext m_context;
    int m_nCurrentRow = -1;
    bool m_bColumnsSized = false;
    QLineEdit* m_pNickname;
    QLineEdit* m_pAddress;
    QLineEdit* m_pGroup;
    CHostRowsModel* m_pRows;
    QTreeView* m_pList;
    QPushButton* m_pCreateRange;
    QPushButton* m_pAdd;
    QPushButton* m_pRemove;
    QPushButton* m_pRemoveAll;
    QPushButton* m_pAddFound;
};
