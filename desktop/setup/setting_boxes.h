#pragma once

#include "core/settings/setting.h"

#include <QGroupBox>
#include <QList>

#include <span>

class CAppSettings;
class QCheckBox;

// A framed column of check boxes, each standing for an on/off value of the
// settings, checked as the settings stand when it is made.
class CSettingBoxes : public QGroupBox
{
    Q_OBJECT

public:
    struct COption
    {
        const char* pszCaption;
        ESetting eSetting;
    };

    // The boxes one below the other, or side by side.
    CSettingBoxes(const QString& strTitle, std::span<const COption> options,
                  const CAppSettings& settings, QWidget* pParent,
                  Qt::Orientation eOrientation = Qt::Vertical);

    // Top to bottom.
    const QList<QCheckBox*>& Boxes() const { return m_boxes; }
    // Sets each box's option to its value; saving is the caller's.
    void Store(CAppSettings& settings) const;

Q_SIGNALS:
    // The user clicked a box.
    void Changed();

private:
    QList<ESetting> m_settings;
    QList<QCheckBox*> m_boxes;
};
