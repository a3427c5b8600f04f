#pragma once

#include "desktop/setup/setting_boxes.h"
#include "desktop/setup/setup_page.h"

#include <QByteArray>
#include <QList>

class CHistoryKeepingBox;
class CLinesEdit;
class CSoundFileBox;
class QCheckBox;
class QLineEdit;

// "  Preferences  ": the nickname, the signature, the sound of an arriving note
// and twelve options of the messaging and the main window. Saves group
// Preferences.
class CPagePrefs : public CSetupPage
{
    Q_OBJECT

public:
    CPagePrefs(const CSetupContext& context, QWidget* pParent);

    bool CanApply() override;
    void Apply() override;

    CLinesEdit& Signature() const { return *m_pSignature; }
    QLineEdit& Nickname() const { return *m_pNickname; }
    CSoundFileBox& Sound() const { return *m_pSound; }
    // The option boxes, top to bottom.
    const QList<QCheckBox*>& OptionBoxes() const { return m_pOptions->Boxes(); }
    // The desktop's: notifications, and the start at login (when offered).
    const QList<QCheckBox*>& DesktopBoxes() const { return m_pDesktop->Boxes(); }
    QCheckBox* LoginStartBox() const { return m_pLoginStart; }
    CHistoryKeepingBox& HistoryKeeping() const { return *m_pHistory; }

private:
    QLineEdit* TextLine(const QByteArray& strText, bool bFitWidth);

    CSetupContext m_context;
    CLinesEdit* m_pSignature;
    QLineEdit* m_pNickname;
    CSoundFileBox* m_pSound;
    CSettingBoxes* m_pOptions = nullptr;
    CSettingBoxes* m_pDesktop = nullptr;
    QCheckBox* m_pLoginStart = nullptr;
    CHistoryKeepingBox* m_pHistory = nullptr;
};
