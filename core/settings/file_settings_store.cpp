#include "core/settings/file_settings_store.h"

#include "core/interfaces/logging.h"
#include "core/text/code_page.h"

#include <QStandardPaths>
#include <QStringList>

CFileSettingsStore::CFileSettingsStore(const QString& strPath)
    : m_settings(strPath, QSettings::IniFormat)
{
    if (m_settings.status() != QSettings::NoError)
        qCWarning(lcSettings, "%s cannot be read (%s): every value takes its default",
                  qUtf8Printable(strPath),
                  m_settings.status() == QSettings::FormatError ? "garbled" : "access");
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
    // A hand-written text with commas and no quotes reads as a list; put it back.
    if (value.metaType().id() == QMetaType::QStringList)
        return CodePage::FromUnicode(value.toStringList().join(QStringLiteral(", ")));
    if (!value.canConvert<QString>())
        return std::nullopt;
    return CodePage::FromUnicode(value.toString());
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
    m_settings.setValue(Key(strSection, strName), nValue);
}

void CFileSettingsStore::WriteText(const QString& strSection, const QString& strName,
                                   const QByteArray& strValue)
{
    m_settings.setValue(Key(strSection, strName), CodePage::ToUnicode(strValue));
}

void CFileSettingsStore::DeleteValue(const QString& strSection, const QString& strName)
{
    m_settings.remove(Key(strSection, strName));
}

void CFileSettingsStore::DeleteSection(const QString& strSection)
{
    m_settings.remove(strSection);
}

void CFileSettingsStore::Sync()
{
    m_settings.sync();
    if (m_settings.status() == QSettings::AccessError)
        qCWarning(lcSettings, "%s cannot be written", qUtf8Printable(m_settings.fileName()));
}
