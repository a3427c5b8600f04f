#pragma once

#include "desktop/setup/setup_page.h"

#include <QGroupBox>

#include <optional>

class QLineEdit;
class QPushButton;

// "Notifysound" on a setup page: a sound file's path, "..." to choose one and
// "&Test" to play it as it stands. The file dialog starts in the sound folder
// (home when that is not there) and shows wave sounds; the folder of a chosen
// file becomes the sound folder, at once or when the page applies.
class CSoundFileBox : public QGroupBox
{
    Q_OBJECT

public:
    enum class EFolder
    {
        AtOnce,  // the finger page: every page browses from it from then on
        OnApply, // the preferences page: its own until the page stores it
    };

    CSoundFileBox(const CSetupContext& context, const QByteArray& strFile, EFolder eFolder,
                  QWidget* pParent);

    QByteArray File() const;
    // The folder of the file chosen by browsing, when it waits for Apply.
    const std::optional<QByteArray>& ChosenFolder() const { return m_chosenFolder; }

    void OnBrowse();
    void OnTest();

    QLineEdit& Edit() const { return *m_pFile; }
    QPushButton& BrowseButton() const { return *m_pBrowse; }
    QPushButton& TestButton() const { return *m_pTest; }

Q_SIGNALS:
    // The user changed the path or pressed a button.
    void Changed();

private:
    CSetupContext m_context;
    EFolder m_eFolder;
    std::optional<QByteArray> m_chosenFolder;
    QLineEdit* m_pFile;
    QPushButton* m_pBrowse;
    QPushButton* m_pTest;
};
