#pragma once

#include <QString>

class QWidget;

// What the user picks in the font dialog.
struct CFontChoice
{
    QString strFace;
    double dPointSize = 9; // in half points: 10.5 stays 10.5
    int nWeight = 400;     // 700 is bold
    bool bItalic = false;
    bool bUnderline = false;
    bool bStrikeOut = false;
    unsigned nColor = 0; // red in the lowest byte
};

// Lets the user choose a font with its effects; the dialog in the program, a
// scripted answer in tests.
class IFontChooser
{
public:
    virtual ~IFontChooser() = default;
    // Preset with the choice; true when the user confirmed a new one.
    virtual bool ChooseFont(QWidget* pParent, CFontChoice& choice) = 0;
};
