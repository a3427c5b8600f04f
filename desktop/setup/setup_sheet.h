#pragma once

#include "desktop/setup/setup_page.h"

#include <QDialog>
#include <QList>

#include <functional>

class QDialogButtonBox;
class QPushButton;
class QTabWidget;

// "Setup": the tabbed dialog in which the user changes the options and the host
// list. Each page is made when its tab is first shown; OK and Apply apply every
// page made during this opening, each saving its own group. After an Apply,
// Cancel reads Close: what was applied stays.
class CPSheetSetup : public QDialog
{
    Q_OBJECT

public:
    CPSheetSetup(const CSetupContext& context, QWidget* pParent);

    // Applies the pages made so far; false (nothing applied) when a page holds
    // what cannot be kept.
    bool ApplyPages();

    QTabWidget& Tabs() const { return *m_pTabs; }
    // The page of a tab, once its tab has been shown.
    CSetupPage* Page(int nTab) const;
    QPushButton& OkButton() const;
    QPushButton& CancelButton() const;
    QPushButton& ApplyButton() const;

protected:
    void showEvent(QShowEvent* pEvent) override;

private:
    using CMakePage = std::function<CSetupPage*(QWidget* pParent)>;
    struct CSlot
    {
        CMakePage make;
        QWidget* pHolder = nullptr;
        CSetupPage* pPage = nullptr;
    };

    void AddPage(const QString& strCaption, CMakePage make);
    void MakePage(int nTab);
    void OnApply();

    QTabWidget* m_pTabs;
    QDialogButtonBox* m_pButtons;
    QList<CSlot> m_slots;
};
