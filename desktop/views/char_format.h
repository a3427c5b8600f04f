#pragma once

#include <QString>

// The character format the note editor works with: which attributes are set
// (the mask), the effects, the height in twentieths of a point, the colour and
// the face.
struct CCharFormat
{
    enum EMask : unsigned
    {
        MaskBold = 0x1,
        MaskItalic = 0x2,
        MaskUnderline = 0x4,
        MaskStrikeOut = 0x8,
        MaskFace = 0x20000000,
        MaskColor = 0x40000000,
        MaskSize = 0x80000000,
    };
    enum EEffect : unsigned
    {
        EffectBold = 0x1,
        EffectItalic = 0x2,
        EffectUnderline = 0x4,
        EffectStrikeOut = 0x8,
    };

    unsigned nMask = 0;
    unsigned nEffects = 0;
    int nHeight = 0;     // twentieths of a point: 10 points is 200
    unsigned nColor = 0; // red in the lowest byte, then green, then blue
    QString strFace;

    friend bool operator==(const CCharFormat&, const CCharFormat&) = default;
};
