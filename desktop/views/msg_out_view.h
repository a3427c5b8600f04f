#pragma once

#include "desktop/views/note_view.h"

class CRecipientModel;
class QCheckBox;
class QComboBox;

// The window in which an outgoing note is written and sent: a header strip with
// the recipient box (hosts, groups, or a typed address), the priority box and
// the state of the last send, above the editor.
class CMsgOutView : public CNoteView
{
    Q_OBJECT

public:
    CMsgOutView(CBlipnoteDoc& doc, CViewContext& context, QWidget* pParent = nullptr);

    void SetRecipientText(const QByteArray& strText) override;

    // Sends the note to what the recipient box names.
    void Send();
    // Asks for a new title ("Enter new title") and gives it to the note.
    void ChangeTitle();

    QComboBox& RecipientBox() const { return *m_pRecipients; }
    QCheckBox& PriorityBox() const { return *m_pPriority; }
    // 0 a host, 6 a group: the icon before the recipient box.
    int RecipientIcon() const { return m_nRecipientIcon; }

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    void FillRecipients();
    void PreselectRecipient();
    void OnRecipientChosen();
    void FillContextMenu(QMenu& menu) override;
    QList<QWidget*> Panes() const override;

    QComboBox* m_pRecipients;
    CRecipientModel* m_pRecipientEntries = nullptr;
    QCheckBox* m_pPriority;
    int m_nRecipientIcon = 0;
};
