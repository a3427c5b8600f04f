#pragma once

#include "core/history/history_note.h"

#include <QTimer>
#include <QWidget>

class CBlipnoteDoc;
class CDocManager;
class CHistoryRecorder;
class CHistoryRowsModel;
class IPrompts;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QAbstractItemModel;
class QTableView;

// Utils / History...: the kept notes, newest first, found as one types, each
// opened in a window of its own (as the incoming or outgoing note it was),
// answered, saved to a file or deleted.
class CHistoryWindow : public QWidget
{
    Q_OBJECT

public:
    // A list of notes as the history's windows show them: whole rows
    // selected, read only, one line a row, no grid.
    static QTableView* NewNoteList(QAbstractItemModel* pRows);

    CHistoryWindow(CHistoryRecorder& history, CDocManager& documents, IPrompts& prompts,
                   QWidget* pParent = nullptr);
    ~CHistoryWindow() override;

    QTableView& List() const { return *m_pList; }
    CHistoryRowsModel& Rows() const { return *m_pRows; }
    QLineEdit& SearchBox() const { return *m_pSearch; }
    QLineEdit& HostBox() const { return *m_pHost; }
    QComboBox& DirectionBox() const { return *m_pDirection; }
    QPushButton& OpenButton() const { return *m_pOpen; }
    QPushButton& ReplyButton() const { return *m_pReply; }
    QPushButton& SaveAsButton() const { return *m_pSaveAs; }
    QPushButton& DeleteButton() const { return *m_pDelete; }

    // The notes opened so far by this window, the last one last.
    CBlipnoteDoc* LastOpened() const { return m_pLastOpened; }

    // How long typing may pause before the list follows it.
    static constexpr int TypingPause = 150;

protected:
    void showEvent(QShowEvent* pEvent) override;
    void hideEvent(QHideEvent* pEvent) override;

private:
    void ApplyFilter();
    void Reload();
    void UpdateButtons();
    void ShowState();
    std::vector<qint64> SelectedIds() const;
    std::optional<CHistoryNote> CurrentNote();
    CBlipnoteDoc* OpenNote(const CHistoryNote& note);
    void OnOpen();
    void OnReply();
    void OnSaveAs();
    void OnDelete();
    void OnHistoryChanged();

    CHistoryRecorder& m_history;
    CDocManager& m_documents;
    IPrompts& m_prompts;
    CHistoryRowsModel* m_pRows = nullptr;
    QLineEdit* m_pSearch = nullptr;
    QLineEdit* m_pHost = nullptr;
    QComboBox* m_pDirection = nullptr;
    QTableView* m_pList = nullptr;
    QLabel* m_pState = nullptr;
    QPushButton* m_pOpen = nullptr;
    QPushButton* m_pReply = nullptr;
    QPushButton* m_pSaveAs = nullptr;
    QPushButton* m_pDelete = nullptr;
    QTimer m_typing;
    QTimer m_changed;
    QTimer m_otherWriters;
    qint64 m_nLastId = 0;
    CBlipnoteDoc* m_pLastOpened = nullptr;
};
