#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

class CBlipnoteDoc;
class CDocManager;
class CMainFrame;

// The received notes the user has not seen yet: a note is seen once its window
// is the active note window of the active main window, or gone when it closes.
// A note that opens while the main window is not the active one asks the
// desktop for attention (the task bar entry marks it).
class CUnreadNotes : public QObject
{
    Q_OBJECT

public:
    CUnreadNotes(CMainFrame& mainFrame, CDocManager& documents, QObject* pParent = nullptr);

    // A received note has opened in its window.
    void Add(CBlipnoteDoc* pDoc);
    // Oldest first.
    const QList<CBlipnoteDoc*>& Notes() const { return m_notes; }
    bool Contains(const CBlipnoteDoc* pDoc) const;
    // Brings the note's window to the front, which makes it seen (the oldest
    // unread note's when none is given).
    void ShowNote(CBlipnoteDoc* pDoc);
    // The user has read it elsewhere (answered it from its notification).
    void MarkRead(CBlipnoteDoc* pDoc) { Remove(pDoc); }
    // "", or what waits: "2 unread notes from ann, bob".
    QString Summary() const;

    // A note's sender as the user reads it: nickname and address.
    static QString SenderOf(const CBlipnoteDoc& doc);
    static QString SenderOf(const QByteArray& strNickname, const QByteArray& strAddress);
    // The senders of notes, newest first, each once, the first few: "bob, ann".
    static QString NamesOf(const QList<CBlipnoteDoc*>& notes);

Q_SIGNALS:
    void Added(CBlipnoteDoc* pDoc);
    // The note was seen or closed.
    void Read(CBlipnoteDoc* pDoc);
    void Changed();

private:
    void CheckSeen();
    void Remove(CBlipnoteDoc* pDoc);
    bool IsSeen(const CBlipnoteDoc* pDoc) const;

    CMainFrame& m_mainFrame;
    QList<CBlipnoteDoc*> m_notes;
    QTimer m_checkSeen;
};
