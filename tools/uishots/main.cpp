// Renders the small windows of the grid, the find box and the tree to PNG files.
//   xvfb-run -a build/bin/uishots <folder>

#include "catalog/ui/TVisualFindHelperDataModule.h"
#include "data/TListDataSet.h"
#include "mainwindow/ui/TFColSelectFrm.h"
#include "mainwindow/ui/TI_DBGrid.h"
#include "platform/uUserMode.h"
#include "search/ui/TAutoComplete.h"
#include "search/ui/TSuggestEdit.h"
#include "search/ui/TSymbolDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>
#include <fstream>

using namespace artikel;

namespace {

QString outDir;

void Save(const QImage& image, const char* name)
{
    const QString file = QDir(outDir).filePath(QString::fromLatin1(name));
    if (image.save(file))
        std::printf("%s\n", qPrintable(file));
    else
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
}

void Settle(int ms = 150) { QTest::qWait(ms); }

void ColumnSelection(const QString& folder)
{
    const std::string csv = (folder + QStringLiteral("/db.csv")).toStdString();
    std::ofstream(csv, std::ios::binary)
        << "Artikelnummer;Kurztext;Preis;Einheit;Warengruppe\r\n4711;Kupferrohr 15 mm;2,50;m;Rohr\r\n"
           "4712;Kupferbogen 90\xB0;1,20;St;Fitting\r\n";
    TListDataSet ds;
    ds.LoadFromFile(csv);
    ds.Open();
    TI_DBGrid grid;
    grid.resize(640, 300);
    grid.SetDataSet(&ds);
    std::vector<TGridColumn> columns;
    for (int i = 0; i < ds.FieldCount(); ++i)
        columns.push_back({ds.Field(i).FieldName(), 110});
    grid.SetColumns(columns);
    grid.SetColumnVisible(4, false);
    grid.show();
    TFColSelectFrm dlg(&grid);
    dlg.SetGrid(&grid, (folder + QStringLiteral("/grid.col")).toStdString());
    dlg.Prepare(QPoint(40, 20));
    dlg.show();
    dlg.Lb->setCurrentRow(1);
    Settle();
    Save(dlg.grab().toImage(), "colselect.png");
}

void FindBoxMenu(const QString& folder)
{
    QWidget form;
    form.resize(320, 300);
    auto* edit = new QLineEdit(&form);
    edit->setGeometry(10, 10, 200, 24);
    TAutoComplete ac((folder + QStringLiteral("/autocomplete.txt")).toStdString());
    ac.SetUpForFindBox();
    ac.SymbolMenuEntry = false;
    ac.Attach(edit);
    edit->setText(QStringLiteral("kupfer rohr"));
    edit->setSelection(0, 6);
    form.show();
    Settle();
    QTimer::singleShot(200, [] {
        if (QWidget* menu = QApplication::activePopupWidget()) {
            Save(menu->grab().toImage(), "findmenu.png");
            menu->close();
        }
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(20, 10), edit->mapToGlobal(QPoint(20, 10)));
    QApplication::sendEvent(edit, &event);
}

void SuggestEditor()
{
    TSuggestEdit dlg;
    dlg.SetLines({"Kupferrohr 15 mm", "Kabel NYM-J 3x1,5", "Pressfitting <br> verzinkt", "Abzweigdose"});
    dlg.ShowLearningSwitch = true;
    dlg.sCheckBox1->setChecked(true);
    dlg.show();
    Settle();
    Save(dlg.grab().toImage(), "suggestedit.png");
    dlg.hide();
    dlg.SingleLineMode = true;
    dlg.show();
    Settle();
    Save(dlg.grab().toImage(), "suggestedit-singleline.png");
}

void SymbolDialog()
{
    TSymbolDlg dlg;
    dlg.show();
    Settle();
    Save(dlg.grab().toImage(), "symbol.png");
}

void Balloon()
{
    QTreeWidget tree;
    tree.setHeaderHidden(true);
    tree.resize(260, 220);
    auto* root = new QTreeWidgetItem(&tree, {QStringLiteral("Inhalte")});
    for (const char* name : {"Kupferrohre", "Datanorm Sanit\xE4r", "Elektro Gro\xDFhandel", "Werkzeuge"})
        new QTreeWidgetItem(root, {QString::fromLatin1(name)});
    tree.expandAll();
    tree.setCurrentItem(root->child(1));
    tree.show();
    tree.setFocus();
    Settle();
    TVisualFindHelperDataModule& helper = TVisualFindHelperDataModule::Instance();
    const QRect node = tree.visualItemRect(root->child(1));
    for (QChar c : QStringLiteral("dat"))
        helper.QuickSearchKey(tree.viewport(), QRect(node.left(), node.top(), 100, 20), c, 0, Qt::NoModifier, -1);
    Settle(300);
    // The balloon is a window of its own: both drawn where they are on the screen.
    QImage shot(tree.frameGeometry().size() + QSize(0, 40), QImage::Format_RGB32);
    shot.fill(Qt::white);
    QPainter p(&shot);
    p.drawPixmap(0, 0, tree.grab());
    if (TMessageWindow* balloon = helper.Balloon()) {
        const QPoint at = balloon->pos() - tree.mapToGlobal(QPoint(0, 0));
        p.setClipRegion(balloon->mask().translated(at));
        p.drawPixmap(at, balloon->grab());
        p.setClipping(false);
    }
    p.end();
    Save(shot, "balloon.png");
    helper.CloseBalloon();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: uishots <folder>\n");
        return 2;
    }
    outDir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(outDir);
    QTemporaryDir scratch;
    SetUserModeFolder(scratch.path().toStdString());
    ColumnSelection(scratch.path());
    FindBoxMenu(scratch.path());
    SuggestEditor();
    SymbolDialog();
    Balloon();
    return 0;
}
