#include "search/ui/TAutoComplete.h"

#include "platform/Win1252.h"
#include "platform/ui/AnsiQString.h"
#include "platform/ui/MarkupRenderer.h"
#include "search/SuggestMatching.h"
#include "search/TEditList.h"
#include "search/TSuggestWords.h"
#include "search/ui/TSuggestPopup.h"

#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace artikel {

namespace {

// A magnifying glass, 16 x 16, with every pixel's opacity scaled by 81/256 so that it stays in
// the background of the entry's text.
QPixmap MakeFaintIcon()
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(30, 60, 140), 2));
        p.setBrush(QColor(170, 200, 240));
        p.drawEllipse(QRectF(2, 2, 8.5, 8.5));
        p.setPen(QPen(QColor(30, 60, 140), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(10, 10), QPointF(14, 14));
    }
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb px = line[x];
            const int alpha = static_cast<int>(std::lround(qAlpha(px) * 81.0 / 256.0));
            line[x] = qRgba(qRed(px), qGreen(px), qBlue(px), alpha);
        }
    }
    return QPixmap::fromImage(image);
}

} // namespace

TAutoComplete::TAutoComplete(std::string wordFile, QObject* parent)
    : TSuggestListBox(std::make_unique<TWordFileWords>(std::move(wordFile)), parent)
{
    WholeTextMode = true;
}

TAutoComplete::~TAutoComplete() = default;

void TAutoComplete::SetUpForFindBox()
{
    MinWordLength = 1;
    SingleLineEditing = true;
    ShowLearningSwitch = true;
    DoubleClickOpens = true;
    AutoLearning = true;
    F2Opens = true;
    OpenWhenEmpty = true;
    SetEditList(std::make_unique<THereEditList>());
}

TWordFileWords& TAutoComplete::FileWords() { return static_cast<TWordFileWords&>(Words()); }

const std::string& TAutoComplete::WordFile() const { return static_cast<const TWordFileWords&>(Words()).WordFile(); }

void TAutoComplete::SetWordFile(std::string wordFile) { FileWords().SetWordFile(std::move(wordFile)); }

void TAutoComplete::Reload() { FileWords().Reload(); }

const QList<QPixmap>& TAutoComplete::Icons()
{
    if (icons_.isEmpty())
        icons_.append(MakeFaintIcon());
    return icons_;
}

int TAutoComplete::IconWidth() { return static_cast<int>(Icons().front().deviceIndependentSize().width()); }

bool TAutoComplete::MeasureItem(int& width, const QFontMetrics& boldMetrics, const std::string& text)
{
    width = std::max(
        width, boldMetrics.horizontalAdvance(FromAnsi(text)) + 20 + static_cast<int>(std::lround(1.5 * IconWidth())));
    return true;
}

void TAutoComplete::AfterListShown(TSuggestPopup& list)
{
    const QLineEdit* edit = Edit();
    if (!edit)
        return;
    const std::string selected = AnsiUpperCase(ToAnsi(edit->selectedText()));
    for (int row = std::max(0, list.currentRow()); row < list.count(); ++row) {
        if (AnsiUpperCase(list.EntryAt(row)).find(selected) != std::string::npos) {
            list.setCurrentRow(row);
            list.scrollToItem(list.item(row));
            return;
        }
    }
}

void TAutoComplete::PutSuggestion(QLineEdit& edit, const std::string& text)
{
    if (!edit.isReadOnly())
        edit.setText(FromAnsi(TrimSuggestion(text)));
    if (OnSelected)
        OnSelected();
}

bool TAutoComplete::DrawItem(QPainter& painter, bool, const QRect& rect, const std::string& display)
{
    const QRect textRect = rect.adjusted(5, 2, 0, 0);
    const int indent = textRect.width() - static_cast<int>(std::lround(1.5 * IconWidth()));
    std::string markup = display;
    markup += "<IND x=\"" + std::to_string(indent) + "\"> <IMG src=\"idx:0\" align=\"top\"> ";
    MarkupOptions options;
    options.images = &Icons();
    options.linkColor = QColor(0, 0, 255);
    options.accelerators = false;
    DrawMarkup(painter, markup, textRect, options);
    return true;
}

} // namespace artikel
