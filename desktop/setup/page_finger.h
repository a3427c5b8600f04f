#pragma once

#include "desktop/setup/setup_page.h"

#include <QList>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

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

    // "...": a sound file; its folder becomes the sound folder at once, which the
    // Preferences page's browsing shares.
    void OnBrowse();
    // "&Test": plays the sound file, whether or not "notify sound" is checked.
    void OnTest();

    QCheckBox& ActiveBox() const { return *m_pActive; }
    // The six "send ..." boxes, then "notify sound".
    QList<QCheckBox*> OptionBoxes() const;
    QPlainTextEdit& Plan() const { return *m_pPlan; }
    QLineEdit& SoundFile() const { return *m_pSoundFile; }
    QPushButton& BrowseButton() const { return *m_pBrowse; }
    QPushButton& TestButton() const { return *m_pTest; }
    // Everything that "finger daemon active" greys.
    QList<QWidget*> Greyed() const;

private:
    struct COption
    {
        int CAppSettings::*pField;
        QCheckBox* pBox;
    };

    QString PlanLines() const;
    void UpdateEnabling();

    CSetupContext m_context;
    QCheckBox* m_pActive;
    QPlainTextEdit* m_pPlan;
    QLineEdit* m_pSoundFile;
    QPushButton* m_pBrowse;
    QPushButton* m_pTest;
    QList<COption> m_options;
    QList<QGroupBox*> m_frames;
};
