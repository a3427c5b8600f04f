#pragma once

#include "desktop/views/note_view.h"

class QLabel;

// The window that shows an incoming note: a header strip with the sender's
// nickname, the time of arrival, the sender's computer and address and a
// priority mark, above the editor (read-only unless "Write InMessage" is on).
class CMsgInView : public CNoteView
{
    Q_OBJECT

public:
    CMsgInView(CBlipnoteDoc& doc, CViewContext& context, QWidget* pParent = nullptr);

    // Opens the answer as a new outgoing note, quoted as the settings say.
    CBlipnoteDoc* Reply();

    QString NicknameText() const;
    QString TimeText() const;
    QString SystemText() const;
    QString AddressText() const;
    bool ShowsPriorityMark() const;

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    QLabel* AddField(int x, int y, int nWidth, const QByteArray& strText,
                     const QString& strCaption);
    void FillContextMenu(QMenu& menu) override;

    QLabel* m_pNickname;
    QLabel* m_pTime;
    QLabel* m_pSystem;
    QLabel* m_pAddress;
};
