#include "desktop/setup/sound_file_box.h"

#include "core/interfaces/prompts.h"
#include "core/interfaces/sound_player.h"
#include "core/settings/app_settings.h"
#include "core/text/code_page.h"
#include "core/text/code_page_refusal.h"
#include "desktop/setup/code_page_validator.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>

CSoundFileBox::CSoundFileBox(const CSetupContext& context, const QByteArray& strFile,
                             EFolder eFolder, QWidget* pParent)
    : QGroupBox(tr("Notifysound"), pParent), m_context(context), m_eFolder(eFolder),
      m_pFile(new QLineEdit(CodePage::ToUnicode(strFile), this)),
      m_pBrowse(new QPushButton(QStringLiteral("..."), this)),
      m_pTest(new QPushButton(tr("&Test"), this))
{
    m_pFile->setValidator(new CCodePageValidator(m_pFile));
    m_pBrowse->setAutoDefault(false);
    m_pTest->setAutoDefault(false);
    m_pBrowse->setFixedWidth(m_pBrowse->fontMetrics().horizontalAdvance(QStringLiteral("...")) * 3);
    auto* pLayout = new QGridLayout(this);
    pLayout->addWidget(m_pFile, 0, 0);
    pLayout->addWidget(m_pBrowse, 0, 1);
    pLayout->addWidget(m_pTest, 1, 0, Qt::AlignLeft);

    connect(m_pFile, &QLineEdit::textChanged, this, &CSoundFileBox::Changed);
    connect(m_pBrowse, &QPushButton::clicked, this, [this] {
        Q_EMIT Changed();
        OnBrowse();
    });
    connect(m_pTest, &QPushButton::clicked, this, [this] {
        Q_EMIT Changed();
        OnTest();
    });
}

QByteArray CSoundFileBox::File() const
{
    return CodePage::FromUnicode(m_pFile->text());
}

void CSoundFileBox::OnBrowse()
{
    QString strStartAt =
        CodePage::ToUnicode(m_chosenFolder.value_or(m_context.settings.SoundPath()));
    // A folder that is not there (the first run's default) starts at home instead.
    if (!QFileInfo(strStartAt).isDir())
        strStartAt = QDir::homePath() + QLatin1Char('/');
    const QString strFileName = QFileInfo(m_pFile->text()).fileName();
    if (!strFileName.isEmpty())
        strStartAt += strFileName;
    const QString strChosen =
        m_context.prompts.AskOpenFileName(tr("Wav-sounds (*.wav)"), strStartAt);
    if (strChosen.isEmpty())
        return;
    const QString strPath = QFileInfo(strChosen).absoluteFilePath();
    bool bLossless = true;
    const QByteArray strStored = CodePage::FromUnicode(strPath, &bLossless);
    if (!bLossless) {
        m_context.prompts.ShowMessage(
            CodePageRefusal::Text(CodePageRefusal::EForm::WholeText, tr("The path of this sound"),
                                  strPath, tr("Settings"),
                                  tr("Please choose a sound whose path has none.")),
            PromptIcon::Stop);
        return;
    }
    m_pFile->setText(strPath);
    const QByteArray strFolder = strStored.left(strStored.lastIndexOf('/') + 1);
    if (m_eFolder == EFolder::AtOnce)
        m_context.settings.SetSoundPath(strFolder);
    else
        m_chosenFolder = strFolder;
}

void CSoundFileBox::OnTest()
{
    // Nothing plays for a file that is not there; the user is told why.
    const QString strFile = m_context.sound.FileFor(m_pFile->text());
    if (!QFileInfo(strFile).isFile()) {
        m_context.prompts.ShowMessage(
            tr("There is no sound file %1: nothing can be played.").arg(strFile),
            PromptIcon::Warning);
        return;
    }
    m_context.sound.Play(m_pFile->text());
}
