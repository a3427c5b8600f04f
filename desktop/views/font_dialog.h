#pragma once

#include "desktop/views/font_chooser.h"

#include <QColor>
#include <QDialog>

class QCheckBox;
class QFontComboBox;
class QLabel;
class QPushButton;
class QDoubleSpinBox;

// The font dialog: face, size, bold, italic, underline, strike-out and colour,
// with a sample of the result.
class CFontDialog : public QDialog
{
    Q_OBJECT

public:
    explicit CFontDialog(const CFontChoice& choice, QWidget* pParent = nullptr);

    CFontChoice Choice() const;

private:
    void ChooseColor();
    void UpdateSample();

    QFontComboBox* m_pFace;
    QDoubleSpinBox* m_pSize;
    QCheckBox* m_pBold;
    QCheckBox* m_pItalic;
    QCheckBox* m_pUnderline;
    QCheckBox* m_pStrikeOut;
    QPushButton* m_pColor;
    QLabel* m_pSample;
    QColor m_color;
};
