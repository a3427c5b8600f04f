#pragma once

#include <QGroupBox>
#include <QList>

#include <span>

class CAppSettings;
class QCheckBox;

// A framed column of check boxes, each standing for an on/off value of the
// settings (1 or 0), checked as the settings stand when it is made.
class CSettingBoxes : public QGroupBox
{
    Q_OBJECT

public:
    struct COption
    {
        const char* pszCaption;
        int CAppSettings::*pField;
    };

    CSettingBoxes(const QString& strTitle, std::span<const COption> options,
                  const CAppSettings& settings, QWidget* pParent);

    // Top to bottom.
    const QList<QCheckBox*>& Boxes() const { return m_boxes; }
    // Writes each box's value into its field; saving is the caller's.
    void Store(CAppSettings& settings) const;

Q_SIGNALS:
    // The user clicked a box.
    void Changed();

private:
    QList<int CAppSettings::*> m_fields;
    QList<QCheckBox*> m_boxes;
};
