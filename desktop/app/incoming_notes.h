#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <deque>

class CAppSettings;
class CAutoReply;
class CHostList;
class CBlipnoteDoc;
class CDocManager;
class CMainFrame;
class CNoteListenSocket;
class IPrompts;
class ISoundPlayer;
class ITrayIcon;

// What happens when a note arrives: the arrival sound, the main window popping
// up or the tray icon changing, the alert for a high-priority note, and the note
// opening in its own window; and, while auto-reply is on, the away message going
// back to the sender.
//
// Notes are opened one after the other from the event loop, so that a flood of
// notes never freezes the window; while many wait, the note server is held back
// instead of letting them pile up, and none is lost.
class CIncomingNotes : public QObject
{
    Q_OBJECT

public:
    CIncomingNotes(CAppSettings& settings, const CHostList& hosts, CAutoReply& autoReply,
                   CDocManager& documents, CMainFrame& mainFrame, ITrayIcon& tray,
                   IPrompts& prompts, ISoundPlayer& sound, QObject* pParent = nullptr);
    ~CIncomingNotes() override;

    // Connects to the note server's signals.
    void Attach(CNoteListenSocket& server);

    void OnConnectionArrived();
    void OnNoteReceived(const QByteArray& strText);
    // Answers an incoming note with the away message, when its sender is due one.
    void SendAutoReply(CBlipnoteDoc& incoming);

    int WaitingNotes() const { return static_cast<int>(m_waiting.size()); }

    // Each open note costs memory and makes the next window slower: beyond this
    // many open notes, arriving notes wait until the user closes some.
    static constexpr int MaxOpenNotes = 1000;
    void SetMaxOpenNotes(int nMax) { m_nMaxOpenNotes = nMax; }
    // And beyond this many paragraphs in all open notes: each costs the editor
    // about half a kilobyte, and a note of empty lines has 55,000 of them.
    static constexpr qsizetype MaxOpenParagraphs = 500000;
    void SetMaxOpenParagraphs(qsizetype nMax) { m_nMaxOpenParagraphs = nMax; }

    // The box that alerts the user to a high-priority note.
    static QString PriorityAlertText();
    // The status note shown, once a run, when a sender is not added because the
    // host list is at its bound.
    static QString HostListFullText();

Q_SIGNALS:
    void NoteOpened(CBlipnoteDoc* pDoc);
    // The high-priority alert box waits for the user (before the note opens),
    // and has been answered.
    void PriorityAlertShown(const QByteArray& strText);
    void PriorityAlertAnswered();

private:
    void OpenNext();
    void AnnounceNote(const QByteArray& strText);
    void UpdateHoldBack();
    bool WindowsFull() const;
    // A busy pointer while the note server reads or answers a connection.
    void ShowServing();

    CAppSettings& m_settings;
    const CHostList& m_hosts;
    CAutoReply& m_autoReply;
    CDocManager& m_documents;
    CMainFrame& m_mainFrame;
    ITrayIcon& m_tray;
    IPrompts& m_prompts;
    ISoundPlayer& m_sound;
    CNoteListenSocket* m_pServer = nullptr;
    std::deque<QByteArray> m_waiting;
    qsizetype m_nWaitingBytes = 0;
    bool m_bOpening = false;
    int m_nMaxOpenNotes = MaxOpenNotes;
    qsizetype m_nMaxOpenParagraphs = MaxOpenParagraphs;
    bool m_bHostListFullShown = false;
    bool m_bBusyCursor = false;
};
