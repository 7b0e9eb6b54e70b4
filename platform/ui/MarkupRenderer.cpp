#include "platform/ui/MarkupRenderer.h"

#include "platform/MiniMarkup.h"
#include "platform/Win1252.h"
#include "platform/ui/AnsiQString.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>

#include <algorithm>
#include <cmath>
#include <vector>

namespace artikel {
namespace {

constexpr int kListIndent = 12;
constexpr int kBulletSize = 8;

QColor SystemColor(const QPalette& pal, MarkupSysColor role)
{
    switch (role) {
    case MarkupSysColor::Background: return pal.color(QPalette::Window);
    case MarkupSysColor::ActiveCaption: return pal.color(QPalette::Highlight);
    case MarkupSysColor::InactiveCaption: return pal.color(QPalette::Mid);
    case MarkupSysColor::Menu: return pal.color(QPalette::Window);
    case MarkupSysColor::Window: return pal.color(QPalette::Base);
    case MarkupSysColor::WindowFrame: return pal.color(QPalette::Shadow);
    case MarkupSysColor::MenuText: return pal.color(QPalette::WindowText);
    case MarkupSysColor::WindowText: return pal.color(QPalette::Text);
    case MarkupSysColor::CaptionText: return pal.color(QPalette::HighlightedText);
    case MarkupSysColor::ActiveBorder: return pal.color(QPalette::Window);
    case MarkupSysColor::InactiveBorder: return pal.color(QPalette::Window);
    case MarkupSysColor::AppWorkspace: return pal.color(QPalette::Dark);
    case MarkupSysColor::Highlight: return pal.color(QPalette::Highlight);
    case MarkupSysColor::HighlightText: return pal.color(QPalette::HighlightedText);
    case MarkupSysColor::BtnFace: return pal.color(QPalette::Button);
    case MarkupSysColor::BtnShadow: return pal.color(QPalette::Dark);
    case MarkupSysColor::GrayText: return pal.color(QPalette::Disabled, QPalette::Text);
    case MarkupSysColor::BtnText: return pal.color(QPalette::ButtonText);
    case MarkupSysColor::InactiveCaptionText: return pal.color(QPalette::Disabled, QPalette::WindowText);
    case MarkupSysColor::BtnHighlight: return pal.color(QPalette::Light);
    case MarkupSysColor::DkShadow3D: return pal.color(QPalette::Shadow);
    case MarkupSysColor::Light3D: return pal.color(QPalette::Midlight);
    case MarkupSysColor::InfoText: return pal.color(QPalette::ToolTipText);
    case MarkupSysColor::InfoBk: return pal.color(QPalette::ToolTipBase);
    }
    return Qt::black;
}

// Font sizes of <font size="N">: 1..5 are the classic steps, any other positive number points.
qreal FontSizePoints(int size)
{
    static constexpr qreal kSteps[] = {8, 10, 12, 14, 16};
    return size >= 1 && size <= 5 ? kSteps[size - 1] : size;
}

bool HasAttribute(std::string_view tag, std::string_view keyword, std::string_view& value)
{
    return FindMarkupAttribute(tag, keyword, value);
}

// Everything a text fragment is drawn with.
struct Style {
    QFont font;
    QColor color;
    QColor background; // invalid: transparent
    bool shadow = false;
    bool error = false;
    qreal rotation = 0;
    qreal ascent = 0, descent = 0, height = 0;
};

struct Fragment {
    enum class Kind : std::uint8_t { Text, Ellipsis, Image, Bullet };
    Kind kind = Kind::Text;
    int line = 0;
    int style = 0;
    int link = -1; // index into the layout's links
    qreal x = 0, width = 0;
    qreal shift = 0; // baseline offset, positive downwards (sub- and superscript)
    std::uint32_t start = 0, length = 0; // into the shown text
    // Images and bullets.
    const QPixmap* pixmap = nullptr;
    QSizeF size;
    enum class Align : std::uint8_t { Bottom, Top, Middle } align = Align::Bottom;
    bool keepLineHeight = false;
    bool square = false, circle = false;
    int level = 0;
    QColor bulletColor;
};

struct Line {
    qreal top = 0, ascent = 0, descent = 0, width = 0;
    qreal height() const { return ascent + descent; }
    int align = 0; // 0 left, 1 right, 2 centre
    QColor background, backgroundTo;
    bool rule = false;
    bool hasContent = false;
};

struct Link {
    std::uint32_t hrefStart = 0, hrefLength = 0; // into the parser's text
    std::string text;
};

struct Body {
    QColor color, colorTo;
    bool horizontal = false;
    const QPixmap* tiled = nullptr;
    const QPixmap* topLeft = nullptr;
    const QPixmap* topRight = nullptr;
};

// Lays out one parsed text; kept per thread and reused.
class Layout {
public:
    TMarkupParser parser;
    QString shown;
    std::vector<Style> styles;
    std::vector<Fragment> fragments;
    std::vector<Line> lines;
    std::vector<Link> links;
    Body body;

    void Run(std::string_view markup, const QFont& font, const QColor& color, QPaintDevice* device, qreal width,
             bool wrap, bool ellipsis, const MarkupOptions& options);

    qreal TotalHeight() const
    {
        return lines.empty() ? 0 : lines.back().top + lines.back().height() + (lines.back().rule ? 1 : 0);
    }
    qreal MaxWidth() const
    {
        qreal w = 0;
        for (const Line& l : lines)
            w = std::max(w, l.width);
        return w;
    }
    qreal LineOffset(const Line& line, qreal width) const
    {
        if (line.align == 0 || line.width >= width)
            return 0;
        return line.align == 1 ? width - line.width : (width - line.width) / 2;
    }

private:
    struct FontState {
        QString family;
        qreal points;
        int pixels;
        QColor color, background;
    };

    // Current state while walking the items.
    QFont font_;
    QColor color_, defaultColor_, background_;
    std::vector<FontState> fontStack_;
    std::vector<std::pair<QColor, QColor>> hiStack_;
    bool shadow_ = false, error_ = false;
    qreal rotation_ = 0;
    int hidden_ = 0, sub_ = 0, sup_ = 0, listLevel_ = 0, link_ = -1;
    int paraIndent_ = 0, paraAlign_ = 0;
    QColor paraBg_, paraBgTo_;
    bool offsetActive_ = false;
    qreal offsetX_ = 0;
    int style_ = -1;
    qreal x_ = 0;
    bool truncated_ = false;
    int liOnLine_ = 0;

    QPaintDevice* device_ = nullptr;
    qreal width_ = 0;
    bool wrap_ = false, ellipsis_ = false;
    const MarkupOptions* options_ = nullptr;
    const QPalette* palette_ = nullptr;

    void Reset();
    int CurrentStyle(bool underlineExtra = false);
    qreal Advance(int style, std::uint32_t start, std::uint32_t length) const;
    qreal LineStart() const;
    void NewLine();
    void EndLine();
    void Place(Fragment f, qreal ascent, qreal descent);
    void EmitText(std::uint32_t start, std::uint32_t length, bool accelerator);
    void EmitImage(std::string_view tag);
    void EmitBullet(std::string_view tag);
    void ApplyTag(const MarkupItem& item);
    void ApplyLink(std::string_view tag, bool on);
    void CloseFont();
    void ApplyHighlight(bool on);
    void ApplyList(bool on);
    void ApplyListItem(std::string_view tag, bool on);
    void ApplyFont(std::string_view tag);
    void ApplyParagraph(std::string_view tag);
    void ApplyBody(std::string_view tag);
    const QPixmap* ImageOf(std::string_view source) const;
    QColor ColorOf(std::string_view value) const;
    QColor LineColorOf(std::string_view tag, std::string_view keyword) const;
};

QColor Layout::ColorOf(std::string_view value) const
{
    const MarkupColor c = ParseMarkupColor(value);
    return c.system ? SystemColor(*palette_, c.role) : QColor(c.r, c.g, c.b);
}

QColor Layout::LineColorOf(std::string_view tag, std::string_view keyword) const
{
    std::string_view v;
    return HasAttribute(tag, keyword, v) ? ColorOf(v) : QColor();
}

const QPixmap* Layout::ImageOf(std::string_view source) const
{
    // Only image-list sources are drawn; system icons, picture collections and addresses are not
    // used by the program and draw nothing.
    if (!StartsWithNoCase(source, "IDX:") || !options_->images)
        return nullptr;
    const int index = ParseMarkupInt(source.substr(4));
    if (index < 0 || index >= options_->images->size())
        return nullptr;
    const QPixmap& p = options_->images->at(index);
    return p.isNull() ? nullptr : &p;
}

void Layout::Reset()
{
    styles.clear();
    fragments.clear();
    lines.clear();
    links.clear();
    body = Body{};
    fontStack_.clear();
    hiStack_.clear();
    shadow_ = error_ = false;
    rotation_ = 0;
    hidden_ = sub_ = sup_ = listLevel_ = 0;
    link_ = -1;
    paraIndent_ = paraAlign_ = 0;
    paraBg_ = paraBgTo_ = QColor();
    offsetActive_ = false;
    offsetX_ = 0;
    style_ = -1;
    truncated_ = false;
    liOnLine_ = 0;
}

int Layout::CurrentStyle(bool underlineExtra)
{
    Style s;
    s.font = font_;
    if (link_ >= 0 || underlineExtra)
        s.font.setUnderline(true);
    s.color = link_ >= 0 ? options_->linkColor : color_;
    s.background = background_;
    s.shadow = shadow_;
    s.error = error_;
    s.rotation = rotation_;
    // Texts switch between few styles ("</b>a<b>b</b>c"): reuse one already measured.
    for (size_t i = styles.size(); i-- > 0;) {
        const Style& old = styles[i];
        if (old.color == s.color && old.background == s.background && old.shadow == s.shadow && old.error == s.error &&
            old.rotation == s.rotation && old.font == s.font) {
            style_ = static_cast<int>(i);
            return style_;
        }
    }
    const QFontMetricsF fm = device_ ? QFontMetricsF(s.font, device_) : QFontMetricsF(s.font);
    s.ascent = fm.ascent();
    s.descent = fm.descent();
    s.height = fm.height();
    styles.push_back(std::move(s));
    style_ = static_cast<int>(styles.size() - 1);
    return style_;
}

qreal Layout::Advance(int style, std::uint32_t start, std::uint32_t length) const
{
    const QFontMetricsF fm = device_ ? QFontMetricsF(styles[static_cast<size_t>(style)].font, device_)
                                     : QFontMetricsF(styles[static_cast<size_t>(style)].font);
    return fm.horizontalAdvance(QString::fromRawData(shown.constData() + start, static_cast<qsizetype>(length)));
}

qreal Layout::LineStart() const { return offsetActive_ ? offsetX_ : qreal(paraIndent_ + listLevel_ * kListIndent); }

void Layout::EndLine()
{
    Line& line = lines.back();
    // Blanks at the end of a line take no room.
    while (!fragments.empty() && fragments.back().line == static_cast<int>(lines.size() - 1) &&
           fragments.back().kind == Fragment::Kind::Text) {
        Fragment& f = fragments.back();
        std::uint32_t n = f.length;
        while (n > 0 && shown.at(f.start + n - 1) == u' ')
            --n;
        if (n == f.length)
            break;
        if (n == 0) {
            fragments.pop_back();
            continue;
        }
        f.length = n;
        f.width = Advance(f.style, f.start, n);
        break;
    }
    qreal right = 0;
    for (auto it = fragments.rbegin(); it != fragments.rend() && it->line == static_cast<int>(lines.size() - 1); ++it)
        right = std::max(right, it->x + it->width);
    line.width = right;
    if (line.ascent + line.descent <= 0) {
        // An empty line is as high as the current text.
        const Style& s = styles[static_cast<size_t>(CurrentStyle())];
        line.ascent = s.ascent;
        line.descent = s.descent;
    }
    // Whole-pixel lines keep the baselines of all lines on pixel rows.
    line.ascent = std::ceil(line.ascent - 0.01);
    line.descent = std::ceil(line.descent - 0.01);
}

void Layout::NewLine()
{
    EndLine();
    const Line& prev = lines.back();
    Line next;
    next.top = prev.top + prev.height() + (prev.rule ? 1 : 0);
    next.align = paraAlign_;
    next.background = paraBg_;
    next.backgroundTo = paraBgTo_;
    lines.push_back(next);
    x_ = LineStart();
    truncated_ = false;
    liOnLine_ = 0;
}

void Layout::Place(Fragment f, qreal ascent, qreal descent)
{
    Line& line = lines.back();
    f.line = static_cast<int>(lines.size() - 1);
    f.link = link_;
    line.ascent = std::max(line.ascent, ascent);
    line.descent = std::max(line.descent, descent);
    line.hasContent = true;
    x_ = f.x + f.width;
    fragments.push_back(f);
}

void Layout::EmitText(std::uint32_t start, std::uint32_t length, bool accelerator)
{
    if (hidden_ > 0)
        return;
    const int style = CurrentStyle(accelerator);
    const Style& s = styles[static_cast<size_t>(style)];
    const qreal shift = sup_ > 0 ? -s.height / 4 : sub_ > 0 ? s.height / 4 : 0;
    auto place = [&](std::uint32_t b, std::uint32_t n, qreal w) {
        Fragment f;
        f.kind = Fragment::Kind::Text;
        f.style = style;
        f.x = x_;
        f.width = w;
        f.shift = shift;
        f.start = b;
        f.length = n;
        if (link_ >= 0)
            links[static_cast<size_t>(link_)].text.append(ToAnsi(QStringView(shown.constData() + b, n)));
        Place(f, s.ascent - std::min<qreal>(shift, 0), s.descent + std::max<qreal>(shift, 0));
    };
    const std::uint32_t end = start + length;
    while (start < end) {
        if (truncated_)
            return;
        if (!lines.back().hasContent) {
            while (start < end && shown.at(start) == u' ')
                ++start;
            if (start == end)
                return;
        }
        const std::uint32_t n = end - start;
        // A long run being wrapped is not measured whole on every line (that would grow with the
        // square of its length); the search for a break below finds where it ends.
        constexpr std::uint32_t kLongRun = 512;
        if (!wrap_ || n <= kLongRun) {
            const qreal w = Advance(style, start, n);
            // Blanks at the end of a run take no room when the line ends there.
            std::uint32_t visible = n;
            while (visible > 0 && shown.at(start + visible - 1) == u' ')
                --visible;
            const qreal needed = visible == n ? w : Advance(style, start, visible);
            if (x_ + needed <= width_ + 0.01 || (!wrap_ && !ellipsis_)) {
                place(start, n, w);
                return;
            }
        }
        if (!wrap_) {
            // Cut the line with "..." at the end.
            static const QString dots = QStringLiteral("...");
            const QFontMetricsF fm = device_ ? QFontMetricsF(s.font, device_) : QFontMetricsF(s.font);
            const qreal dotsWidth = fm.horizontalAdvance(dots);
            std::uint32_t lo = 0, hi = n; // longest prefix that fits together with the dots
            while (lo < hi) {
                const std::uint32_t mid = (lo + hi + 1) / 2;
                if (x_ + Advance(style, start, mid) + dotsWidth <= width_ + 0.01)
                    lo = mid;
                else
                    hi = mid - 1;
            }
            while (lo > 0 && shown.at(start + lo - 1) == u' ')
                --lo;
            if (lo > 0) {
                place(start, lo, Advance(style, start, lo));
            } else {
                // Nothing of this run fits: the dots take room from the text before them.
                const int line = static_cast<int>(lines.size() - 1);
                while (!fragments.empty() && fragments.back().line == line &&
                       fragments.back().kind == Fragment::Kind::Text) {
                    Fragment& last = fragments.back();
                    std::uint32_t keep = last.length;
                    while (keep > 0 &&
                           (shown.at(last.start + keep - 1) == u' ' ||
                            last.x + Advance(last.style, last.start, keep) + dotsWidth > width_ + 0.01))
                        --keep;
                    if (keep > 0) {
                        last.length = keep;
                        last.width = Advance(last.style, last.start, keep);
                        x_ = last.x + last.width;
                        break;
                    }
                    x_ = last.x;
                    fragments.pop_back();
                }
            }
            Fragment f;
            f.kind = Fragment::Kind::Ellipsis;
            f.style = style;
            f.x = x_;
            f.width = dotsWidth;
            f.shift = shift;
            Place(f, s.ascent, s.descent);
            truncated_ = true;
            return;
        }
        // Word wrap: the longest part up to a blank that still fits.
        std::uint32_t best = 0;
        bool crossed = false;
        for (std::uint32_t i = start; i < end && !crossed; ++i) {
            if (shown.at(i) != u' ')
                continue;
            crossed = x_ + Advance(style, start, i - start) > width_ + 0.01;
            if (!crossed)
                best = i;
        }
        if (!crossed && n > kLongRun) {
            const qreal w = Advance(style, start, n);
            if (x_ + w <= width_ + 0.01) {
                place(start, n, w);
                return;
            }
        }
        if (best > start) {
            place(start, best - start, Advance(style, start, best - start));
            start = best;
            NewLine();
            continue;
        }
        if (lines.back().hasContent) {
            NewLine();
            continue;
        }
        // A single word wider than the line: it stands alone, cut at the edge.
        std::uint32_t wordEnd = start;
        while (wordEnd < end && shown.at(wordEnd) != u' ')
            ++wordEnd;
        place(start, wordEnd - start, Advance(style, start, wordEnd - start));
        start = wordEnd;
        if (start < end)
            NewLine();
    }
}

void Layout::EmitImage(std::string_view tag)
{
    if (hidden_ > 0)
        return;
    std::string_view v;
    const QPixmap* pixmap = HasAttribute(tag, "SRC", v) ? ImageOf(v) : nullptr;
    if (!pixmap)
        return;
    QSizeF size = pixmap->deviceIndependentSize();
    if (HasAttribute(tag, "WIDTH", v) && ParseMarkupInt(v) > 0)
        size.setWidth(ParseMarkupInt(v));
    if (HasAttribute(tag, "HEIGHT", v) && ParseMarkupInt(v) > 0)
        size.setHeight(ParseMarkupInt(v));
    if (truncated_)
        return;
    if (wrap_ && lines.back().hasContent && x_ + size.width() > width_ && LineStart() + size.width() <= width_)
        NewLine();
    Fragment f;
    f.kind = Fragment::Kind::Image;
    f.pixmap = pixmap;
    f.size = size;
    f.x = x_;
    f.width = size.width();
    f.keepLineHeight = HasMarkupKeyword(tag, "WRAP");
    if (HasAttribute(tag, "ALIGN", v))
        f.align = StartsWithNoCase(v, "TOP") ? Fragment::Align::Top
            : StartsWithNoCase(v, "MIDDLE")  ? Fragment::Align::Middle
                                             : Fragment::Align::Bottom;
    const Style& s = styles[static_cast<size_t>(CurrentStyle())];
    qreal ascent = s.ascent, descent = s.descent;
    if (!f.keepLineHeight) {
        switch (f.align) {
        case Fragment::Align::Bottom: ascent = std::max(ascent, size.height()); break;
        case Fragment::Align::Top: descent = std::max(descent, size.height() - s.ascent); break;
        case Fragment::Align::Middle: {
            const qreal mid = (s.ascent - s.descent) / 2;
            ascent = std::max(ascent, mid + size.height() / 2);
            descent = std::max(descent, size.height() / 2 - mid);
            break;
        }
        }
    }
    Place(f, ascent, descent);
}

void Layout::EmitBullet(std::string_view tag)
{
    const Style& s = styles[static_cast<size_t>(CurrentStyle())];
    Fragment f;
    f.kind = Fragment::Kind::Bullet;
    f.style = style_;
    std::string_view v;
    if (HasAttribute(tag, "TYPE", v)) {
        f.square = StartsWithNoCase(v, "SQUARE");
        f.circle = StartsWithNoCase(v, "CIRCLE");
    }
    f.bulletColor = (f.square || f.circle) && HasAttribute(tag, " COLOR", v) ? ColorOf(v) : color_;
    f.level = listLevel_;
    f.x = x_;
    f.width = kBulletSize + 4;
    Place(f, s.ascent, s.descent);
}

void Layout::ApplyFont(std::string_view tag)
{
    fontStack_.push_back({font_.family(), font_.pointSizeF(), font_.pixelSize(), color_, background_});
    std::string_view v;
    if (HasAttribute(tag, "FACE", v) && !v.empty()) {
        // Tahoma is the classic dialog face; here the platform's default sans-serif stands in.
        if (StartsWithNoCase(v, "TAHOMA"))
            font_.setFamily(QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
        else
            font_.setFamily(FromAnsi(v));
    }
    if (HasAttribute(tag, " COLOR", v))
        color_ = ColorOf(v);
    if (HasAttribute(tag, "BGCOLOR", v))
        background_ = ColorOf(v);
    if (HasAttribute(tag, "SIZE", v)) {
        const qreal points = FontSizePoints(ParseMarkupInt(v));
        if (points > 0 && points <= 200)
            font_.setPointSizeF(points);
    }
}

void Layout::ApplyParagraph(std::string_view tag)
{
    std::string_view v;
    if (HasAttribute(tag, "ALIGN", v))
        paraAlign_ = StartsWithNoCase(v, "RIGHT") ? 1 : StartsWithNoCase(v, "CENTER") ? 2 : 0;
    if (HasAttribute(tag, "INDENT", v))
        paraIndent_ = std::clamp(ParseMarkupInt(v), 0, 10000);
    paraBg_ = LineColorOf(tag, "BGCOLOR");
    paraBgTo_ = LineColorOf(tag, "BGCOLORTO");
    if (paraBgTo_.isValid() && !paraBg_.isValid())
        paraBg_ = paraBgTo_;
    Line& line = lines.back();
    line.align = paraAlign_;
    line.background = paraBg_;
    line.backgroundTo = paraBgTo_;
    if (!line.hasContent)
        x_ = LineStart();
}

void Layout::ApplyBody(std::string_view tag)
{
    std::string_view v;
    body.color = LineColorOf(tag, "BGCOLOR");
    body.colorTo = LineColorOf(tag, "BGCOLORTO");
    body.horizontal = HasAttribute(tag, "DIR", v) && StartsWithNoCase(v, "H");
    if (HasAttribute(tag, "BACKGROUND", v))
        body.tiled = ImageOf(v);
    if (HasAttribute(tag, "BGTOPLEFT", v))
        body.topLeft = ImageOf(v);
    if (HasAttribute(tag, "BGTOPRIGHT", v))
        body.topRight = ImageOf(v);
}

void Layout::ApplyLink(std::string_view tag, bool on)
{
    if (!on) {
        link_ = -1;
        return;
    }
    std::string_view href;
    Link l;
    if (HasAttribute(tag, "HREF", href)) {
        l.hrefStart = static_cast<std::uint32_t>(href.data() - parser.Text().data());
        l.hrefLength = static_cast<std::uint32_t>(href.size());
    }
    links.push_back(std::move(l));
    link_ = static_cast<int>(links.size() - 1);
}

// </font> gives back the font and colours that were in force before its <font>.
void Layout::CloseFont()
{
    if (fontStack_.empty())
        return;
    const FontState& f = fontStack_.back();
    font_.setFamily(f.family);
    if (f.pixels > 0)
        font_.setPixelSize(f.pixels);
    else
        font_.setPointSizeF(f.points);
    color_ = f.color;
    background_ = f.background;
    fontStack_.pop_back();
}

void Layout::ApplyHighlight(bool on)
{
    if (on) {
        hiStack_.emplace_back(color_, background_);
        color_ = palette_->color(QPalette::HighlightedText);
        background_ = palette_->color(QPalette::Highlight);
    } else if (!hiStack_.empty()) {
        color_ = hiStack_.back().first;
        background_ = hiStack_.back().second;
        hiStack_.pop_back();
    }
}

void Layout::ApplyList(bool on)
{
    if (!on) {
        listLevel_ = std::max(listLevel_ - 1, 0);
        return;
    }
    listLevel_ = std::min(listLevel_ + 1, 100);
    if (lines.back().hasContent)
        NewLine();
    else
        x_ = LineStart();
}

void Layout::ApplyListItem(std::string_view tag, bool on)
{
    if (!on) {
        NewLine();
        return;
    }
    if (lines.back().hasContent || liOnLine_ > 0)
        NewLine();
    liOnLine_++;
    EmitBullet(tag);
}

void Layout::ApplyTag(const MarkupItem& item)
{
    const std::string_view tag = parser.TagText(item);
    if (item.colorReset) {
        color_ = defaultColor_;
        return;
    }
    const bool on = !item.closing;
    switch (item.tag) {
    case MarkupTag::B: font_.setBold(on); break;
    case MarkupTag::I: font_.setItalic(on); break;
    case MarkupTag::U: font_.setUnderline(on); break;
    case MarkupTag::S: font_.setStrikeOut(on); break;
    case MarkupTag::A: ApplyLink(tag, on); break;
    case MarkupTag::Font:
        if (on)
            ApplyFont(tag);
        else
            CloseFont();
        break;
    case MarkupTag::Br:
        if (on)
            NewLine();
        break;
    case MarkupTag::Hr:
        if (on) {
            lines.back().rule = true;
            NewLine();
        }
        break;
    case MarkupTag::P:
        if (on) {
            ApplyParagraph(tag);
        } else {
            paraAlign_ = paraIndent_ = 0;
            paraBg_ = paraBgTo_ = QColor();
            NewLine();
        }
        break;
    case MarkupTag::Hi: ApplyHighlight(on); break;
    case MarkupTag::Ind:
        if (on) {
            std::string_view v;
            const qreal x = HasAttribute(tag, "X", v) ? ParseMarkupInt(v) : 0;
            if (x > x_ && hidden_ == 0)
                x_ = std::min<qreal>(x, 100000);
        }
        break;
    case MarkupTag::Ofs:
        if (on) {
            std::string_view v;
            offsetX_ = std::clamp<qreal>(HasAttribute(tag, "X", v) ? ParseMarkupInt(v) : 0, -100000, 100000);
            offsetActive_ = true;
            x_ = offsetX_;
        } else {
            offsetActive_ = false;
        }
        break;
    case MarkupTag::Img:
        if (on)
            EmitImage(tag);
        break;
    case MarkupTag::Ul: ApplyList(on); break;
    case MarkupTag::Li: ApplyListItem(tag, on); break;
    case MarkupTag::Sub: sub_ = std::max(0, sub_ + (on ? 1 : -1)); break;
    case MarkupTag::Sup: sup_ = std::max(0, sup_ + (on ? 1 : -1)); break;
    case MarkupTag::Shad: shadow_ = on; break;
    case MarkupTag::Z: hidden_ = std::max(0, hidden_ + (on ? 1 : -1)); break;
    case MarkupTag::E: error_ = on; break;
    case MarkupTag::R:
        if (on) {
            std::string_view v;
            rotation_ = HasAttribute(tag, "A", v) ? ParseMarkupInt(v) % 360 : 0;
        } else {
            rotation_ = 0;
        }
        break;
    case MarkupTag::Body:
        if (on)
            ApplyBody(tag);
        break;
    case MarkupTag::Blink:
        if (on)
            color_ = options_->blinkColor;
        break;
    case MarkupTag::Unknown: break;
    }
}

void Layout::Run(std::string_view markup, const QFont& font, const QColor& color, QPaintDevice* device, qreal width,
                 bool wrap, bool ellipsis, const MarkupOptions& options)
{
    TMarkupParser::Options po;
    po.accelerators = options.accelerators;
    parser.Parse(markup, po);
    // Converted into the kept buffer: no allocation once it has grown to the usual size.
    const std::string& display = parser.Display();
    shown.resize(static_cast<qsizetype>(display.size()));
    QChar* out = shown.data();
    for (const char c : display)
        *out++ = QChar(char16_t(Win1252ToUnicode(static_cast<unsigned char>(c))));
    Reset();
    device_ = device;
    width_ = std::max<qreal>(width, 0);
    wrap_ = wrap;
    ellipsis_ = ellipsis && !wrap;
    options_ = &options;
    palette_ = options.palette ? options.palette : nullptr;
    static thread_local QPalette appPalette;
    if (!palette_) {
        appPalette = QGuiApplication::palette();
        palette_ = &appPalette;
    }
    font_ = font;
    color_ = defaultColor_ = color;
    background_ = QColor();
    lines.emplace_back();
    x_ = LineStart();
    for (const MarkupItem& item : parser.Items()) {
        if (item.kind == MarkupItem::Kind::Text)
            EmitText(item.start, item.length, item.accelerator);
        else
            ApplyTag(item);
    }
    EndLine();
}

Layout& ThreadLayout()
{
    static thread_local Layout layout;
    return layout;
}

MarkupHit HitOf(const Layout& layout, const QRect& rect, const QPoint& point, bool clipBottom)
{
    MarkupHit hit;
    for (const Fragment& f : layout.fragments) {
        if (f.link < 0)
            continue;
        const Line& line = layout.lines[static_cast<size_t>(f.line)];
        if (clipBottom && rect.top() + line.top > rect.bottom())
            break;
        const qreal left = rect.left() + layout.LineOffset(line, rect.width()) + f.x;
        const QRectF box(left, rect.top() + line.top, f.width, line.height());
        if (box.contains(point)) {
            const Link& l = layout.links[static_cast<size_t>(f.link)];
            hit.hit = true;
            hit.href = layout.parser.Text().substr(l.hrefStart, l.hrefLength);
            hit.text = l.text;
            break;
        }
    }
    return hit;
}

void FillBackground(QPainter& p, const QRectF& r, const QColor& from, const QColor& to, bool horizontal)
{
    if (!from.isValid())
        return;
    if (to.isValid()) {
        QLinearGradient g(r.topLeft(), horizontal ? r.topRight() : r.bottomLeft());
        g.setColorAt(0, from);
        g.setColorAt(1, to);
        p.fillRect(r, g);
    } else {
        p.fillRect(r, from);
    }
}

void DrawErrorMark(QPainter& p, qreal x, qreal y, qreal width)
{
    // A thin red zig-zag under the marked span.
    QPainterPath path;
    path.moveTo(x, y);
    bool up = true;
    for (qreal px = x + 2; px <= x + width; px += 2, up = !up)
        path.lineTo(px, up ? y - 1.5 : y);
    p.save();
    p.setPen(QPen(QColor(220, 0, 0), 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    p.restore();
}

} // namespace

MarkupHit DrawMarkup(QPainter& painter, std::string_view markup, const QRect& rect, const MarkupOptions& options,
                     const QPoint* hitPoint)
{
    Layout& layout = ThreadLayout();
    layout.Run(markup, painter.font(), painter.pen().color(), painter.device(), rect.width(), options.wordWrap,
               options.ellipsis, options);

    painter.save();
    painter.setClipRect(rect, painter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    const Body& body = layout.body;
    FillBackground(painter, rect, body.color, body.colorTo, body.horizontal);
    if (body.tiled)
        painter.drawTiledPixmap(rect, *body.tiled);
    if (body.topLeft)
        painter.drawPixmap(rect.topLeft(), *body.topLeft);
    if (body.topRight)
        painter.drawPixmap(QPointF(rect.right() + 1 - body.topRight->deviceIndependentSize().width(), rect.top()),
                           *body.topRight);

    static const QString dots = QStringLiteral("...");
    int visibleLines = 0;
    for (const Line& line : layout.lines) {
        if (rect.top() + line.top > rect.bottom())
            break; // lines starting below the rectangle are not drawn
        ++visibleLines;
        const QRectF band(rect.left(), rect.top() + line.top, rect.width(), line.height());
        FillBackground(painter, band, line.background, line.backgroundTo, true);
        if (line.rule) {
            painter.setPen(QPen(Qt::black, 1));
            const qreal y = rect.top() + line.top + line.height() + 0.5;
            painter.drawLine(QPointF(rect.left(), y), QPointF(rect.right() + 1, y));
        }
    }
    for (const Fragment& f : layout.fragments) {
        if (f.line >= visibleLines)
            break;
        const Line& line = layout.lines[static_cast<size_t>(f.line)];
        const Style& s = layout.styles[static_cast<size_t>(f.style)];
        const qreal left = rect.left() + layout.LineOffset(line, rect.width()) + f.x;
        const qreal top = rect.top() + line.top;
        const qreal baseline = top + line.ascent + f.shift;
        switch (f.kind) {
        case Fragment::Kind::Image: {
            qreal y = baseline - f.size.height();
            if (f.align == Fragment::Align::Top)
                y = baseline - s.ascent;
            else if (f.align == Fragment::Align::Middle)
                y = baseline - (s.ascent - s.descent) / 2 - f.size.height() / 2;
            painter.drawPixmap(QRectF(QPointF(left, y), f.size), *f.pixmap, QRectF(f.pixmap->rect()));
            break;
        }
        case Fragment::Kind::Bullet: {
            const QRectF box(left, baseline - (s.ascent - s.descent) / 2 - kBulletSize / 2.0, kBulletSize, kBulletSize);
            painter.setPen(Qt::NoPen);
            painter.setBrush(f.bulletColor);
            if (f.square) {
                painter.drawRect(box);
            } else if (f.circle) {
                painter.setRenderHint(QPainter::Antialiasing, true);
                painter.drawEllipse(box);
                painter.setRenderHint(QPainter::Antialiasing, false);
            } else {
                // Without a type the bullet alternates between a disc and a ring by level.
                const bool ring = f.level % 2 == 0 && f.level > 0;
                painter.setRenderHint(QPainter::Antialiasing, true);
                const QRectF dot = box.adjusted(1.5, 1.5, -1.5, -1.5);
                if (ring) {
                    painter.setPen(QPen(f.bulletColor, 1));
                    painter.setBrush(Qt::NoBrush);
                }
                painter.drawEllipse(dot);
                painter.setRenderHint(QPainter::Antialiasing, false);
            }
            painter.setBrush(Qt::NoBrush);
            break;
        }
        case Fragment::Kind::Text:
        case Fragment::Kind::Ellipsis: {
            const QString text = f.kind == Fragment::Kind::Ellipsis
                ? dots
                : QString::fromRawData(layout.shown.constData() + f.start, static_cast<qsizetype>(f.length));
            if (s.background.isValid())
                painter.fillRect(QRectF(left, top, f.width, line.height()), s.background);
            painter.setFont(s.font);
            if (s.rotation != 0) {
                painter.save();
                painter.translate(left, baseline);
                painter.rotate(-s.rotation);
                painter.setPen(s.color);
                painter.drawText(QPointF(0, 0), text);
                painter.restore();
                break;
            }
            if (s.shadow) {
                painter.setPen(options.shadowColor);
                painter.drawText(QPointF(left + options.shadowOffset, baseline + options.shadowOffset), text);
            }
            painter.setPen(s.color);
            painter.drawText(QPointF(left, baseline), text);
            if (s.error)
                DrawErrorMark(painter, left, baseline + std::max<qreal>(2, s.descent - 1), f.width);
            break;
        }
        }
    }
    painter.restore();
    return hitPoint ? HitOf(layout, rect, *hitPoint, true) : MarkupHit{};
}

QSize MeasureMarkup(const QFont& font, std::string_view markup, int maxWidth, const MarkupOptions& options)
{
    Layout& layout = ThreadLayout();
    layout.Run(markup, font, Qt::black, nullptr, maxWidth, true, false, options);
    return QSize(static_cast<int>(std::ceil(layout.MaxWidth())), static_cast<int>(std::ceil(layout.TotalHeight())));
}

MarkupHit HitTestMarkup(const QFont& font, std::string_view markup, const QRect& rect, const QPoint& point,
                        const MarkupOptions& options)
{
    Layout& layout = ThreadLayout();
    layout.Run(markup, font, Qt::black, nullptr, rect.width(), options.wordWrap, options.ellipsis, options);
    return HitOf(layout, rect, point, true);
}

std::vector<std::string> MarkupLineTexts(const QFont& font, std::string_view markup, int width,
                                         const MarkupOptions& options)
{
    Layout& layout = ThreadLayout();
    layout.Run(markup, font, Qt::black, nullptr, width, options.wordWrap, options.ellipsis, options);
    std::vector<std::string> lines(layout.lines.size());
    for (const Fragment& f : layout.fragments) {
        std::string& line = lines[static_cast<size_t>(f.line)];
        if (f.kind == Fragment::Kind::Text)
            line += ToAnsi(QStringView(layout.shown.constData() + f.start, static_cast<qsizetype>(f.length)));
        else if (f.kind == Fragment::Kind::Ellipsis)
            line += "...";
    }
    return lines;
}

std::string EnabledMarkupText(bool enabled, std::string_view markup)
{
    std::string text;
    const size_t amp = markup.find('&');
    if (amp != std::string_view::npos && amp + 1 < markup.size() && markup[amp + 1] != ' ') {
        // Drop accelerator ampersands, but keep those that start an entity.
        static constexpr std::string_view kEntities[] = {"&amp;",  "&quot;",  "&sect;", "&permil;", "&reg;", "&copy;",
                                                         "&para;", "&trade;", "&euro;", "&nbsp;",   "&lt;",  "&gt;"};
        text.reserve(markup.size());
        for (size_t i = 0; i < markup.size(); ++i) {
            if (markup[i] == '&') {
                const std::string_view rest = markup.substr(i);
                if (std::none_of(std::begin(kEntities), std::end(kEntities),
                                 [&](std::string_view e) { return rest.starts_with(e); }))
                    continue;
            }
            text += markup[i];
        }
    } else {
        text.assign(markup);
    }
    if (!enabled)
        text = "<FONT color=\"#808080\">" + text + "</Font>";
    return text;
}

void DrawMarkupEnabled(QPainter& painter, bool enabled, std::string_view markup, const QRect& rect,
                       const MarkupOptions& options)
{
    DrawMarkup(painter, EnabledMarkupText(enabled, markup), rect, options);
}

} // namespace artikel
