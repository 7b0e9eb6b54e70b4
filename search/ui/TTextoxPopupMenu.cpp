#include "search/ui/TTextoxPopupMenu.h"

#include "platform/ui/LinkClipboard.h"
#include "search/ui/TSymbolDlg.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace artikel {

namespace {

// Calls the matching member of whichever edit kind w is.
template <class F>
void WithEdit(QWidget* w, F&& f)
{
    if (auto* line = qobject_cast<QLineEdit*>(w))
        f(line);
    else if (auto* text = qobject_cast<QTextEdit*>(w))
        f(text);
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(w))
        f(plain);
}

QString SelectionOf(QWidget* w)
{
    QString s;
    if (auto* line = qobject_cast<QLineEdit*>(w))
        s = line->selectedText();
    else if (auto* text = qobject_cast<QTextEdit*>(w))
        s = text->textCursor().selectedText();
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(w))
        s = plain->textCursor().selectedText();
    // Text documents separate paragraphs by U+2029.
    s.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    return s;
}

void InsertPlain(QWidget* w, const QString& text)
{
    if (auto* line = qobject_cast<QLineEdit*>(w))
        line->insert(text);
    else if (auto* edit = qobject_cast<QTextEdit*>(w))
        edit->insertPlainText(text);
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(w))
        plain->insertPlainText(text);
}

} // namespace

TTextoxPopupMenu::TTextoxPopupMenu(QWidget* edit, QWidget* parent)
    : QMenu(parent ? parent : edit),
      edit_(edit)
{
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(11);
    setFont(f);
    // Room for the banner.
    setContentsMargins(kBannerWidth, 0, 0, 0);
    cutAction = addAction(QStringLiteral("Ausschneiden"), this, [this] { WithEdit(edit_, [](auto* e) { e->cut(); }); });
    copyAction = addAction(QStringLiteral("Kopieren"), this, [this] { CopyText(); });
    pasteAction = addAction(QStringLiteral("Einf\u00FCgen"), this, [this] { PasteText(); });
    addSeparator();
    selectAllAction = addAction(QStringLiteral("Alles markieren"), this,
                                [this] { WithEdit(edit_, [](auto* e) { e->selectAll(); }); });
    symbolAction = addAction(QStringLiteral("Symbol einf\u00FCgen"), this, [this] { InsertSymbol(); });
    cutAction->setIcon(QIcon::fromTheme(QStringLiteral("edit-cut")));
    copyAction->setIcon(QIcon::fromTheme(QStringLiteral("edit-copy")));
    pasteAction->setIcon(QIcon::fromTheme(QStringLiteral("edit-paste")));
    ChooseSymbol = [this] { return TSymbolDlg::Choose(edit_ ? edit_->window() : nullptr); };
}

void TTextoxPopupMenu::AttachToEdit()
{
    if (!edit_)
        return;
    edit_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(edit_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { Open(edit_->mapToGlobal(pos)); });
}

bool TTextoxPopupMenu::EditReadOnly() const
{
    if (!edit_)
        return true;
    const QVariant readOnly = edit_->property("readOnly");
    return !readOnly.isValid() || readOnly.toBool();
}

QString TTextoxPopupMenu::SelectedText() const { return SelectionOf(edit_); }

void TTextoxPopupMenu::Prepare()
{
    const bool readOnly = EditReadOnly();
    const bool selection = !SelectedText().isEmpty();
    symbolAction->setEnabled(!readOnly);
    pasteAction->setEnabled(!readOnly);
    cutAction->setEnabled(!readOnly && selection);
    copyAction->setEnabled(selection);
    selectAllAction->setEnabled(true);
    if (edit_ && !edit_->hasFocus())
        edit_->setFocus(Qt::PopupFocusReason);
}

void TTextoxPopupMenu::Open(const QPoint& globalPos)
{
    if (OnOpening)
        OnOpening(*this);
    Prepare();
    exec(globalPos);
}

void TTextoxPopupMenu::CopyText()
{
    WithEdit(edit_, [](auto* e) { e->copy(); });
}

void TTextoxPopupMenu::PasteText()
{
    WithEdit(edit_, [](auto* e) { e->paste(); });
}

void TTextoxPopupMenu::InsertSymbol()
{
    const QString symbol = ChooseSymbol ? ChooseSymbol() : QString();
    if (symbol.isEmpty() || !edit_)
        return;
    // Through the clipboard, which keeps the symbol for further pastes.
    QApplication::clipboard()->setText(symbol);
    WithEdit(edit_, [](auto* e) { e->paste(); });
}

void TTextoxPopupMenu::paintEvent(QPaintEvent* event)
{
    QMenu::paintEvent(event);
    QPainter p(this);
    const QRect banner(0, 0, kBannerWidth, height());
    QLinearGradient gradient(banner.bottomLeft(), banner.topLeft());
    gradient.setColorAt(0, QColor(128, 128, 128));
    gradient.setColorAt(1, Qt::white);
    p.fillRect(banner, gradient);
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(11);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.translate(banner.left() + 3, banner.bottom() - 4);
    p.rotate(-90);
    p.drawText(QRect(0, 0, banner.height() - 8, kBannerWidth - 4), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Text bearbeiten"));
}

void TRTFoxPopupMenu::CopyText()
{
    if (!CopyTextWithLinks(SelectedText()))
        TTextoxPopupMenu::CopyText();
}

void TRTFoxPopupMenu::PasteText()
{
    const QString links = LinksToPaste(QApplication::clipboard()->mimeData());
    if (links.isEmpty())
        TTextoxPopupMenu::PasteText();
    else
        InsertPlain(edit_, links);
}

} // namespace artikel
