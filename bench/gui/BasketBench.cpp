// basketbench: the basket window on a queue of 10,000 positions (long texts, umlauts, markup in
// the values): time of one scroll step (a page of the list moved and repainted synchronously).
//
//   basketbench [--positions N] [--steps N]
//
// Run it under xvfb-run for the platform's real fonts.

#include "basket/ui/TBasketCustomView.h"
#include "catalog/TCSVRequest.h"
#include "data/TListDataSet.h"

#include <QApplication>
#include <QListView>
#include <QScrollBar>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace artikel;

int main(int argc, char** argv)
{
    int positions = 10000;
    int steps = 200;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--positions"))
            positions = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--steps"))
            steps = std::atoi(argv[i + 1]);
    }
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QTemporaryDir home;
    setenv("XDG_DATA_HOME", home.path().toLocal8Bit().constData(), 1);
    setenv("XDG_STATE_HOME", home.path().toLocal8Bit().constData(), 1);
    QApplication app(argc, argv);

    TCSVRequest catalog(home.path().toStdString() + "/");
    TListDataSet& queue = catalog.PositionSet();
    {
        TControlsGuard hold(queue);
        for (int i = 0; i < positions; ++i) {
            auto row = std::make_unique<TListRecordData>();
            const std::string number = std::to_string(i);
            std::string& description = (*row)[0];
            description.append("Kupferrohr ")
                .append(number)
                .append(" halbhart \xFC"
                        "berl\xE4nge <b>DN 15</b>");
            (*row)[1]
                .append("Langtext mit Umlauten \xE4\xF6\xFC und Ma\xDF"
                        "en ")
                .append(220, 'x');
            (*row)[2].append("ART-").append(number);
            (*row)[3].append(std::to_string(i % 997)).append(",50");
            (*row)[4].push_back('m');
            (*row)[5] = std::to_string(1 + i % 9);
            (*row)[6] = std::to_string(i + 1);
            queue.AddRecord(std::move(row), true, false);
        }
    }
    queue.RefreshView(false);

    TBasketCurrentView* view = ShowBasket(&catalog, nullptr, nullptr);
    view->resize(330, 520);
    QCoreApplication::processEvents();
    QListView* list = view->I_DBGrid1();
    std::printf("basket_positions: %d (rows %d)\n", positions, list->model()->rowCount());

    QScrollBar* bar = list->verticalScrollBar();
    std::vector<double> ms;
    for (int i = 0; i < steps; ++i) {
        int next = bar->value() + bar->pageStep();
        if (next > bar->maximum())
            next = 0;
        const auto t = std::chrono::steady_clock::now();
        bar->setValue(next);
        list->viewport()->repaint();
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count());
    }
    std::sort(ms.begin(), ms.end());
    double mean = 0;
    for (double v : ms)
        mean += v;
    mean /= static_cast<double>(std::max<size_t>(1, ms.size()));
    std::printf("basket_scroll_page_step_ms: %.2f (goal < 16; p95 %.2f, max %.2f)\n", mean,
                ms[std::min(ms.size() - 1, ms.size() * 95 / 100)], ms.back());
    CloseBasket();
    return 0;
}
