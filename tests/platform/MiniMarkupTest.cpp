#include "platform/MiniMarkup.h"

#include <gtest/gtest.h>

using namespace artikel;

namespace {

// The parse as a compact string: text runs as they are shown, tags as [NAME], closing as [/NAME],
// accelerator characters as _X.
std::string Describe(std::string_view markup, bool accelerators = true)
{
    static const char* kNames[] = {"?",   "B",   "I",  "U",  "S",   "A",   "FONT", "BR", "P", "HR", "HI",   "IND",
                                   "OFS", "IMG", "UL", "LI", "SUB", "SUP", "SHAD", "Z",  "E", "R",  "BODY", "BLINK"};
    TMarkupParser parser;
    parser.Parse(markup, TMarkupParser::Options{accelerators});
    std::string out;
    for (const MarkupItem& item : parser.Items()) {
        if (item.kind == MarkupItem::Kind::Text) {
            if (item.accelerator)
                out += '_';
            out += parser.RunText(item);
        } else if (item.colorReset) {
            out += "[/B*]";
        } else {
            out += '[';
            if (item.closing)
                out += '/';
            out += kNames[static_cast<int>(item.tag)];
            out += ']';
        }
    }
    return out;
}

} // namespace

TEST(StripMarkup, Steps)
{
    struct Case {
        const char* in;
        const char* out;
    };
    for (const Case c : {
             Case{"", ""},
             Case{"  Kupferrohr 15 mm  ", "Kupferrohr 15 mm"},
             Case{"<b>Schraube</b> M8", "Schraube M8"},
             Case{"eins<BR>zwei", "einszwei"},
             Case{"a\r\n\r\nb", "a\r\nb"},
             Case{"x&amp;y", "x&y"},
             Case{"&AMP;&Quot;", "&"},
             Case{"1&lt;2&gt;0", "12 0"},
             Case{"a&nbsp;b", "a b"},
             Case{"it&#39;s", "it's"},
             Case{"<head>Titel", "Titel"},
             Case{"<font color=\"clred\" /font>rot", "rot"},
             Case{"<font color=\"clred\"><i>Achtung</i>", "Achtung"}, // tags directly after one another
             Case{"<a href=\"x\">Link</a> und <u>mehr</u>", "Link und mehr"},
             Case{"a < b", "a < b"}, // no ">": the "<" stays
             Case{"a <x> b < c", "a  b < c"},
             Case{"&amp;lt;", ""}, // "&amp;" becomes "&" before "&lt;" is removed
             Case{"Preis > 5", "Preis > 5"},
         }) {
        EXPECT_EQ(StripMarkup(c.in), c.out) << c.in;
    }
    // Escaped ampersands strip back to themselves ("&lt;" and "&gt;" are dropped by the rules above).
    for (const char* plain : {"A&B.png", "&quot;x&amp;", "M&M"})
        EXPECT_EQ(StripMarkup(EscapeMarkup(plain)), plain) << plain;
    EXPECT_EQ(EscapeMarkup("a<b>&c"), "a&lt;b&gt;&amp;c");
    std::string reused = "old content";
    StripMarkup("<b>neu</b>", reused);
    EXPECT_EQ(reused, "neu");
}

TEST(MiniMarkup, PreprocessingEntitiesAndLineBreaks)
{
    struct Case {
        const char* in;
        bool accelerators;
        const char* out;
    };
    for (const Case c : {
             Case{"x&amp;y", true, "x&&y"},
             Case{"x&amp;y", false, "x&y"},
             Case{"&amp;amp;", true, "&&&"}, // replaced until none is left
             Case{"&sect;&permil;&reg;&copy;&para;&trade;&euro;&quot;", true, "\xA7\x89\xAE\xA9\xB6\x99\x80\""},
             Case{"&nbsp;&lt;&gt;", true, "&nbsp;&lt;&gt;"}, // shown by the line drawing, not here
             Case{"&Euro;", true, "&Euro;"},
             Case{"eins\r\nzwei\rdrei\nvier", true, "eins<BR>zwei<BR>dreivier"},
             Case{"a<#FF>b<#c>", true, "a#FFb<#c>"}, // only the first "<#" and its ">"
             Case{"<#\r>x", true, "#<BR>x"},
         }) {
        std::string out, scratch;
        TMarkupParser::Preprocess(c.in, c.accelerators, out, scratch);
        EXPECT_EQ(out, c.out) << c.in;
    }
}

TEST(MiniMarkup, TagsAndRuns)
{
    struct Case {
        const char* in;
        const char* parsed;
    };
    for (const Case c : {
             Case{"a<b>b</b>c", "a[B]b[/B]c"},
             Case{"<B>x</b >", "[B]x[/B]"},
             Case{"</b>Filter <b>Name</b> l\xF6schen?", "[/B]Filter [B]Name[/B] l\xF6schen?"},
             Case{"<br><BR/><br />", "[BR][BR][BR]"},
             Case{"<font color=\"clred\" /font>x</Font>", "[FONT]x[/FONT]"},
             Case{"<body><blink></blink></bodyx></b x>", "[BODY][BLINK][/B*][/B*][/B*]"},
             Case{"<hr><hi>a</hi><ind x=\"5\"><ofs x=\"3\"></ofs>", "[HR][HI]a[/HI][IND][OFS][/OFS]"},
             Case{"<img src=\"idx:0\"><ul><li type=\"square\">x</li></ul>", "[IMG][UL][LI]x[/LI][/UL]"},
             Case{"<sub>1</sub><sup>2</sup><shad>s</shad><z>h</z><e>e</e><r a=\"90\">r</r>",
                  "[SUB]1[/SUB][SUP]2[/SUP][SHAD]s[/SHAD][Z]h[/Z][E]e[/E][R]r[/R]"},
             Case{"<p align=\"right\">p</p><a href=\"x\">l</a><i>i</i><u>u</u><s>s</s>",
                  "[P]p[/P][A]l[/A][I]i[/I][U]u[/U][S]s[/S]"},
             Case{"<strong>x</strong><big>y</big><span>z", "[?]x[/?][?]y[/B*][?]z"},
             Case{"ab<cd", "ab"}, // "<" without ">" drops the rest
             Case{"a>b", "a>b"},
             Case{"a&nbsp;b&lt;c&gt;",
                  "a\xA0"
                  "b<c>"},
         }) {
        EXPECT_EQ(Describe(c.in), c.parsed) << c.in;
    }
}

TEST(MiniMarkup, Accelerators)
{
    struct Case {
        const char* in;
        bool accelerators;
        const char* parsed;
    };
    for (const Case c : {
             Case{"&Datei", true, "_Datei"},
             Case{"Da&tei &Neu", true, "Da_tei _Neu"},
             Case{"A&&B", true, "A&B"},
             Case{"x&amp;y", true, "x&y"},
             Case{"x & y", true, "x & y"}, // an ampersand between blanks turns them off
             Case{"x & y &Neu", true, "x & y &Neu"},
             Case{"x &amp; y &N", true, "x & y _N"},
             Case{"Ende&", true, "Ende&"},
             Case{"&Datei", false, "&Datei"},
             Case{"x&amp;y", false, "x&y"},
         }) {
        EXPECT_EQ(Describe(c.in, c.accelerators), c.parsed) << c.in;
    }
}

TEST(MiniMarkup, Colors)
{
    const MarkupColor black = MarkupColor::Rgb(0, 0, 0);
    struct Case {
        const char* in;
        MarkupColor color;
    };
    for (const Case c : {
             Case{"clred", MarkupColor::Rgb(255, 0, 0)},
             Case{"CLRed", MarkupColor::Rgb(255, 0, 0)},
             Case{"clblue", MarkupColor::Rgb(0, 0, 255)},
             Case{"clmaroon", MarkupColor::Rgb(128, 0, 0)},
             Case{"clsilver", MarkupColor::Rgb(192, 192, 192)},
             Case{"claqua", MarkupColor::Rgb(0, 255, 255)},
             Case{"#FF0000", MarkupColor::Rgb(255, 0, 0)},
             Case{"#12AB7F", MarkupColor::Rgb(0x12, 0xAB, 0x7F)},
             Case{"#808080", MarkupColor::Rgb(128, 128, 128)},
             Case{"clnichtda", black},
             Case{"#FF00", black},
             Case{"#GG0000", black},
             Case{"", black},
             Case{"red", black},
         }) {
        EXPECT_EQ(ParseMarkupColor(c.in), c.color) << c.in;
    }
    const MarkupColor hl = ParseMarkupColor("clHighlight");
    EXPECT_TRUE(hl.system);
    EXPECT_EQ(hl.role, MarkupSysColor::Highlight);
    EXPECT_EQ(ParseMarkupColor("clinfobk").role, MarkupSysColor::InfoBk);
    EXPECT_EQ(ParseMarkupColor("cl3ddkshadow").role, MarkupSysColor::DkShadow3D);
}

TEST(MiniMarkup, AttributesAndNumbers)
{
    struct Case {
        const char* tag;
        const char* keyword;
        bool found;
        const char* value;
    };
    for (const Case c : {
             Case{"font color=\"clred\" /font", " COLOR", true, "clred"},
             Case{"font color:\"clblack\"/font", " COLOR", true, "clblack"},
             Case{"FONT COLOR=\"#FF0000\" und mehr", " COLOR", true, "#FF0000"},
             Case{"font bgcolor=\"clred\"", " COLOR", false, ""},
             Case{"font bgcolor=\"clred\"", "BGCOLOR", true, "clred"},
             Case{"font face=\"Arial Narrow\"", "FACE", true, "Arial Narrow"},
             Case{"a href=\"file://x y\"", "HREF", true, "file://x y"},
             Case{"a href=\"offen", "HREF", false, ""},
             Case{"a href=x", "HREF", false, ""},
         }) {
        std::string_view value;
        EXPECT_EQ(FindMarkupAttribute(c.tag, c.keyword, value), c.found) << c.tag;
        if (c.found) {
            EXPECT_EQ(value, c.value) << c.tag;
        }
    }
    struct Num {
        const char* in;
        int value;
    };
    for (const Num n : {Num{"12", 12}, Num{" 7 ", 7}, Num{"-5", -5}, Num{"x", 0}, Num{"12px", 0}, Num{"", 0},
                        Num{"99999999999", 0}}) {
        EXPECT_EQ(ParseMarkupInt(n.in), n.value) << n.in;
    }
}
