#include "desktop/views/font_dialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace {

QColor ColorOf(unsigned nColor)
{
    return QColor(static_cast<int>(nColor & 0xFF), static_cast<int>((nColor >> 8) & 0xFF),
                  static_cast<int>((nColor >> 16) & 0xFF));
}

unsigned ColorRefOf(const QColor& color)
{
    return static_cast<unsigned>(color.red()) | (static_cast<unsigned>(color.green()) << 8) |
           (static_cast<unsigned>(color.blue()) << 16);
}

} // namespace

CFontDialog::CFontDialog(const CFontChoice& choice, QWidget* pParent)
    : QDialog(pParent), m_pFace(new QFontComboBox(this)), m_pSize(new QDoubleSpinBox(this)),
      m_pBold(new QCheckBox(tr("&Bold"), this)), m_pItalic(new QCheckBox(tr("&Italic"), this)),
      m_pUnderline(new QCheckBox(tr("&Underline"), this)),
      m_pStrikeOut(new QCheckBox(tr("Stri&keout"), this)), m_pColor(new QPushButton(this)),
      m_pSample(new QLabel(tr("AaBbYyZz"), this)), m_color(ColorOf(choice.nColor))
{
    setWindowTitle(tr("Font"));
    m_pFace->setCurrentFont(QFont(choice.strFace));
    m_pSize->setRange(1, 1638);
    m_pSize->setDecimals(1);
    m_pSize->setSingleStep(0.5);
    m_pSize->setValue(choice.dPointSize);
    m_pBold->setChecked(choice.nWeight >= 700);
    m_pItalic->setChecked(choice.bItalic);
    m_pUnderline->setChecked(choice.bUnderline);
    m_pStrikeOut->setChecked(choice.bStrikeOut);

    auto* pForm = new QFormLayout;
    pForm->addRow(tr("&Font:"), m_pFace);
    pForm->addRow(tr("&Size:"), m_pSize);
    pForm->addRow(tr("&Color:"), m_pColor);
    auto* pEffects = new QGroupBox(tr("Effects"), this);
    auto* pEffectsLayout = new QHBoxLayout(pEffects);
    for (QCheckBox* pBox : {m_pBold, m_pItalic, m_pUnderline, m_pStrikeOut})
        pEffectsLayout->addWidget(pBox);
    auto* pSampleBox = new QGroupBox(tr("Sample"), this);
    m_pSample->setAlignment(Qt::AlignCenter);
    m_pSample->setMinimumHeight(60);
    (new QVBoxLayout(pSampleBox))->addWidget(m_pSample);
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pForm);
    pLayout->addWidget(pEffects);
    pLayout->addWidget(pSampleBox);
    pLayout->addWidget(pButtons);

    connect(m_pColor, &QPushButton::clicked, this, &CFontDialog::ChooseColor);
    connect(m_pFace, &QFontComboBox::currentFontChanged, this, &CFontDialog::UpdateSample);
    connect(m_pSize, &QDoubleSpinBox::valueChanged, this, &CFontDialog::UpdateSample);
    for (QCheckBox* pBox : {m_pBold, m_pItalic, m_pUnderline, m_pStrikeOut})
        connect(pBox, &QCheckBox::toggled, this, &CFontDialog::UpdateSample);
    UpdateSample();
}

CFontChoice CFontDialog::Choice() const
{
    CFontChoice choice;
    choice.strFace = m_pFace->currentFont().family();
    choice.dPointSize = std::round(m_pSize->value() * 2) / 2; // whole half points
    choice.nWeight = m_pBold->isChecked() ? 700 : 400;
    choice.bItalic = m_pItalic->isChecked();
    choice.bUnderline = m_pUnderline->isChecked();
    choice.bStrikeOut = m_pStrikeOut->isChecked();
    choice.nColor = ColorRefOf(m_color);
    return choice;
}

void CFontDialog::ChooseColor()
{
    const QColor color = QColorDialog::getColor(m_color, this, tr("Color"));
    if (color.isValid())
        m_color = color;
    UpdateSample();
}

void CFontDialog::UpdateSample()
{
    QFont font = m_pFace->currentFont();
    font.setPointSizeF(std::min(m_pSize->value(), 72.0)); // as a note shows it
    font.setBold(m_pBold->isChecked());
    font.setItalic(m_pItalic->isChecked());
    font.setUnderline(m_pUnderline->isChecked());
    font.setStrikeOut(m_pStrikeOut->isChecked());
    m_pSample->setFont(font);
    QPalette palette = m_pSample->palette();
    palette.setColor(QPalette::WindowText, m_color);
    m_pSample->setPalette(palette);
    m_pColor->setText(m_color.name());
}
