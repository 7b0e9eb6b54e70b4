// mainwindow-shots: renders the main window to PNG files for a check by eye:
//
//   mainwindow-shots <output folder> [--rows N]
//
// mainwindow-empty.png (a catalog without databases), mainwindow-loaded.png (a loaded article
// database with the tree of databases and filters), mainwindow-marked.png (search tokens in bold
// and marked rows), mainwindow-hint.png (a button's hint),
// mainwindow-loading.png (while a larger database loads). Run it under xvfb-run for the platform's real fonts and styles.

#include "bench/engine/TArticleGenerator.h"
#include "bench/gui/BenchCatalog.h"
#include "catalog/ui/TNodeData.h"
#include "data/TListDataSet.h"
#include "mainwindow/ui/TI_DBGrid.h"
#include "mainwindow/ui/TMainFrm.h"
#include "platform/uUserMode.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QToolButton>
#include <QToolTip>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

using namespace artikel;

namespace {

bool Save(QWidget& window, const QString& folder, const char* name, bool serveEvents = true)
{
    if (serveEvents)
        QCoreApplication::processEvents();
    const QString file = QDir(folder).filePath(QString::fromLatin1(name));
    const bool ok = window.grab().save(file);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", file.toLocal8Bit().constData());
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: mainwindow-shots <output folder> [--rows N]\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    uint64_t bigRows = 1000000;
    for (int i = 2; i + 1 < argc; i += 2)
        if (!std::strcmp(argv[i], "--rows"))
            bigRows = std::strtoull(argv[i + 1], nullptr, 10);
    if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QDir().mkpath(out);

    const std::filesystem::path cache = std::filesystem::temp_directory_path();
    const std::filesystem::path sandbox = bench::MakeSandbox("mainwindow-shots");
    QApplication app(argc, argv);
    const bench::TArticleGenerator generator;
    int failures = 0;

    {
        const auto client = sandbox / "empty";
        TMainFrm window(client.string() + "/");
        window.show();
        bench::WaitFor([&] { return window.Started(); }, 10000);
        failures += !Save(window, out, "mainwindow-empty.png");
    }

    const auto client = sandbox / "client";
    const auto small = generator.CachedFile(cache, 2500);
    const auto big = generator.CachedFile(cache, bigRows);
    const std::string sanitaer = bench::AddDatabase(client, "Sanit\xE4r Gro\xDFhandel 2026", small,
                                                    {{"Kupfer", "kupfer"}, {"Pressfittings 15", "press 15"}});
    const std::string elektro = bench::AddDatabase(client, "Elektro Preisliste", big, {{"Kabel NYM", "nym"}});
    bench::AddDatabase(client, "Werkzeug DATANORM", small);

    TMainFrm window(client.string() + "/");
    WriteUserModeString(TMainFrm::kLastNodeKey, sanitaer);
    window.resize(1100, 620);
    window.show();
    bench::WaitFor([&] { return window.Started() && window.CurrentDataSet() && !window.LoaderBusy(); }, 20000);
    failures += !Save(window, out, "mainwindow-loaded.png");

    // A search drawn bold in the cells, with three rows marked and a link-free current row.
    window.ApplySearch("messing din");
    if (TI_DBGrid* grid = window.I_DBGrid1(); grid->model()->rowCount() > 5) {
        grid->setFocus();
        for (int row : {1, 2, 4})
            grid->RowMarks().Mark(row);
        grid->viewport()->update();
    }
    failures += !Save(window, out, "mainwindow-marked.png");
    window.ApplySearch("");

    // The hint of the new-source button, in the program's hint style.
    QToolTip::showText(window.FNEWCAT()->mapToGlobal(QPoint(10, 30)), window.FNEWCAT()->toolTip(), window.FNEWCAT());
    QCoreApplication::processEvents();
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->inherits("QTipLabel") && top->isVisible())
            failures += !Save(*top, out, "mainwindow-hint.png");
    QToolTip::hideText();

    window.OnNodeSelected(TNodeData{QStringLiteral("Elektro Preisliste"), elektro, {}}, false);
    // No event is served before the picture, so the load is still running.
    failures += !Save(window, out, "mainwindow-loading.png", false);
    bench::WaitFor([&] { return !window.LoaderBusy(); }, 60000);
    window.close();
    std::filesystem::remove_all(sandbox);
    return failures == 0 ? 0 : 1;
}
