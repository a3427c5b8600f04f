#include "core/settings/file_settings_store.h"

#include "core/interfaces/logging.h"
#include "core/text/code_page.h"

#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

#include <cerrno>

CFileSettingsStore::CFileSettingsStore(const QString& strPath)
    : m_settings(WhyUnusable(strPath).isEmpty() ? strPath : QString(), QSettings::IniFormat)
{
    if (m_settings.fileName().isEmpty())
        qCWarning(lcSettings, "%s: the settings are kept in memory only",
                  qUtf8Printable(WhyUnusable(strPath)));
    else if (m_settings.status() != QSettings::NoError)
        qCWarning(lcSettings, "%s cannot be read (%s): every value takes its default",
                  qUtf8Printable(strPath),
                  m_settings.status() == QSettings::FormatError ? "garbled" : "access");
    m_bReadFailed = m_settings.status() == QSettings::AccessError;
}

CFileSettingsStore::~CFileSettingsStore()
{
    Sync();
}

QString CFileSettingsStore::DefaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Tessaro/Blipnote.conf");
}

QString CFileSettingsStore::WhyUnusable(const QString& strPath)
{
    const QFileInfo file(strPath);
    if (file.exists() && !file.isFile())
        return QStringLiteral("%1 is not a regular file").arg(strPath);
    return {};
}

QString CFileSettingsStore::Key(const QString& strSection, const QString& strName)
{
    return strSection + QLatin1Char('/') + strName;
}

std::optional<QByteArray> CFileSettingsStore::ReadText(const QString& strSection,
                                                       const QString& strName) const
{
    const QVariant value = m_settings.value(Key(strSection, strName));
    if (!value.isValid())
        return std::nullopt;
    QString strValue;
    // A hand-written text with commas and no quotes reads as a list; put it back.
    if (value.metaType().id() == QMetaType::QStringList)
        strValue = value.toStringList().join(QStringLiteral(", "));
    else if (value.canConvert<QString>())
        strValue = value.toString();
    else
        return std::nullopt;
    bool bLossless = true;
    const QByteArray strText = CodePage::FromUnicode(strValue, &bLossless);
    if (!bLossless) {
        // A character written by hand that notes cannot carry: used as "?",
        // but the file keeps what the user wrote unless the value is changed.
        qCWarning(lcSettings, "%s: \"%s\" in %s holds characters outside Windows-1252",
                  qUtf8Printable(m_settings.fileName()), qUtf8Printable(strName),
                  qUtf8Printable(strSection));
        m_lossyReads.insert(Key(strSection, strName), strText);
    }
    return strText;
}

std::optional<int> CFileSettingsStore::ReadInt(const QString& strSection,
                                               const QString& strName) const
{
    const QVariant value = m_settings.value(Key(strSection, strName));
    if (value.metaType().id() != QMetaType::QString && value.metaType().id() != QMetaType::Int)
        return std::nullopt;
    bool bOk = false;
    const int nValue = value.toString().trimmed().toInt(&bOk);
    if (!bOk)
        return std::nullopt;
    return nValue;
}

void CFileSettingsStore::WriteInt(const QString& strSection, const QString& strName, int nValue)
{
    const QString strKey = Key(strSection, strName);
    if (m_settings.value(strKey).toString() == QString::number(nValue))
        return; // as it stands (see WriteText)
    m_settings.setValue(strKey, nValue);
    QueueSync();
}

void CFileSettingsStore::WriteText(const QString& strSection, const QString& strName,
                                   const QByteArray& strValue)
{
    const QString strKey = Key(strSection, strName);
    const auto lossy = m_lossyReads.constFind(strKey);
    if (lossy != m_lossyReads.cend() && *lossy == strValue)
        return; // unchanged: the original, with its characters, stays
    m_lossyReads.remove(strKey);
    const QString strText = CodePage::ToUnicode(strValue);
    // A value written as it stands changes nothing; every change makes the
    // whole file be written again (a list of 100,000 hosts, when a setup page
    // is confirmed), and a file edited by hand keeps its form.
    const QVariant current = m_settings.value(strKey);
    if (current.metaType().id() == QMetaType::QString && current.toString() == strText)
        return;
    m_settings.setValue(strKey, strText);
    QueueSync();
}

std::optional<QString> CFileSettingsStore::ReadPath(const QString& strSection,
                                                    const QString& strName) const
{
    const QVariant value = m_settings.value(Key(strSection, strName));
    if (value.metaType().id() != QMetaType::QString)
        return std::nullopt; // also a hand-written path with commas, which reads as a list
    return value.toString();
}

void CFileSettingsStore::WritePath(const QString& strSection, const QString& strName,
                                   const QString& strPath)
{
    m_lossyReads.remove(Key(strSection, strName));
    m_settings.setValue(Key(strSection, strName), strPath);
    QueueSync();
}

void CFileSettingsStore::DeleteValue(const QString& strSection, const QString& strName)
{
    m_settings.remove(Key(strSection, strName));
    // A value written after this is new, whatever it reads like.
    m_lossyReads.remove(Key(strSection, strName));
    QueueSync();
}

void CFileSettingsStore::DeleteSection(const QString& strSection)
{
    m_settings.remove(strSection);
    const QString strPrefix = Key(strSection, QString());
    m_lossyReads.removeIf(
        [&strPrefix](const auto& item) { return item.key().startsWith(strPrefix); });
    QueueSync();
}

void CFileSettingsStore::SetWriteFailureHandler(WriteFailureHandler handler)
{
    m_writeFailureHandler = std::move(handler);
}

void CFileSettingsStore::QueueSync()
{
    if (m_bSyncQueued || m_settings.fileName().isEmpty())
        return;
    m_bSyncQueued = true;
    QMetaObject::invokeMethod(
        &m_syncContext,
        [this] {
            m_bSyncQueued = false;
            Sync();
        },
        Qt::QueuedConnection);
}

void CFileSettingsStore::Sync()
{
    if (m_settings.fileName().isEmpty())
        return; // in memory only
    errno = 0;
    m_settings.sync();
    // The call that failed is the last one QSettings made: its reason stands.
    const int nError = errno;
    // A failed write keeps its changes in QSettings, which tries them again
    // with the next sync; the status stays an error from then on, so only the
    // first failure can be told apart (and none after a failed read).
    if (m_settings.status() != QSettings::AccessError || m_bReadFailed || m_bWriteFailed)
        return;
    m_bWriteFailed = true;
    const QString strReason =
        nError != 0 ? qt_error_string(nError) : QStringLiteral("the reason is unknown");
    qCWarning(lcSettings, "%s cannot be written (%s): changes are kept until the program ends",
              qUtf8Printable(m_settings.fileName()), qUtf8Printable(strReason));
    if (m_writeFailureHandler)
        m_writeFailureHandler(m_settings.fileName(), strReason);
}
