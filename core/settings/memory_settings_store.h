#pragma once

#include "core/interfaces/settings_store.h"

#include <QMap>

#include <variant>

// A settings store held in memory: for tests, and wherever nothing may be written.
class CMemorySettingsStore : public ISettingsStore
{
public:
    using CValue = std::variant<int, QByteArray, QString>;

    std::optional<int> ReadInt(const QString& strSection, const QString& strName) const override;
    std::optional<QByteArray> ReadText(const QString& strSection,
                                       const QString& strName) const override;
    void WriteInt(const QString& strSection, const QString& strName, int nValue) override;
    void WriteText(const QString& strSection, const QString& strName,
                   const QByteArray& strValue) override;
    std::optional<QString> ReadPath(const QString& strSection,
                                    const QString& strName) const override;
    void WritePath(const QString& strSection, const QString& strName,
                   const QString& strPath) override;
    void DeleteValue(const QString& strSection, const QString& strName) override;
    void DeleteSection(const QString& strSection) override;

    using ISettingsStore::ReadInt;
    using ISettingsStore::ReadText;

    bool Contains(const QString& strSection, const QString& strName) const;
    bool ContainsSection(const QString& strSection) const;
    // Every value, as section -> name -> value.
    const QMap<QString, QMap<QString, CValue>>& Values() const { return m_values; }
    int WriteCount() const { return m_nWrites; }

private:
    const CValue* Find(const QString& strSection, const QString& strName) const;

    QMap<QString, QMap<QString, CValue>> m_values;
    int m_nWrites = 0;
};
