#pragma once

#include "core/hosts/host_list.h"
#include "core/presence/presence_record.h"

#include <QDialog>

class QPushButton;
class QTreeWidget;

// "Add found hosts": the copies announced on the network that the host list
// does not have yet, each with a box to tick; the ticked ones are added, under
// their announced nickname, in the group "default". Nothing is added by itself.
class CFoundHostsDlg : public QDialog
{
    Q_OBJECT

public:
    CFoundHostsDlg(const QList<CPresencePeer>& peers, QWidget* pParent);

    // The entries for the ticked copies (after OK).
    QList<CHostEntry> Chosen() const;
    QTreeWidget& List() const { return *m_pList; }
    QPushButton& AddButton() const { return *m_pAdd; }

    // The nickname a copy is listed under: its announced nickname (or its
    // computer's name), in the code page, without the list's separators.
    static QByteArray NicknameOf(const CPresencePeer& peer);

private:
    QList<CPresencePeer> m_peers;
    QTreeWidget* m_pList;
    QPushButton* m_pAdd;
};
