#include "platform/ui/MarkupRenderer.h"

#include "platform/MiniMarkup.h"
#include "platform/ui/AnsiQString.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>

using namespace artikel;

namespace {

QFont TestFont()
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(14);
    return f;
}

qreal Advance(const QFont& font, const char* text, bool bold = false)
{
    QFont f = font;
    f.setBold(bold);
    return QFontMetricsF(f).horizontalAdvance(FromAnsi(text));
}

QImage Render(std::string_view markup, QSize size, const MarkupOptions& options = {}, QColor pen = Qt::black)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    QFont f = TestFont();
    f.setPixelSize(24);
    p.setFont(f);
    p.setPen(pen);
    DrawMarkup(p, markup, QRect(QPoint(0, 0), size), options);
    return img;
}

struct PixelCount {
    int red = 0, black = 0, blue = 0, other = 0;
};

PixelCount CountInk(const QImage& img)
{
    PixelCount c;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor px = img.pixelColor(x, y);
            if (px == Qt::white)
                continue;
            // Only fully inked pixels: anti-aliased edges blend with white.
            if (px.red() > 200 && px.green() < 40 && px.blue() < 40)
                ++c.red;
            else if (px.red() < 40 && px.green() < 40 && px.blue() > 200)
                ++c.blue;
            else if (px.red() < 40 && px.green() < 40 && px.blue() < 40)
                ++c.black;
            else
                ++c.other;
        }
    return c;
}

} // namespace

TEST(MarkupRenderer, WidthsFollowTheRunsFonts)
{
    const QFont font = TestFont();
    const QSize mixed = MeasureMarkup(font, "a<b>b</b>c");
    const qreal expected = Advance(font, "a") + Advance(font, "b", true) + Advance(font, "c");
    EXPECT_NEAR(mixed.width(), expected, 1.0);
    // Bold runs are wider than the same text in the normal face.
    EXPECT_GT(MeasureMarkup(font, "<b>Schraube M8</b>").width(), MeasureMarkup(font, "Schraube M8").width());
    // Hidden text takes no room; a "<" without ">" drops the rest.
    EXPECT_EQ(MeasureMarkup(font, "ab<z>cdef</z>").width(), MeasureMarkup(font, "ab").width());
    EXPECT_EQ(MeasureMarkup(font, "ab<cdef").width(), MeasureMarkup(font, "ab").width());
    // A closing /FONT restores the size from before.
    EXPECT_GT(MeasureMarkup(font, "<font size=\"5\">W</font>").height(), MeasureMarkup(font, "W").height());
    EXPECT_EQ(MeasureMarkup(font, "<font size=\"5\"></font>W").height(), MeasureMarkup(font, "W").height());
}

TEST(MarkupRenderer, LineBreaksAndLineCount)
{
    const QFont font = TestFont();
    const int one = MeasureMarkup(font, "eins").height();
    ASSERT_GT(one, 0);
    struct Case {
        const char* markup;
        size_t lines;
    };
    for (const Case c : {Case{"eins\r\nzwei", 2}, Case{"eins<br>zwei<BR>drei", 3}, Case{"eins\nzwei", 1},
                         Case{"<b>Wg<br>Wg", 2}, Case{"a<p>b</p>c", 2}, Case{"<ul><li>x<li>y</ul>", 2}}) {
        EXPECT_EQ(MarkupLineTexts(font, c.markup, 2000).size(), c.lines) << c.markup;
        EXPECT_NEAR(MeasureMarkup(font, c.markup).height(), c.lines * one, c.lines) << c.markup;
    }
    const auto lines = MarkupLineTexts(font, "eins\r\nzwei", 2000);
    EXPECT_EQ(lines, (std::vector<std::string>{"eins", "zwei"}));
}

TEST(MarkupRenderer, ShownTextOfEntitiesAndAccelerators)
{
    const QFont font = TestFont();
    struct Case {
        const char* markup;
        const char* shown;
    };
    for (const Case c :
         {Case{"x&amp;y", "x&y"}, Case{"x & y", "x & y"}, Case{"&Datei", "Datei"}, Case{"A&&B", "A&B"},
          Case{"&permil;", "\x89"}, Case{"1&lt;2&gt;0", "1<2>0"}, Case{"  viel   Platz  ", "viel   Platz"},
          Case{"a<unknown>b", "ab"}, Case{"&euro; 5", "\x80 5"}}) {
        const auto lines = MarkupLineTexts(font, c.markup, 2000);
        ASSERT_EQ(lines.size(), 1u) << c.markup;
        EXPECT_EQ(lines[0], c.shown) << c.markup;
    }
    // Escaped plain text is shown exactly as it is, with or without accelerators.
    for (const bool accelerators : {true, false}) {
        MarkupOptions o;
        o.accelerators = accelerators;
        for (const char* plain : {"C:\\Bilder\\A&B <1>.png", "&&x & <b>", "a&nbsp;b", "&amp;quot;&lt"})
            EXPECT_EQ(MarkupLineTexts(font, EscapeMarkup(plain), 2000, o)[0], plain) << plain;
    }
    // The enabled/disabled form drops accelerator ampersands unless the first stands between blanks.
    EXPECT_EQ(MarkupLineTexts(font, EnabledMarkupText(true, "A&B"), 2000)[0], "AB");
    EXPECT_EQ(MarkupLineTexts(font, EnabledMarkupText(false, "A&B"), 2000)[0], "AB");
    EXPECT_EQ(MarkupLineTexts(font, EnabledMarkupText(true, "Schrauben & Muttern"), 2000)[0], "Schrauben & Muttern");
    EXPECT_EQ(MarkupLineTexts(font, EnabledMarkupText(true, "&Kopieren &amp; Einf\xFCgen"), 2000)[0],
              "Kopieren & Einf\xFCgen");
    EXPECT_EQ(EnabledMarkupText(false, "x"), "<FONT color=\"#808080\">x</Font>");
}

TEST(MarkupRenderer, EllipsisAndWordWrap)
{
    const QFont font = TestFont();
    const char* text = "Kupferrohr halbhart in Stangen zu 5 m";
    const int full = MeasureMarkup(font, text).width();
    const int width = full / 2;
    MarkupOptions cut;
    cut.ellipsis = true;
    const auto lines = MarkupLineTexts(font, text, width, cut);
    ASSERT_EQ(lines.size(), 1u);
    const std::string& shown = lines[0];
    ASSERT_GT(shown.size(), 3u);
    EXPECT_EQ(shown.substr(shown.size() - 3), "...");
    EXPECT_EQ(std::string(text).find(shown.substr(0, shown.size() - 3)), 0u) << shown;
    EXPECT_LE(Advance(font, shown.c_str()), width + 0.5);
    // Something fits beside the dots, and one more character would not.
    EXPECT_GT(Advance(font, std::string(text).substr(0, shown.size() - 2).append("...").c_str()), width - 0.5);
    // When the run that crosses the edge has no room left, the dots cut into the run before.
    const std::string runs = std::string("Kupferrohr <b>") + text + "</b>";
    const int firstWidth = static_cast<int>(Advance(font, "Kupferrohr"));
    const std::string cutEarly = MarkupLineTexts(font, runs, firstWidth + 2, cut)[0];
    EXPECT_EQ(cutEarly.substr(cutEarly.size() - 3), "...") << cutEarly;
    EXPECT_EQ(std::string("Kupferrohr").find(cutEarly.substr(0, cutEarly.size() - 3)), 0u) << cutEarly;
    EXPECT_LE(Advance(font, cutEarly.c_str()), firstWidth + 2.5) << cutEarly;
    // A text that fits is left alone.
    EXPECT_EQ(MarkupLineTexts(font, text, full + 2, cut)[0], text);

    MarkupOptions wrap;
    wrap.wordWrap = true;
    const auto wrapped = MarkupLineTexts(font, text, width, wrap);
    ASSERT_GE(wrapped.size(), 2u);
    std::string joined;
    for (const std::string& l : wrapped) {
        EXPECT_LE(Advance(font, l.c_str()), width + 0.5) << l;
        joined += (joined.empty() ? "" : " ") + l;
    }
    EXPECT_EQ(joined, text);
    // A long run wraps the same way, and a long line that fits stays whole.
    std::string longText;
    for (int i = 0; i < 300; ++i)
        longText += "Wort" + std::to_string(i) + " ";
    longText.pop_back();
    const auto longLines = MarkupLineTexts(font, longText, 300, wrap);
    std::string longJoined;
    for (const std::string& l : longLines) {
        EXPECT_LE(Advance(font, l.c_str()), 300.5) << l;
        longJoined += (longJoined.empty() ? "" : " ") + l;
    }
    EXPECT_EQ(longJoined, longText);
    EXPECT_EQ(MarkupLineTexts(font, longText, 100000, wrap).size(), 1u);
    // Measuring wraps at the given width and is never wider than it.
    const QSize measured = MeasureMarkup(font, text, width);
    EXPECT_LE(measured.width(), width);
    EXPECT_EQ(measured.height(), MeasureMarkup(font, "Kupfer").height() * static_cast<int>(wrapped.size()));
}

TEST(MarkupRenderer, WrappedTextLaysOutTheSameInItsMeasuredWidth)
{
    // A label sized by measuring must show the same lines when drawn into that size.
    const QFont font = TestFont();
    MarkupOptions wrap;
    wrap.wordWrap = true;
    for (const char* text :
         {"Um nach <b>Ledgix zu senden</b>, m\xFCssen Sie die <b>Quellfelder dieser Datenbank</b> zun\xE4"
          "chst zuordnen.",
          "</b>Datenbank <b>Lager 2024</b> l\xF6schen? ", "eins zwei drei vier f\xFCnf sechs sieben acht neun zehn"}) {
        for (const int max : {90, 140, 200, 333}) {
            const QSize size = MeasureMarkup(font, text, max);
            ASSERT_LE(size.width(), max) << text;
            EXPECT_EQ(MarkupLineTexts(font, text, size.width(), wrap), MarkupLineTexts(font, text, max, wrap))
                << text << " @" << max;
        }
    }
}

TEST(MarkupRenderer, LinkHitTesting)
{
    const QFont font = TestFont();
    const char* text = "Mehr <a href=\"file://C:/Bilder/x.png\">Bilder</a> hier";
    const QRect rect(10, 20, 400, 40);
    const qreal before = Advance(font, "Mehr ");
    const qreal linkWidth = Advance(font, "Bilder");
    const int y = rect.top() + 5;
    struct Case {
        qreal x;
        bool hit;
    };
    for (const Case c : {Case{before + 2, true}, Case{before + linkWidth - 2, true}, Case{before - 3, false},
                         Case{before + linkWidth + 3, false}}) {
        const MarkupHit hit = HitTestMarkup(font, text, rect, QPoint(rect.left() + static_cast<int>(c.x), y));
        EXPECT_EQ(hit.hit, c.hit) << c.x;
        if (c.hit) {
            EXPECT_EQ(hit.href, "file://C:/Bilder/x.png");
            EXPECT_EQ(hit.text, "Bilder");
        }
    }
    // Below the text, and in a second line's link.
    EXPECT_FALSE(
        HitTestMarkup(font, text, rect, QPoint(rect.left() + static_cast<int>(before + 4), rect.top() + 35)).hit);
    const MarkupHit second = HitTestMarkup(font, "eins<br><a href=\"b\">zwei</a>", rect,
                                           QPoint(rect.left() + 3, rect.top() + MeasureMarkup(font, "x").height() + 3));
    EXPECT_TRUE(second.hit);
    EXPECT_EQ(second.href, "b");
    // Drawing reports the same link under the point.
    QImage img(rect.right() + 10, rect.bottom() + 10, QImage::Format_RGB32);
    QPainter p(&img);
    p.setFont(font);
    const QPoint point(rect.left() + static_cast<int>(before + 4), y);
    EXPECT_EQ(DrawMarkup(p, text, rect, {}, &point).href, "file://C:/Bilder/x.png");
}

TEST(MarkupRenderer, DrawnColours)
{
    const QSize size(160, 40);
    struct Case {
        const char* markup;
        bool red, black, blue;
    };
    for (const Case c : {
             Case{"<font color=\"#FF0000\">MMMM</font>", true, false, false},
             Case{"<font color=\"clred\" /font>MMMM", true, false, false},
             Case{"<font color:\"clred\"/font>MMMM", true, false, false},
             Case{"<font color=\"clnichtda\">MMMM</font>", false, true, false}, // unknown name: black
             Case{"MMMM", false, false, true}, // the painter's pen colour
             Case{"<font color=\"clred\">MM</bogus>MM", true, false, true}, // "/B..." resets the colour
             Case{"<font color=\"clred\">MM<z>MM</z>", true, false, false},
         }) {
        const PixelCount ink = CountInk(Render(c.markup, size, {}, QColor(0, 0, 255)));
        EXPECT_EQ(ink.red > 20, c.red) << c.markup;
        EXPECT_EQ(ink.black > 20, c.black) << c.markup;
        EXPECT_EQ(ink.blue > 20, c.blue) << c.markup;
    }
    // Links use the link colour given to the renderer.
    MarkupOptions options;
    options.linkColor = QColor(255, 0, 0);
    const PixelCount link = CountInk(Render("<a href=\"x\">MMMM</a>", size, options));
    EXPECT_GT(link.red, 20);
    EXPECT_EQ(link.black, 0);
}

TEST(MarkupRenderer, ImagesFromTheImageList)
{
    QPixmap green(10, 10);
    green.fill(QColor(0, 255, 0));
    const QList<QPixmap> images{QPixmap(), green};
    MarkupOptions options;
    options.images = &images;
    const QFont font = TestFont();
    const int textOnly = MeasureMarkup(font, "ab", 2000, options).width();
    EXPECT_EQ(MeasureMarkup(font, "ab<img src=\"idx:1\">", 2000, options).width(), textOnly + 10);
    EXPECT_EQ(MeasureMarkup(font, "ab<img src=\"IDX:1\" width=\"30\" height=\"40\">", 2000, options),
              QSize(textOnly + 30, 40 + static_cast<int>(std::ceil(QFontMetricsF(font).descent()))));
    // WRAP keeps the line as high as the text.
    EXPECT_EQ(MeasureMarkup(font, "ab<img src=\"idx:1\" height=\"40\" Wrap>", 2000, options).height(),
              MeasureMarkup(font, "ab", 2000, options).height());
    // Missing and empty images draw nothing and take no room.
    for (const char* missing :
         {"ab<img src=\"idx:0\">", "ab<img src=\"idx:7\">", "ab<img src=\"idx:x\">", "ab<img src=\"bild\">"})
        EXPECT_EQ(MeasureMarkup(font, missing, 2000, options).width(), textOnly) << missing;
    const QImage img = Render("<img src=\"idx:1\">", QSize(40, 40), options);
    EXPECT_EQ(img.pixelColor(5, 20), QColor(0, 255, 0));
}

TEST(MarkupRenderer, SurvivesMarkupSoupAndRestoresThePainter)
{
    // Pieces of valid and broken markup, shuffled into many texts by a fixed generator.
    static const std::string kLongWord(300, 'W');
    static const char* kPieces[] = {
        "<b>",
        "</b>",
        "<i>",
        "</font>",
        "<font color=\"clred\" size=\"5\" face=\"Tahoma\">",
        "<font size=\"999\">",
        "<br>",
        "\r\n",
        "<hr>",
        "<p align=\"center\" bgcolor=\"#FF0000\" bgcolorto=\"clblue\" indent=\"-9\">",
        "</p>",
        "<ul>",
        "</ul>",
        "</ul></ul>",
        "<li>",
        "<li type=\"square\">",
        "</li>",
        "<ind x=\"99999999\">",
        "<ofs x=\"-50\">",
        "</ofs>",
        "<img src=\"idx:0\" width=\"5000\">",
        "<img src=\"idx:-1\">",
        "<sub>",
        "</sup>",
        "<z>",
        "</z></z>",
        "<shad>",
        "<e>",
        "<r a=\"45\">",
        "</r>",
        "<a href=\"x\">",
        "</a>",
        "<a>",
        "<body background=\"idx:0\" dir=\"h\">",
        "<blink>",
        "</blinky>",
        "<hi>",
        "</hi></hi>",
        "&amp;",
        "&",
        "&&",
        " & ",
        "&nbsp;",
        "&lt;",
        "<",
        ">",
        "<#",
        "\"",
        "Kupferrohr ",
        "halbhart",
        "   ",
        "\xE4\xF6\xFC\xDF",
        "\x80\x81\x9D",
        kLongWord.c_str(),
    };
    QPixmap pix(8, 8);
    pix.fill(Qt::red);
    const QList<QPixmap> images{pix};
    QImage img(200, 60, QImage::Format_RGB32);
    QPainter p(&img);
    const QFont font = TestFont();
    p.setFont(font);
    p.setPen(QColor(1, 2, 3));
    std::uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    std::string plain;
    for (int round = 0; round < 400; ++round) {
        std::string text;
        const int pieces = static_cast<int>(next() % 24);
        for (int i = 0; i < pieces; ++i)
            text += kPieces[next() % (sizeof(kPieces) / sizeof(kPieces[0]))];
        MarkupOptions options;
        options.images = &images;
        options.wordWrap = (round & 1) != 0;
        options.ellipsis = (round & 2) != 0;
        const QPoint point(static_cast<int>(next() % 200), static_cast<int>(next() % 60));
        DrawMarkup(p, text, QRect(0, 0, 200, 60), options, &point);
        ASSERT_EQ(p.font(), font) << text;
        ASSERT_EQ(p.pen().color(), QColor(1, 2, 3)) << text;
        const QSize size = MeasureMarkup(font, text, 150, options);
        ASSERT_GE(size.width(), 0);
        ASSERT_LT(size.height(), 1000000) << text;
        (void)HitTestMarkup(font, text, QRect(0, 0, 200, 60), point, options);
        StripMarkup(text, plain);
        // No complete tag survives stripping.
        const size_t lt = plain.find('<');
        ASSERT_TRUE(lt == std::string::npos || plain.find('>', lt) == std::string::npos) << text << " -> " << plain;
    }
}

TEST(MarkupRenderer, AlignmentIndentsAndOffsets)
{
    // Horizontal extent of the ink drawn into a white 200 x 60 image.
    auto inkRange = [](std::string_view markup) {
        const QImage img = Render(markup, QSize(200, 60));
        int lo = img.width(), hi = -1;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixelColor(x, y) != Qt::white) {
                    lo = std::min(lo, x);
                    hi = std::max(hi, x);
                }
        return std::pair(lo, hi);
    };
    const auto left = inkRange("MM");
    const int inkWidth = left.second - left.first;
    EXPECT_LT(left.first, 5);
    const auto right = inkRange("<p align=\"right\">MM</p>");
    EXPECT_GE(right.second, 195);
    EXPECT_NEAR(right.second - right.first, inkWidth, 1);
    const auto centre = inkRange("<p align=\"CENTER\">MM");
    EXPECT_NEAR((centre.first + centre.second) / 2.0, 100, 3);
    EXPECT_GE(inkRange("<p indent=\"30\">MM").first, 30);
    EXPECT_GE(inkRange("<ind x=\"120\">MM").first, 120);
    EXPECT_GE(inkRange("<ofs x=\"50\">MM<br>MM").first, 50); // following lines start there too
    EXPECT_LT(inkRange("<ofs x=\"50\">MM</ofs><br>MM").first, 5); // until /OFS

    const QFont font = TestFont();
    const int m = MeasureMarkup(font, "M").width();
    EXPECT_NEAR(MeasureMarkup(font, "<ind x=\"120\">M").width(), 120 + m, 1);
    // IND never moves back; OFS does.
    EXPECT_EQ(MeasureMarkup(font, "MMMMMMMMMMMM<ind x=\"20\">M").width(), MeasureMarkup(font, "MMMMMMMMMMMMM").width());
    EXPECT_NEAR(MeasureMarkup(font, "MMMMMMMMMMMM<ofs x=\"20\">M").width(),
                std::max(20 + m, MeasureMarkup(font, "MMMMMMMMMMMM").width()), 1);
    // Each list level indents by 12 pixels.
    EXPECT_EQ(MeasureMarkup(font, "<ul><ul>M").width() - MeasureMarkup(font, "<ul>M").width(), 12);
}

TEST(MarkupRenderer, DisabledTextIsGrey)
{
    QImage img(160, 40, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    QFont f = TestFont();
    f.setPixelSize(24);
    p.setFont(f);
    p.setPen(Qt::black);
    DrawMarkupEnabled(p, false, "<b>MMMM</b>", img.rect());
    p.end();
    int grey = 0, dark = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            grey += c == QColor(128, 128, 128);
            dark += c.red() < 100;
        }
    EXPECT_GT(grey, 20);
    EXPECT_EQ(dark, 0);
}
