#pragma once

#include <QTimer>
#include <QWidget>

#include <vector>

class COutbox;
class COutboxRowsModel;
class IPrompts;
class QLabel;
class QPushButton;
class QTableView;

// Utils / Outbox...: the notes waiting for their hosts and those whose
// delivery is unknown, with their tries, as they happen; each can be sent now
// or cancelled.
class COutboxWindow : public QWidget
{
    Q_OBJECT

public:
    COutboxWindow(COutbox& outbox, IPrompts& prompts, QWidget* pParent = nullptr);
    ~COutboxWindow() override;

    QTableView& List() const { return *m_pList; }
    COutboxRowsModel& Rows() const { return *m_pRows; }
    QPushButton& SendNowButton() const { return *m_pSendNow; }
    QPushButton& CancelButton() const { return *m_pCancel; }

    // The question Cancel asks.
    static QString CancelQuestion(int nNotes);

protected:
    void showEvent(QShowEvent* pEvent) override;

private:
    void Reload();
    void UpdateButtons();
    std::vector<qint64> SelectedIds() const;
    void OnSendNow();
    void OnCancel();

    COutbox& m_outbox;
    IPrompts& m_prompts;
    COutboxRowsModel* m_pRows = nullptr;
    QTableView* m_pList = nullptr;
    QLabel* m_pState = nullptr;
    QPushButton* m_pSendNow = nullptr;
    QPushButton* m_pCancel = nullptr;
    QTimer m_changed;
};
