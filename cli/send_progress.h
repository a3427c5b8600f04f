#pragma once

#include <QObject>
#include <QTimer>

class COutbox;

// The one line "send --wait-up" keeps on a terminal while hosts are waited
// for: how many notes wait, the next try and how long until it gives up,
// written over itself each second on standard error. Only when standard error
// is a terminal; elsewhere it writes nothing.
class CSendProgress : public QObject
{
    Q_OBJECT

public:
    CSendProgress(const COutbox& outbox, qint64 nGiveUpAt, QObject* pParent = nullptr);
    ~CSendProgress() override;

    // Takes the line away (before a result line is printed, and at the end).
    void Clear();
    void Show();

private:
    const COutbox& m_outbox;
    qint64 m_nGiveUpAt;
    bool m_bTerminal;
    bool m_bShown = false;
    QTimer m_timer;
};
