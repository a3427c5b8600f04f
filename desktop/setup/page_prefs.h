#pragma once

#include "desktop/setup/setup_page.h"

#include <QByteArray>
#include <QList>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

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

    // "...": a sound file chosen in a file dialog, which starts in the sound
    // folder; its folder becomes the sound folder at once.
    void OnBrowse();
    // "&Test": plays the sound file as it stands.
    void OnTest();

    QPlainTextEdit& Signature() const { return *m_pSignature; }
    QLineEdit& Nickname() const { return *m_pNickname; }
    QLineEdit& SoundFile() const { return *m_pSoundFile; }
    QPushButton& BrowseButton() const { return *m_pBrowse; }
    QPushButton& TestButton() const { return *m_pTest; }
    // The option boxes, top to bottom.
    QList<QCheckBox*> OptionBoxes() const;

private:
    struct COption
    {
        int CAppSettings::*pField;
        QCheckBox* pBox;
    };

    QLineEdit* TextLine(const QByteArray& strText, bool bFitWidth);
    QString SignatureLines() const;

    CSetupContext m_context;
    QPlainTextEdit* m_pSignature;
    QLineEdit* m_pNickname;
    QLineEdit* m_pSoundFile;
    QPushButton* m_pBrowse;
    QPushButton* m_pTest;
    QList<COption> m_options;
};
