#pragma once

#include <QMdiSubWindow>

class CNoteView;
class IPrompts;

// The frame of one note window inside the main window. Closing it by hand lets
// the note decide about saving; a note closed by the program (Delete All, Exit,
// a delivered send) goes without a question.
class CChildFrame : public QMdiSubWindow
{
    Q_OBJECT

public:
    CChildFrame(CNoteView* pView, IPrompts& prompts, QWidget* pParent = nullptr);

    CNoteView* View() const { return m_pView; }
    // Closes the frame without asking anything.
    void CloseWithoutQuestion();

Q_SIGNALS:
    // The user closed the window and the note agreed to go.
    void NoteClosed();
    void SaveRequested();

protected:
    void closeEvent(QCloseEvent* pEvent) override;

private:
    void UpdateTitle();

    CNoteView* m_pView;
    IPrompts& m_prompts;
    bool m_bClosingQuietly = false;
};
