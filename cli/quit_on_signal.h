#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

// Ends the event loop cleanly on SIGINT and SIGTERM: the signal handler only
// writes a byte to a pipe, and the event loop quits when it reads it.
class CQuitOnSignal : public QObject
{
    Q_OBJECT

public:
    explicit CQuitOnSignal(QObject* pParent = nullptr);
    ~CQuitOnSignal() override;

    int ReceivedSignal() const { return m_nSignal; }

private:
    void OnSignal();

    int m_nSignal = 0;
    std::unique_ptr<QSocketNotifier> m_pNotifier;
};
