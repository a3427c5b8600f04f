#pragma once

#include <QByteArray>
#include <QFont>

#include <optional>

class CBlipnoteDoc;
class QPaintDevice;
class QPainter;

// Prints a note: a header block with the title and the product line, framed by
// two rules, with the sender's name, system, address and time; then the body in
// a fixed-pitch font, indented and wrapped at word boundaries. Works on any paint
// device; on a printer or PDF writer a long body continues on further pages.
// All measures are in the device's units, computed in integers.
class CPrintLayout
{
public:
    // Creates the body font for the device and measures the page.
    void BeginLayout(QPaintDevice& device);
    // Draws the header and leaves the current position below it.
    void PrintHeader(QPainter& painter, const CBlipnoteDoc& doc);
    // Draws the body from the current position on. Returns the pages used.
    int PrintBody(QPainter& painter, const QByteArray& strBody);
    void EndLayout();

    int LineHeight() const { return m_nLineHeight; }
    int LeftMargin() const { return m_nLeftMargin; }
    int TextWidth() const { return m_nTextWidth; }
    int CurrentY() const { return m_nCurrentY; }
    // Body lines of the line height that fit on a page below the top margin.
    int PageCapacity() const { return m_nPageCapacity; }

private:
    void DrawLine(QPainter& painter, int nY, const QByteArray& strText) const;
    void DrawRule(QPainter& painter, int nY) const;
    static QFont MakeFont(const QPaintDevice& device, int nWeight);

    std::optional<QFont> m_normalFont;
    int m_nLineHeight = 0;
    int m_nLeftMargin = 0;
    int m_nTextWidth = 0;
    int m_nCurrentY = 0;
    int m_nPageCapacity = 0;
};
