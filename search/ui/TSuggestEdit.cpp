#include "search/ui/TSuggestEdit.h"

#include "platform/FileRetry.h"
#include "platform/uUserMode.h"
#include "platform/ui/AnsiQString.h"
#include "platform/ui/FormPlacement.h"
#include "platform/ui/TMarkupLabel.h"
#include "search/ui/TTextoxPopupMenu.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace artikel {

namespace {
constexpr const char* kPlacementName = "TSuggestEdit";
}

TSuggestEdit::TSuggestEdit(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QString::fromLatin1(kPlacementName));
    setWindowTitle(QStringLiteral("Bearbeiten"));
    setMinimumSize(600, 200);

    RTFControl = new QPlainTextEdit(this);
    RTFControl->setLineWrapMode(QPlainTextEdit::NoWrap);
    RTFControl->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RTFControl->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RTFControl->setTabChangesFocus(true);
    HTMLabel1 =
        new TMarkupLabel("Sie k\xF6nnen hier auch ganze S\xE4tze hinterlegen.<br>Einen Umbruch k\xF6nnen Sie \xFC"
                         "ber die rechte Maustaste einf\xFCgen.",
                         this);
    sCheckBox1 = new QCheckBox(QStringLiteral("Vorschl\u00E4ge automatisch erlernen"), this);
    FlatButton2 = new QPushButton(QStringLiteral("&Fertig"), this);
    FlatButton2->setToolTip(QStringLiteral("F3 \u00FCbernimmt"));
    FlatButton1 = new QPushButton(QStringLiteral("&Abbrechen"), this);
    FlatButton1->setToolTip(QStringLiteral("ESC bricht ab"));
    for (QPushButton* b : {FlatButton1, FlatButton2}) {
        b->setFlat(true);
        b->setAutoDefault(false);
    }
    connect(FlatButton2, &QPushButton::clicked, this, &QDialog::accept);
    connect(FlatButton1, &QPushButton::clicked, this, &QDialog::reject);

    Menu = new TRTFoxPopupMenu(RTFControl, this);
    Menu->addSeparator();
    QAction* brk = Menu->addAction(QStringLiteral("Umbruch einf\u00FCgen"));
    connect(brk, &QAction::triggered, this, &TSuggestEdit::InsertBreak);
    Menu->AttachToEdit();

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(sCheckBox1);
    bottom->addStretch();
    bottom->addWidget(FlatButton1);
    bottom->addWidget(FlatButton2);
    auto* all = new QVBoxLayout(this);
    all->addWidget(RTFControl, 1);
    all->addWidget(HTMLabel1);
    all->addLayout(bottom);
    resize(600, 360);
    ReadFormPlacement(this, {}, kPlacementName, 0, 0);
}

TSuggestEdit::~TSuggestEdit() = default;

void TSuggestEdit::SetLines(const std::vector<std::string>& lines)
{
    QStringList text;
    for (const std::string& l : lines)
        text << FromAnsi(l);
    RTFControl->setPlainText(text.join(QLatin1Char('\n')));
}

std::vector<std::string> TSuggestEdit::Lines() const { return SplitLines(ToAnsi(RTFControl->toPlainText())); }

void TSuggestEdit::InsertBreak()
{
    if (!SingleLineMode)
        RTFControl->insertPlainText(QStringLiteral(" <br> "));
}

void TSuggestEdit::showEvent(QShowEvent* event)
{
    HTMLabel1->setVisible(!SingleLineMode);
    sCheckBox1->setVisible(ShowLearningSwitch);
    QTextCursor c = RTFControl->textCursor();
    c.setPosition(std::min(1, static_cast<int>(RTFControl->document()->characterCount()) - 1));
    RTFControl->setTextCursor(c);
    RTFControl->setFocus();
    QDialog::showEvent(event);
}

void TSuggestEdit::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F3) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TSuggestEdit::done(int result)
{
    WriteFormPlacement(this, {}, kPlacementName, -1, 0);
    QDialog::done(result);
}

bool EditWords(std::vector<std::string>& words, bool showLearningSwitch, bool singleLineMode, bool& autoLearning,
               QWidget* parent)
{
    TSuggestEdit dlg(parent);
    dlg.sCheckBox1->setChecked(autoLearning);
    dlg.SetLines(words);
    dlg.SingleLineMode = singleLineMode;
    dlg.ShowLearningSwitch = showLearningSwitch;
    if (dlg.exec() != QDialog::Accepted)
        return false;
    autoLearning = dlg.sCheckBox1->isChecked();
    words = dlg.Lines();
    WriteUserModeBool(kAutoLearningKey, autoLearning);
    return true;
}

} // namespace artikel
