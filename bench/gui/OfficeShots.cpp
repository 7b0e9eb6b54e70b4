// officelink-shots: renders the office-link windows to PNG files for a check by eye:
//
//   officelink-shots <output folder>
//
// assignment-dialog.png (the field-assignment dialog after an automatic assignment),
// basket.png (the basket with three positions), grid-menu.png (the grid's context menu over a
// loaded database, a grab of the screen). Run it under xvfb-run for real fonts and styles.

#include "basket/ui/TBasketCustomView.h"
#include "catalog/TCSVRequest.h"
#include "data/TListDataSet.h"
#include "mainwindow/ui/TI_DBGrid.h"
#include "mainwindow/ui/TMainFrm.h"
#include "officelink/FieldAssignment.h"
#include "officelink/ui/TVisualDeliverySetup.h"
#include "platform/Folders.h"
#include "platform/uUserMode.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMenu>
#include <QScreen>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace artikel;

namespace {

void Wait(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

void Write(const std::filesystem::path& file, const std::string& bytes)
{
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

void Report(bool ok, const QString& file)
{
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", file.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: officelink-shots <output folder>\n");
        return 2;
    }
    QTemporaryDir home;
    setenv("XDG_DATA_HOME", home.path().toLocal8Bit().constData(), 1);
    setenv("XDG_STATE_HOME", home.path().toLocal8Bit().constData(), 1);
    setenv("TMPDIR", home.path().toLocal8Bit().constData(), 1);
    QApplication app(argc, argv);
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.path());
    const std::filesystem::path root = home.path().toStdString();

    // The dialog after an automatic assignment, with an existing source file.
    {
        const std::filesystem::path source = root / "Lieferanten" /
            "Haustechnik S\xC3\xBC"
            "d" /
            "Preisliste 2026 Kupfer und Messing.csv";
        Write(source, "x");
        const std::vector<std::string> columns = {"Artikelnummer", "Kurztext", "Langtext",    "Preis", "ME",
                                                  "Warengruppe",   "EAN",      "Rabattgruppe"};
        TCSVSetup setup;
        const bool automatic = AutoAssignFields(columns, setup);
        TVisualDeliverySetup dialog;
        dialog.Fill(columns, setup,
                    "Haustechnik S\xFC"
                    "d Kupfer",
                    source.string(), automatic);
        dialog.show();
        Wait(200);
        const QString file = out.filePath(QStringLiteral("assignment-dialog.png"));
        Report(dialog.grab().save(file), file);
    }

    // The basket with three positions.
    {
        TCSVRequest catalog((root / "client").string() + "/");
        const std::array<std::array<const char*, 7>, 3> rows = {{
            {"Kupferrohr halbhart 15 x 1 mm", "Kupferrohr nach DIN EN 1057, halbhart, Stangenware 5 m", "KR-15-5",
             "12,40", "m", "5", "1"},
            {"Pressfitting Bogen 90\xB0 15 mm", "", "PF-B90-15", "3,85", "St", "4", "2"},
            {"Kugelhahn DN 15 \"Profi\"",
             "Messing vernickelt, mit Fl\xFC"
             "gelgriff rot, PN 25",
             "KH-15", "9,90", "St", "", ""},
        }};
        for (const auto& values : rows) {
            auto row = std::make_unique<TListRecordData>();
            for (size_t i = 0; i < values.size(); ++i)
                (*row)[i] = values[i];
            catalog.PositionSet().AddRecord(std::move(row), true, true);
        }
        TBasketCurrentView* basket = ShowBasket(&catalog, nullptr, nullptr);
        basket->resize(340, 300);
        Wait(900);
        const QString file = out.filePath(QStringLiteral("basket.png"));
        Report(basket->grab().save(file), file);
        CloseBasket();
        Wait(50);
    }

    // The grid's menu over a loaded database.
    {
        const std::filesystem::path client = root / "client2";
        const std::filesystem::path folder = client / "TCSVRequest2.Root" / "nodes" / "db-a";
        Write(folder / "db.csv",
              "Artikelnummer;Kurztext;Preis;ME\r\nKR-15-5;Kupferrohr 15 mm;12,40;m\r\n"
              "PF-B90-15;Pressfitting Bogen;3,85;St\r\nKH-15;Kugelhahn DN 15;9,90;St\r\n");
        Write(folder / "node.json",
              "{\"Caption\":\"Haustechnik\",\"Filename\":\"db.csv\",\"uid\":\"db-a\",\"items\":[]}");
        WriteUserModeString(TMainFrm::kLastNodeKey, "db-a", GetScratchFolder());
        TMainFrm window(client.string() + "/");
        window.move(0, 0);
        window.show();
        Wait(1200);
        TI_DBGrid* grid = window.I_DBGrid1();
        grid->setCurrentIndex(grid->model()->index(1, 1));
        grid->RowMarks().Mark(1);
        const QPoint at = grid->viewport()->mapToGlobal(grid->visualRect(grid->model()->index(1, 1)).center());
        window.oxPopupMenuGrid()->popup(at);
        Wait(300);
        const QString file = out.filePath(QStringLiteral("grid-menu.png"));
        QScreen* screen = QGuiApplication::primaryScreen();
        const QRect area = window.frameGeometry().united(window.oxPopupMenuGrid()->geometry());
        Report(screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()).save(file), file);
        window.oxPopupMenuGrid()->hide();
    }
    return 0;
}
