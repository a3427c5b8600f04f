#pragma once

#include "desktop/views/font_chooser.h"

// The font chooser of the desktop program: the font dialog.
class CDialogFontChooser : public IFontChooser
{
public:
    bool ChooseFont(QWidget* pParent, CFontChoice& choice) override;
};
