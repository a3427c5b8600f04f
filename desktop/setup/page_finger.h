#pragma once

#include "desktop/setup/setting_boxes.h"
#include "desktop/setup/setup_page.h"

#include <QList>

class CLinesEdit;
class CSoundFileBox;
class QCheckBox;
class QGroupBox;

// " FingerDaemon ": whether the finger server runs, which lines its reply holds,
// the plan, and the sound of a query. Saves group Finger; the server itself is
// started or stopped when the setup sheet has closed.
class CPageFinger : public CSetupPage
{
    Q_OBJECT

public:
    CPageFinger(const CSetupContext& context, QWidget* pParent);

    bool CanApply() override;
    void Apply() override;

    QCheckBox& ActiveBox() const { return *m_pActive; }
    // The six "send ..." boxes, then "notify sound".
    const QList<QCheckBox*>& OptionBoxes() const { return m_pOptions->Boxes(); }
    CLinesEdit& Plan() const { return *m_pPlan; }
    // Its "&Test" plays the file whether or not "notify sound" is checked.
    CSoundFileBox& Sound() const { return *m_pSound; }
    // Everything that "finger daemon active" greys.
    QList<QWidget*> Greyed() const;

private:
    void UpdateEnabling();

    CSetupContext m_context;
    QCheckBox* m_pActive;
    CLinesEdit* m_pPlan;
    CSoundFileBox* m_pSound;
    CSettingBoxes* m_pOptions = nullptr;
    QList<QGroupBox*> m_frames;
};
