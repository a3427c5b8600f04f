#pragma once

#include <QByteArray>

// The main window's placement as the settings keep it: the placement flags, the
// show state and the normal (restored) rectangle.
struct CWindowPlacement
{
    // The show states as the settings keep them.
    static constexpr int ShowNormal = 1;
    static constexpr int ShowMinimized = 2;
    static constexpr int ShowMaximized = 3;
    static constexpr int Show = 5;

    int nFlags = -1;
    int nShowCmd = Show;
    int nLeft = 100;
    int nTop = 100;
    int nRight = 400;
    int nBottom = 400;

    // "rcNormal": top, left, right, bottom, each "%04d", blank-separated.
    QByteArray NormalRectText() const;
    // Reads the four numbers back; false when the text does not hold a usable
    // rectangle (the placement is then left as it is).
    bool SetNormalRectFromText(const QByteArray& strText);
    // Whether the normal rectangle shows at least partly on a screen of that size.
    bool IsOnScreen(int nScreenWidth, int nScreenHeight) const;

    friend bool operator==(const CWindowPlacement&, const CWindowPlacement&) = default;
};
