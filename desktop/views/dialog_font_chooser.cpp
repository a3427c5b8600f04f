#include "desktop/views/dialog_font_chooser.h"

#include "desktop/views/font_dialog.h"

bool CDialogFontChooser::ChooseFont(QWidget* pParent, CFontChoice& choice)
{
    CFontDialog dialog(choice, pParent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    choice = dialog.Choice();
    return true;
}
