#pragma once

#include <QIcon>

class QPainter;

// The program's shared small icons, drawn from SVG so that they stay sharp at
// any screen density. The index of each keeps its meaning everywhere.
class CIconList
{
public:
    enum EIcon
    {
        Host = 0, // a person in a red shirt
        PersonBlue = 1,
        PersonMagenta = 2,
        Nickname = 3, // a person in a green shirt
        Time = 4,     // a clock
        Priority = 5, // a red exclamation mark
        Group = 6,    // two persons
        Computer = 7,
        Delivered = 8, // an envelope
        Address = 9,   // a network plug and cable
        ComputerDown = 10,
        ComputerUnknown = 11,
        Failed = 12, // an envelope crossed out
        Count = 13,
    };

    static QIcon Icon(int nIndex);
    // One of the program's other icons by name: "blipnote", "tray_listening",
    // "tray_new_mail".
    static QIcon Named(const QString& strName);
    // The icon of a note's window: an envelope for a received note, a person
    // writing for one to send.
    static QIcon NoteIcon(bool bIncoming) { return Icon(bIncoming ? Delivered : Nickname); }
    // Draws the icon in a square of nSize logical pixels with its top left at (x, y).
    static void Draw(QPainter& painter, int nIndex, int x, int y, int nSize);
};
