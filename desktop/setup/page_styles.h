#pragma once

#include "desktop/setup/setup_page.h"

class CRichTextCtrl;
class QCheckBox;
class QPushButton;

// "  Styles  ": a sample note whose four parts (header, quote, message,
// signature) can be shown in other fonts to try them, and "use RTF". The fonts
// tried are not kept; only "Use RTF" is stored, in group Styles. Nothing on the
// page counts as a change for the sheet's Apply.
class CPageStyles : public CSetupPage
{
    Q_OBJECT

public:
    enum EPart
    {
        Header = 0,
        Quote = 1,
        Message = 2,
        Signature = 3,
    };

    CPageStyles(const CSetupContext& context, QWidget* pParent);

    void Apply() override;

    // Selects the part and lets the user choose its font.
    void OnPart(EPart ePart);

    CRichTextCtrl& Preview() const { return *m_pPreview; }
    QCheckBox& UseRtfBox() const { return *m_pUseRtf; }
    QPushButton& PartButton(EPart ePart) const { return *m_parts[ePart]; }
    // Where a part begins and ends in the sample.
    static int PartStart(const CRichTextCtrl& preview, EPart ePart);
    static int PartEnd(const CRichTextCtrl& preview, EPart ePart);

private:
    CSetupContext m_context;
    CRichTextCtrl* m_pPreview;
    QCheckBox* m_pUseRtf;
    QPushButton* m_parts[4];
};
