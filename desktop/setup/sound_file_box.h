#pragma once

#include "desktop/setup/setup_page.h"

#include <QGroupBox>

class QLineEdit;
class QPushButton;

// "Notifysound" on a setup page: a sound file's path, "..." to choose one and
// "&Test" to play it as it stands. The file dialog starts in the sound folder
// (home when that is not there) and shows wave sounds; the folder of a chosen
// file becomes the sound folder at once, for every page that browses.
class CSoundFileBox : public QGroupBox
{
    Q_OBJECT

public:
    CSoundFileBox(const CSetupContext& context, const QByteArray& strFile, QWidget* pParent);

    QByteArray File() const;

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
    QLineEdit* m_pFile;
    QPushButton* m_pBrowse;
    QPushButton* m_pTest;
};
