#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class CHostList;
class CHostPresence;

// What the recipient box shows beside each choice: a host's state ("here",
// "gone, last seen 14:02") and a group's count ("2 of 5 here"), keyed by the
// choice's text. Made in one pass over the host list, and again a moment
// after presence or the list changed (at most a few times a second, so that a
// busy network costs a large list little).
class CPresenceTexts : public QObject
{
    Q_OBJECT

public:
    enum class EKind
    {
        None,
        Here,
        Other,
    };
    struct CText
    {
        EKind eKind = EKind::None;
        QString strText;
    };

    CPresenceTexts(const CHostList& hosts, const CHostPresence& presence,
                   QObject* pParent = nullptr);

    // The text beside the choice (a nickname, or "Group " and a group); made
    // again first when the host list changed.
    CText Of(const QString& strChoice);

Q_SIGNALS:
    void Changed();

private:
    void Rebuild();

    const CHostList& m_hosts;
    const CHostPresence& m_presence;
    QHash<QString, CText> m_texts;
    quint64 m_nRevision = 0;
    QTimer m_rebuild;
};
