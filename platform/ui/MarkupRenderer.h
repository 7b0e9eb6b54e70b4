#pragma once

// Draws and measures the program's mini markup (platform/MiniMarkup.h) with QPainter: fonts and
// styles, colours and backgrounds, line breaks, rules, paragraphs and lists, indents and offsets,
// inline images from an image list, sub- and superscript, hidden text, alignment, ellipsis, word
// wrap and links with hit testing.
//
// The painter's font and pen colour are the defaults of a text; the painter's state is the same
// after the call. Texts are Windows-1252 bytes. Every call parses afresh; the buffers are kept
// per thread, so this is cheap enough for every visible grid cell on every paint.

#include <QColor>
#include <QFont>
#include <QList>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <string>
#include <string_view>
#include <vector>

class QPainter;
class QPalette;
class QPaintDevice;

namespace artikel {

struct MarkupOptions {
    // Images for <img src="idx:N">; a missing list or index draws nothing.
    const QList<QPixmap>* images = nullptr;
    // Colours for links, <shad> and <blink>; the palette for system colour names and <hi>
    // (none: the application palette).
    QColor linkColor = QColor(0, 0, 255);
    QColor shadowColor = QColor(128, 128, 128);
    QColor blinkColor = QColor(255, 0, 0);
    int shadowOffset = 1;
    const QPalette* palette = nullptr;
    // A line wider than the rectangle ends in "..." (drawing only; ignored with word wrap).
    bool ellipsis = false;
    // Lines break at blanks before the first word that would cross the right edge.
    bool wordWrap = false;
    // Menu-style accelerators ("&Datei" underlines the D); never when the text contains " & ".
    bool accelerators = true;
};

struct MarkupHit {
    bool hit = false;
    std::string href; // the link's target as written in the markup
    std::string text; // the link's shown text
};

// Draws `markup` into `rect`. With a hit point, returns the link drawn under it.
MarkupHit DrawMarkup(QPainter& painter, std::string_view markup, const QRect& rect, const MarkupOptions& options = {},
                     const QPoint* hitPoint = nullptr);

// The size `markup` needs with `font`, its lines wrapped at `maxWidth`. Measured on the screen's
// metrics (a scratch device), so no painter is disturbed.
QSize MeasureMarkup(const QFont& font, std::string_view markup, int maxWidth = 2000, const MarkupOptions& options = {});

// The link under `point` when `markup` is drawn into `rect` with `font`, without drawing.
MarkupHit HitTestMarkup(const QFont& font, std::string_view markup, const QRect& rect, const QPoint& point,
                        const MarkupOptions& options = {});

// The shown text of each laid-out line ("..." included where the line was cut), as DrawMarkup
// would lay it out into a rectangle `width` wide; for hints, accessibility and tests.
std::vector<std::string> MarkupLineTexts(const QFont& font, std::string_view markup, int width,
                                         const MarkupOptions& options = {});

// Captions of menus and buttons: when the first "&" is followed by a non-blank, the "&"s are
// dropped (accelerators are not shown); a disabled text is drawn grey.
std::string EnabledMarkupText(bool enabled, std::string_view markup);
void DrawMarkupEnabled(QPainter& painter, bool enabled, std::string_view markup, const QRect& rect,
                       const MarkupOptions& options = {});

} // namespace artikel
