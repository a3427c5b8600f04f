#include "core/settings/memory_settings_store.h"

#include "core/text/code_page.h"

const CMemorySettingsStore::CValue* CMemorySettingsStore::Find(const QString& strSection,
                                                               const QString& strName) const
{
    const auto section = m_values.constFind(strSection);
    if (section == m_values.cend())
        return nullptr;
    const auto value = section->constFind(strName);
    return value == section->cend() ? nullptr : &*value;
}

std::optional<int> CMemorySettingsStore::ReadInt(const QString& strSection,
                                                 const QString& strName) const
{
    const CValue* value = Find(strSection, strName);
    if (!value)
        return std::nullopt;
    if (const int* pnValue = std::get_if<int>(value))
        return *pnValue;
    // Like a text file, a text reads as an integer when it is one.
    bool bOk = false;
    const int nValue = std::holds_alternative<QString>(*value)
                           ? std::get<QString>(*value).trimmed().toInt(&bOk)
                           : std::get<QByteArray>(*value).trimmed().toInt(&bOk);
    return bOk ? std::optional(nValue) : std::nullopt;
}

std::optional<QByteArray> CMemorySettingsStore::ReadText(const QString& strSection,
                                                         const QString& strName) const
{
    const CValue* value = Find(strSection, strName);
    if (!value)
        return std::nullopt;
    // Like a text file, an integer reads back as its decimal text.
    if (const int* pnValue = std::get_if<int>(value))
        return QByteArray::number(*pnValue);
    if (const QString* pstrPath = std::get_if<QString>(value))
        return CodePage::FromUnicode(*pstrPath);
    return std::get<QByteArray>(*value);
}

std::optional<QString> CMemorySettingsStore::ReadPath(const QString& strSection,
                                                      const QString& strName) const
{
    const CValue* value = Find(strSection, strName);
    if (!value)
        return std::nullopt;
    if (const int* pnValue = std::get_if<int>(value))
        return QString::number(*pnValue);
    if (const QByteArray* pstrText = std::get_if<QByteArray>(value))
        return CodePage::ToUnicode(*pstrText);
    return std::get<QString>(*value);
}

void CMemorySettingsStore::WritePath(const QString& strSection, const QString& strName,
                                     const QString& strPath)
{
    m_values[strSection][strName] = strPath;
    ++m_nWrites;
}

void CMemorySettingsStore::WriteInt(const QString& strSection, const QString& strName, int nValue)
{
    m_values[strSection][strName] = nValue;
    ++m_nWrites;
}

void CMemorySettingsStore::WriteText(const QString& strSection, const QString& strName,
                                     const QByteArray& strValue)
{
    m_values[strSection][strName] = strValue;
    ++m_nWrites;
}

void CMemorySettingsStore::DeleteValue(const QString& strSection, const QString& strName)
{
    auto section = m_values.find(strSection);
    if (section != m_values.end() && section->remove(strName) > 0)
        ++m_nWrites;
}

void CMemorySettingsStore::DeleteSection(const QString& strSection)
{
    if (m_values.remove(strSection) > 0)
        ++m_nWrites;
}

bool CMemorySettingsStore::Contains(const QString& strSection, const QString& strName) const
{
    return Find(strSection, strName) != nullptr;
}

bool CMemorySettingsStore::ContainsSection(const QString& strSection) const
{
    return m_values.contains(strSection);
}
