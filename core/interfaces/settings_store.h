#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

// The per-user settings store: sections of named values, each an integer or a
// text. Texts are code-page bytes; file paths are kept with every character they
// have. A value that is missing, or that does not read as the type asked for,
// reads as nothing.
class ISettingsStore
{
public:
    virtual ~ISettingsStore() = default;

    virtual std::optional<int> ReadInt(const QString& strSection, const QString& strName) const = 0;
    virtual std::optional<QByteArray> ReadText(const QString& strSection,
                                               const QString& strName) const = 0;
    virtual void WriteInt(const QString& strSection, const QString& strName, int nValue) = 0;
    virtual void WriteText(const QString& strSection, const QString& strName,
                           const QByteArray& strValue) = 0;
    virtual std::optional<QString> ReadPath(const QString& strSection,
                                            const QString& strName) const = 0;
    virtual void WritePath(const QString& strSection, const QString& strName,
                           const QString& strPath) = 0;
    virtual void DeleteValue(const QString& strSection, const QString& strName) = 0;
    virtual void DeleteSection(const QString& strSection) = 0;

    // Told once, the first time the store cannot write what it was given, with
    // the file and the system's reason; the values stay as given for the rest
    // of the run. A store in memory never fails and never tells. A handler that
    // uses objects which go before the store is set back to nothing with them.
    using WriteFailureHandler =
        std::function<void(const QString& strPath, const QString& strReason)>;
    // A sink, as the stores that keep the handler take it.
    // NOLINTNEXTLINE(performance-unnecessary-value-param)
    virtual void SetWriteFailureHandler(WriteFailureHandler /*handler*/) {}

    int ReadInt(const QString& strSection, const QString& strName, int nDefault) const
    {
        return ReadInt(strSection, strName).value_or(nDefault);
    }
    QByteArray ReadText(const QString& strSection, const QString& strName,
                        const QByteArray& strDefault) const
    {
        return ReadText(strSection, strName).value_or(strDefault);
    }
};
