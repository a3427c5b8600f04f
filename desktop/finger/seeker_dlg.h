#pragma once

#include "core/finger/seeker.h"

#include <QDialog>

#include <functional>

class CAppSettings;
class CHostList;
class CSeekRowsModel;
class IPrompts;
class QProgressBar;
class QPushButton;
class QTreeView;

// "Blipnote - Seeker": fingers every address of the host list and lists who is
// up. Closing only hides it; probes go on filling the list meanwhile.
class CSeekerDlg : public QDialog
{
    Q_OBJECT

public:
    // writeTo starts a new outgoing note to the address (empty: no address).
    CSeekerDlg(const CAppSettings& settings, const CHostList& hosts, IPrompts& prompts,
               std::function<void(const QByteArray&)> writeTo, QWidget* pParent = nullptr);
    ~CSeekerDlg() override;

    void OnSeek();
    void OnWriteMsg();

    // The finger port asked (79; another for tests).
    void SetFingerPort(quint16 nPort) { m_nFingerPort = nPort; }
    CSeeker& Seeker() { return m_seeker; }
    CSeekRowsModel& Rows() const { return *m_pRows; }
    QTreeView& List() const { return *m_pList; }
    QProgressBar& Progress() const { return *m_pProgress; }
    QPushButton& SeekButton() const { return *m_pSeek; }
    QPushButton& WriteButton() const { return *m_pWrite; }

private:
    void OnRow(const SeekRow::CRow& row);
    void OnSeekDone();

    const CAppSettings& m_settings;
    const CHostList& m_hosts;
    IPrompts& m_prompts;
    std::function<void(const QByteArray&)> m_writeTo;
    quint16 m_nFingerPort = 79;
    CSeeker m_seeker;
    CSeekRowsModel* m_pRows;
    QTreeView* m_pList;
    QProgressBar* m_pProgress;
    QPushButton* m_pWrite;
    QPushButton* m_pSeek;
    QPushButton* m_pClose;
};
