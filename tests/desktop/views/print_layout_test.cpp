#include "core/documents/blipnote_doc.h"
#include "core/documents/doc_context.h"
#include "core/documents/doc_manager.h"
#include "core/settings/app_settings.h"
#include "core/settings/memory_settings_store.h"
#include "desktop/views/print_layout.h"
#include "tests/support/note_documents_fixture.h"

#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <gtest/gtest.h>

namespace {

class PrintLayoutTest : public CNoteDocumentsFixture
{
protected:
    PrintLayoutTest()
    {
        m_pDoc = m_docs.NewNote(EDocKind::MessageIn);
        m_pDoc->SetTitle("Lunch on Friday");
        m_pDoc->m_strNickname = "ann";
        m_pDoc->m_strSystem = "PC7";
        m_pDoc->m_strAddress = "10.0.0.5";
        m_pDoc->m_strTime = "07.12.26  12:30:00";
    }

    // A white page of A4 at 150 dots per inch.
    static QImage Page()
    {
        QImage image(1240, 1754, QImage::Format_RGB32);
        image.setDotsPerMeterX(5906);
        image.setDotsPerMeterY(5906);
        image.fill(Qt::white);
        return image;
    }

    // Rows holding a dark run across most of the text width: the rules.
    static std::vector<int> RuleRows(const QImage& image, const CPrintLayout& layout)
    {
        std::vector<int> rows;
        for (int y = 0; y < image.height(); ++y) {
            int nDark = 0;
            for (int x = layout.LeftMargin(); x < layout.LeftMargin() + layout.TextWidth(); ++x)
                nDark += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
            if (nDark > layout.TextWidth() * 9 / 10)
                rows.push_back(y);
        }
        return rows;
    }

    CBlipnoteDoc* m_pDoc = nullptr;
};

} // namespace

TEST_F(PrintLayoutTest, MeasuresTheBlockOf81Columns)
{
    QImage image = Page();
    CPrintLayout layout;
    layout.BeginLayout(image);
    const int h = layout.LineHeight();
    EXPECT_GT(h, 10);
    EXPECT_EQ(layout.LeftMargin(), (image.width() - layout.TextWidth()) / 2);
    // 81 characters of a fixed-pitch font at 10 points are about 6.75 inches.
    EXPECT_NEAR(layout.TextWidth(), 81 * 150 * 6 / 72, 81 * 3);
    EXPECT_EQ(layout.PageCapacity(), (image.height() - 7 * h) / h);
    layout.EndLayout();
}

TEST_F(PrintLayoutTest, TheHeaderStacksItsRowsInLineHeights)
{
    QImage image = Page();
    CPrintLayout layout;
    layout.BeginLayout(image);
    const int h = layout.LineHeight();
    {
        QPainter painter(&image);
        layout.PrintHeader(painter, *m_pDoc);
    }
    const int nFirstRule = 2 * h + h * 5 / 4;
    const int nSecondRule = nFirstRule + h / 2 + 3 * (h * 3 / 2) + h * 3 / 2;
    EXPECT_EQ(layout.CurrentY(), nSecondRule + h * 5 / 4);
    const std::vector<int> rows = RuleRows(image, layout);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.front(), nFirstRule);
    EXPECT_EQ(rows.back(), nSecondRule);

    // The body: 1.25 line heights per row, and an empty body still prints a row.
    const int nTop = layout.CurrentY();
    QPainter painter(&image);
    layout.PrintBody(painter, "Hi\r\nthere");
    EXPECT_EQ(layout.CurrentY(), nTop + 2 * (h * 5 / 4));
    layout.PrintBody(painter, "");
    EXPECT_EQ(layout.CurrentY(), nTop + 3 * (h * 5 / 4));
}

TEST_F(PrintLayoutTest, ALongTitleNeverFails)
{
    m_pDoc->SetTitle(QByteArray(120, 'T'));
    QImage image = Page();
    CPrintLayout layout;
    layout.BeginLayout(image);
    QPainter painter(&image);
    layout.PrintHeader(painter, *m_pDoc);
    EXPECT_GT(layout.CurrentY(), 0);
}

TEST_F(PrintLayoutTest, ALongBodyGoesOnToFurtherPages)
{
    QPdfWriter pdf(QStringLiteral(BLIPNOTE_SAMPLE_PDF));
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setResolution(300);
    pdf.setTitle(QStringLiteral("Lunch on Friday"));
    QByteArray strBody =
        "Hello Bob,\r\n\r\nshall we meet for lunch on Friday? The new place on the "
        "corner has a table by the window at noon, and they serve soup of the "
        "day.\r\n\tBring the plans for the garden.\r\n\r\n";
    strBody += QByteArray(100, 'x') + "\r\n";
    for (int n = 1; n <= 90; ++n)
        strBody += "Line " + QByteArray::number(n) + " of a long note.\r\n";
    strBody += "-- ann";

    CPrintLayout layout;
    layout.BeginLayout(pdf);
    QPainter painter(&pdf);
    layout.PrintHeader(painter, *m_pDoc);
    const int nPages = layout.PrintBody(painter, strBody);
    painter.end();
    layout.EndLayout();
    EXPECT_EQ(nPages, 2);
    EXPECT_LE(layout.CurrentY(),
              2 * layout.LineHeight() + layout.PageCapacity() * layout.LineHeight());
}
