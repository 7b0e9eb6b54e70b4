// Renders sample markup texts and the program's dialogs to PNG files, so that their look can be
// checked by eye:  gallery <output folder>
#include "platform/ui/AnsiQString.h"
#include "platform/ui/DialogIcons.h"
#include "platform/ui/MarkupRenderer.h"
#include "platform/ui/TDimmedForm.h"
#include "platform/ui/TFSB_BOX.h"
#include "platform/ui/TMarkupLabel.h"
#include "platform/ui/TQuestionDlg.h"
#include "platform/ui/TWiiProgressBar.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QImage>
#include <QLineEdit>
#include <QPainter>

#include <cstdio>
#include <string>
#include <vector>

using namespace artikel;

namespace {

struct Sample {
    const char* title;
    std::string markup;
    int width = 420;
    bool bold = false; // the canvas font is bold (grid highlighting, basket rows)
    bool ellipsis = false;
    bool wordWrap = false;
    int enabled = -1; // 0 or 1: drawn with the enabled/disabled form
};

QFont SampleFont(bool bold = false)
{
    QFont f = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    f.setPixelSize(13);
    f.setBold(bold);
    return f;
}

QList<QPixmap> SampleImages()
{
    QList<QPixmap> images;
    for (int i = 0; i < kDialogIconCount; ++i)
        images.append(DialogIcon(i, 16));
    return images;
}

std::vector<Sample> Samples()
{
    std::vector<Sample> s;
    s.push_back({"a, bold b, c", "a<b>b</b>c"});
    s.push_back({"status line (two lines)",
                 "<b>1.234.567 </b>Datens\xE4tze | Gefiltert: <b>1.234 </b>| [kupfer rohr]\r\n"
                 " </b>| <b><font color=\"clblue\" /font>0.184 s. + 0.012 s."});
    s.push_back({"status line while loading", "<font color=\"clred\" /font>Dauert etwas l\xE4nger.."});
    s.push_back({"grid cell with highlighted tokens (bold canvas)", "</b>Kupfer<b>rohr</b> 15 x 1 mm <b>halb</b>hart",
                 420, true});
    s.push_back({"basket position (bold canvas)",
                 "Kupferrohr 15 x 1 mm halbhart</b> 4711015<br><font color=\"clblue\"><b>2 Stk x 12,50 \x80   Pos. "
                 "3</b></font><br>"
                 "<font color=\"#808080\">In Stangen zu 5 m, DVGW-gepr\xFC"
                 "ft</font>",
                 420, true});
    s.push_back({"question text", "</b>Datenbank <b>Lager 2024</b> l\xF6schen?"});
    s.push_back({"copy label, ellipsis in 273 px",
                 "| Kopiert:<b> Kupferrohr 15 x 1 mm halbhart in Stangen zu 5 m, DVGW", 273, false, true});
    s.push_back({"word wrap at 200 px",
                 "Um nach <b>Ledgix zu senden</b>, m\xFCssen Sie die <b>Quellfelder dieser Datenbank</b> zun\xE4"
                 "chst zuordnen.",
                 200, false, false, true});
    s.push_back({"entities",
                 "x&amp;y &quot;q&quot; &sect; 5&permil; &reg; &copy; &para; &trade; 9&euro; a&nbsp;b &lt;tag&gt;"});
    s.push_back({"accelerators", "&Datei   Da&tei   A&&B"});
    s.push_back({"ampersand between blanks", "Schrauben & Muttern &Neu"});
    s.push_back({"enabled / disabled form", "&Kopieren", 420, false, false, false, 1});
    s.push_back({"", "&Kopieren (disabled)", 420, false, false, false, 0});
    s.push_back(
        {"colour names",
         "<font color=\"clmaroon\">maroon</font> <font color=\"clred\">red</font> <font color=\"clgreen\">green</font> "
         "<font color=\"cllime\">lime</font> <font color=\"clolive\">olive</font> <font color=\"clnavy\">navy</font> "
         "<font color=\"clblue\">blue</font> <font color=\"clpurple\">purple</font> <font "
         "color=\"clfuchsia\">fuchsia</font> "
         "<font color=\"clteal\">teal</font> <font color=\"clgray\">gray</font> <font color=\"clsilver\">silver</font> "
         "<font color=\"#FF8000\">#FF8000</font> <font color=\"clnichtda\">unknown</font>",
         420, false, false, true});
    s.push_back({"background colours, highlight",
                 "<font bgcolor=\"clyellow\">gelb hinterlegt</font> normal <hi>hervorgehoben</hi> <font "
                 "bgcolor=\"#C0E0FF\" color=\"clnavy\">blau</font>"});
    s.push_back(
        {"styles",
         "<b>bold</b> <i>italic</i> <u>underline</u> <s>strike</s> <b><i>both</i></b> H<sub>2</sub>O m<sup>2</sup> "
         "<shad>shadow</shad> <e>Feler</e> <blink>blink</blink> [<z>hidden</z>]"});
    s.push_back({"font sizes and faces",
                 "<font size=\"1\">8pt</font> <font size=\"3\">12pt</font> <font size=\"5\">16pt</font> "
                 "<font face=\"DejaVu Serif\">Serif</font> <font face=\"DejaVu Sans Mono\">Mono</font> <font "
                 "face=\"Tahoma\">Tahoma</font>"});
    s.push_back({"link",
                 "Mehr dazu in der <a href=\"https://example.org/hilfe\">Hilfe</a> oder im <a "
                 "href=\"file://C:/x.pdf\">Handbuch</a>."});
    s.push_back({"paragraphs and rule",
                 "<p align=\"left\">links</p><p align=\"center\" bgcolor=\"#FFF0C0\">zentriert, hinterlegt</p>"
                 "<p align=\"right\">rechts</p><hr>unter der Linie<br><p indent=\"30\" bgcolor=\"#FFFFFF\" "
                 "bgcolorto=\"#80C0FF\">eingezogen, Verlauf</p>"});
    s.push_back({"lists",
                 "<ul><li>eins<li>zwei<ul><li>zwei a<li>zwei b</ul><li type=\"square\" color=\"clred\">Quadrat"
                 "<li type=\"circle\" color=\"clgreen\">Kreis</ul>"});
    s.push_back(
        {"suggestion entry: indent and icon", "Kupferrohr 15 mm<IND x=\"380\"> <IMG src=\"idx:3\" align=\"top\"> "});
    s.push_back({"images: bottom, middle, top, stretched",
                 "ab<img src=\"idx:0\">cd<img src=\"idx:1\" align=\"middle\">ef"
                 "<img src=\"idx:2\" align=\"top\">gh<img src=\"idx:3\" width=\"32\" height=\"32\">ij"});
    s.push_back({"offset", "Name<ofs x=\"120\">Wert 1<br>Wert 2</ofs><br>wieder links"});
    s.push_back({"body gradient",
                 "<body bgcolor=\"#FFFFFF\" bgcolorto=\"#D0E8FF\" dir=\"h\">Hintergrund mit Verlauf<br>zweite Zeile"});
    s.push_back({"CR LF and unclosed tag", "erste Zeile\r\nzweite Zeile\r\ndritte <b>fett <unvollst\xE4ndig"});
    return s;
}

bool Save(const QImage& image, const QString& file)
{
    if (!image.save(file)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return false;
    }
    std::printf("%s\n", qPrintable(file));
    return true;
}

// All samples on one sheet: title in small grey above, the drawn markup in a framed box.
QImage MarkupSheet()
{
    const std::vector<Sample> samples = Samples();
    const QList<QPixmap> images = SampleImages();
    MarkupOptions base;
    base.images = &images;
    constexpr int margin = 12, sheetWidth = 460;
    int height = margin;
    std::vector<int> heights;
    for (const Sample& s : samples) {
        MarkupOptions o = base;
        const int h = s.wordWrap ? MeasureMarkup(SampleFont(s.bold), s.markup, s.width, o).height()
                                 : MeasureMarkup(SampleFont(s.bold), s.markup, 2000, o).height();
        heights.push_back(h + 4);
        height += (s.title[0] ? 16 : 0) + h + 4 + 8;
    }
    QImage sheet(sheetWidth, height + margin, QImage::Format_RGB32);
    sheet.fill(QColor(240, 240, 240));
    QPainter p(&sheet);
    int y = margin;
    for (size_t i = 0; i < samples.size(); ++i) {
        const Sample& s = samples[i];
        if (s.title[0]) {
            QFont small = SampleFont();
            small.setPixelSize(10);
            p.setFont(small);
            p.setPen(QColor(110, 110, 110));
            p.drawText(QPoint(margin, y + 10), QString::fromLatin1(s.title));
            y += 16;
        }
        const QRect box(margin, y, s.width, heights[i]);
        p.fillRect(box.adjusted(-2, -2, 2, 2), Qt::white);
        p.setPen(QColor(200, 200, 200));
        p.drawRect(box.adjusted(-2, -2, 1, 1));
        p.setFont(SampleFont(s.bold));
        p.setPen(Qt::black);
        MarkupOptions o = base;
        o.ellipsis = s.ellipsis;
        o.wordWrap = s.wordWrap;
        const QRect inner = box.adjusted(0, 2, 0, 0);
        if (s.enabled >= 0)
            DrawMarkupEnabled(p, s.enabled == 1, s.markup, inner, o);
        else
            DrawMarkup(p, s.markup, inner, o);
        y += heights[i] + 8;
    }
    return sheet;
}

QImage Grab(QWidget& w)
{
    w.ensurePolished();
    w.show();
    QApplication::processEvents();
    return w.grab().toImage();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Artikelblick"));
    if (argc < 2) {
        std::fprintf(stderr, "usage: gallery <output folder>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    const QDir out(folder);
    bool ok = Save(MarkupSheet(), out.filePath(QStringLiteral("markup.png")));

    { // The status line as a self-sizing label.
        TMarkupLabel label;
        label.setFont(SampleFont());
        label.setAutoSize(true);
        label.setContentsMargins(4, 2, 4, 2);
        label.setAutoFillBackground(true);
        label.setText("<b>1.234.567 </b>Datens\xE4tze | Gefiltert: <b>1.234 </b>| [kupfer]\r\n </b>| <b><font "
                      "color=\"clblue\" /font>0.184 s.");
        ok = Save(Grab(label), out.filePath(QStringLiteral("label_status.png"))) && ok;
    }
    {
        TQuestionDlg dlg;
        dlg.SetMessage(FromAnsi("</b>Datenbank <b>Lager 2024</b> l\xF6schen?"));
        dlg.SetFooter(FromAnsi("Die Datei bleibt auf der Festplatte <b>erhalten</b>."));
        dlg.SetIconIndex(1);
        dlg.Relayout();
        ok = Save(Grab(dlg), out.filePath(QStringLiteral("question_yesno.png"))) && ok;
    }
    {
        TQuestionDlg dlg;
        dlg.SetMessage(
            FromAnsi("Um nach <b>Ledgix zu senden</b>, m\xFCssen Sie die <b>Quellfelder dieser Datenbank</b> "
                     "zun\xE4"
                     "chst zuordnen."));
        dlg.SetIconIndex(0);
        dlg.SetCancelVisible(false);
        dlg.Relayout();
        ok = Save(Grab(dlg), out.filePath(QStringLiteral("question_information.png"))) && ok;
    }
    {
        TQuestionDlg dlg;
        dlg.SetMessage(FromAnsi("Geben Sie zur Best\xE4tigung <b>L\xF6schen</b> ein:"));
        dlg.ShowInput(true, FromAnsi("L\xF6schen"));
        dlg.SetIconIndex(3);
        dlg.Relayout();
        ok = Save(Grab(dlg), out.filePath(QStringLiteral("question_input.png"))) && ok;
    }
    {
        TFSB_BOX box(TFSB_BOX::Kind::Question,
                     FromAnsi("C:\\Daten\\Bilder\\4711.png<BR>existiert bereits.<B> \xDC"
                              "berschreiben?"),
                     FromAnsi("Die vorhandene Datei wird <b>ersetzt</b>."), QString());
        ok = Save(Grab(box), out.filePath(QStringLiteral("box_question.png"))) && ok;
        box.ShowHelp();
        ok = Save(Grab(box), out.filePath(QStringLiteral("box_question_help.png"))) && ok;
    }
    {
        QString lines;
        for (int i = 1; i <= 30; ++i)
            lines += QStringLiteral("Zeile %1\r\n").arg(i);
        lines.chop(2);
        TFSB_BOX box(TFSB_BOX::Kind::Message, FromAnsi("<B>M\xF6glicher Fehler:</B><BR>") + lines, QString(),
                     QString());
        ok = Save(Grab(box), out.filePath(QStringLiteral("box_message_30_lines.png"))) && ok;
    }
    {
        TWiiProgressBar bar;
        bar.resize(40, 40);
        bar.Step();
        bar.Step();
        ok = Save(Grab(bar), out.filePath(QStringLiteral("busy_indicator.png"))) && ok;
    }
    { // A window dimmed behind a question, and the four dialog icons.
        QWidget window;
        window.resize(420, 240);
        window.setAutoFillBackground(true);
        auto* edit = new QLineEdit(FromAnsi("kupfer rohr"), &window);
        edit->setGeometry(12, 12, 200, 24);
        window.show();
        TDimmedForm layer(&window, TBackdropMode::Black);
        layer.SetAlpha(TDimmedForm::kMaxAlpha);
        layer.show();
        ok = Save(Grab(window), out.filePath(QStringLiteral("backdrop_dimmed.png"))) && ok;

        QImage icons(4 * 56, 56, QImage::Format_ARGB32_Premultiplied);
        icons.fill(Qt::white);
        QPainter p(&icons);
        for (int i = 0; i < kDialogIconCount; ++i)
            p.drawPixmap(i * 56 + 4, 4, DialogIcon(i, 48));
        p.end();
        ok = Save(icons, out.filePath(QStringLiteral("dialog_icons.png"))) && ok;
    }
    return ok ? 0 : 1;
}
