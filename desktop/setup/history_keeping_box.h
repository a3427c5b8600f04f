#pragma once

#include <QGroupBox>

class CAppSettings;
class QComboBox;
class QSpinBox;

// How long the history keeps notes: always, never, or for some days; and the
// most it may take on disk, the oldest notes going first.
class CHistoryKeepingBox : public QGroupBox
{
    Q_OBJECT

public:
    CHistoryKeepingBox(const CAppSettings& settings, QWidget* pParent = nullptr);

    void Store(CAppSettings& settings) const;

    QComboBox& KeepBox() const { return *m_pKeep; }
    QSpinBox& DaysBox() const { return *m_pDays; }
    QSpinBox& MegabytesBox() const { return *m_pMegabytes; }

Q_SIGNALS:
    void Changed();

private:
    void UpdateDays();

    QComboBox* m_pKeep;
    QSpinBox* m_pDays;
    QSpinBox* m_pMegabytes;
};
