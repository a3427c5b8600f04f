#include "desktop/app/sound_module.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcSound, "blipnote.sound")

namespace {
const QString kModuleName = QStringLiteral("blipnote-sound.so");
} // namespace

CSoundModule::CSoundModule(QStringList folders) : m_folders(std::move(folders)) {}

CSoundModule::~CSoundModule()
{
    // The player's code is the module's: it goes first, and the module stays.
    m_pPlayer.reset();
}

QStringList CSoundModule::DefaultFolders()
{
    const QDir program(QCoreApplication::applicationDirPath());
    return {QDir::cleanPath(program.filePath(QStringLiteral(BLIPNOTE_SOUND_MODULE_DIR))),
            program.path()};
}

void CSoundModule::Play(const QString& strFile)
{
    // A missing file plays nothing, and needs no sound system.
    if (strFile.isEmpty() || !QFileInfo(strFile).isFile())
        return;
    if (!m_bTried)
        Load();
    if (m_pPlayer)
        m_pPlayer->Play(strFile);
}

void CSoundModule::Load()
{
    m_bTried = true;
    for (const QString& strFolder : m_folders) {
        const QString strPath = QDir(strFolder).filePath(kModuleName);
        if (!QFileInfo(strPath).isFile())
            continue;
        m_module.setFileName(strPath);
        using FNewPlayer = ISoundPlayer* (*)();
        if (const auto pNew =
                reinterpret_cast<FNewPlayer>(m_module.resolve("BlipnoteNewSoundPlayer"))) {
            m_pPlayer.reset(pNew());
            return;
        }
        qCWarning(lcSound, "%s: %s", qUtf8Printable(strPath),
                  qUtf8Printable(m_module.errorString()));
        return;
    }
    qCWarning(lcSound, "no %s in %s: sounds play nothing", qUtf8Printable(kModuleName),
              qUtf8Printable(m_folders.join(QStringLiteral(", "))));
}
