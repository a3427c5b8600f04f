#pragma once

#include <QAbstractListModel>
#include <QIcon>
#include <QStringList>

class CPresenceTexts;

// What the recipient box offers: the hosts' nicknames and each "Group " and
// group, sorted as QString::compare orders them without regard to case, each
// with its presence beside it when one is known (see CPresenceDelegate). The
// entries are the shared list they were built into, so a box of a hundred
// thousand hosts costs one list, not an item each; the box's completer finds
// what is typed by halving (it is told the entries are sorted).
class CRecipientModel : public QAbstractListModel
{
    Q_OBJECT

public:
    // pPresence: the texts beside the choices; none, none are shown.
    CRecipientModel(QStringList entries, CPresenceTexts* pPresence, QObject* pParent);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int nRole) const override;

    // The first entry that begins with the text, without regard to case, or -1.
    int FirstStartingWith(const QString& strPrefix) const;

private:
    QStringList m_entries;
    CPresenceTexts* m_pPresence;
    QIcon m_hostIcon;
    QIcon m_groupIcon;
};
