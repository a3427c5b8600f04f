#pragma once

#include "desktop/setup/setup_page.h"

class CNumberBox;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "  Network  ": the note port, sending to several hosts one after the other,
// this computer's address, what Blipnote knows of the machine, and the outbox
// (notes that wait for their hosts). Saves groups Network and Outbox. The page holds its values
// apart from the boxes: only the multi-send box and Apply read the boxes, and each of its buttons
// shows every value again.
class CPageNetwork : public CSetupPage
{
    Q_OBJECT

public:
    CPageNetwork(const CSetupContext& context, QWidget* pParent);

    void Apply() override;

    void OnDefaultPort();
    void OnDefaultDelay();
    void OnMultiSend();
    // Looks the address up without blocking the window.
    void OnGetAddress();

    CNumberBox& PortBox() const { return *m_pPort; }
    CNumberBox& DelayBox() const { return *m_pDelay; }
    QCheckBox& MultiSendBox() const { return *m_pMultiSend; }
    QLineEdit& AddressText() const { return *m_pAddress; }
    QPushButton& DefaultPortButton() const { return *m_pDefaultPort; }
    QPushButton& DefaultDelayButton() const { return *m_pDefaultDelay; }
    QPushButton& GetAddressButton() const { return *m_pGetAddress; }
    QLabel& DelayLabel() const { return *m_pDelayLabel; }
    QCheckBox& AnnounceBox() const { return *m_pAnnounce; }
    QCheckBox& KeepUndeliveredBox() const { return *m_pKeepUndelivered; }
    CNumberBox& GiveUpDaysBox() const { return *m_pGiveUpDays; }
    // System name, platform, user, processor, uptime.
    QList<QLabel*> MachineTexts() const;

private:
    void ReadControls();
    void ShowValues();

    CSetupContext m_context;
    QString m_strPort;
    QString m_strDelay;
    bool m_bMultiSend;
    QString m_strAddress;
    CNumberBox* m_pPort;
    CNumberBox* m_pDelay;
    QCheckBox* m_pMultiSend;
    QLineEdit* m_pAddress;
    QPushButton* m_pDefaultPort;
    QPushButton* m_pDefaultDelay;
    QPushButton* m_pGetAddress;
    QLabel* m_pDelayLabel;
    bool m_bAnnounce;
    QCheckBox* m_pAnnounce;
    QLabel* m_machine[5];
    QCheckBox* m_pKeepUndelivered;
    CNumberBox* m_pGiveUpDays;
};
