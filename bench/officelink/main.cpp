// sendbench: the send of marked rows to the office application, measured against the exchange
// simulator: 1,000 rows of a 10,000-row article database become positions (in marking order),
// the can-post question is asked and the positions document is sent; the time ends when the
// simulator's reply arrives, which it gives after it has taken and logged the document.
//
//   sendbench [--rows N] [--marked N] [--runs N]
//
// Prints "name: value" lines; the baseline is one bare question-and-answer over the pipe.

#include "catalog/TCSVRequest.h"
#include "data/TListDataSet.h"
#include "officelink/FieldAssignment.h"
#include "officelink/TExchangeOfficeLink.h"
#include "officelink/TIPCClient.h"
#include "platform/TJsonDocument.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace artikel;

namespace {

double Ms(std::chrono::steady_clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

// Article-like rows: Windows-1252 text with umlauts, decimal points, quotes and long texts.
void WriteArticles(const fs::path& file, int rows)
{
    std::ofstream out(file, std::ios::binary);
    out << "Artikelnummer;Kurztext;Langtext;Preis;Einheit;Menge\r\n";
    for (int i = 0; i < rows; ++i) {
        out << "A-" << 100000 + i << ";Kupferrohr " << (i % 40 + 8) << " mm \xD8 verzinkt;\"Rohr 1/2\"\" f\xFCr "
            << "Trinkwasser; DVGW-gepr\xFC"
               "ft, L\xE4nge "
            << (i % 5 + 1)
            << " m\r\nZeile 2: Stra\xDF"
               "e\";"
            << (i % 997) << "." << (i % 100 < 10 ? "0" : "") << i % 100 << ";m;" << (i % 9 + 1) << "\r\n";
    }
}

} // namespace

int main(int argc, char** argv)
{
    int rows = 10000, marked = 1000, runs = 15;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        const int v = std::atoi(argv[i + 1]);
        if (a == "--rows")
            rows = std::max(1, v);
        else if (a == "--marked")
            marked = std::max(1, v);
        else if (a == "--runs")
            runs = std::max(1, v);
    }
    marked = std::min(marked, rows);

    // A sandbox of its own: the benchmark never touches the user's folders or pipes.
    char tmpl[] = "/tmp/sendbench.XXXXXX";
    if (!mkdtemp(tmpl)) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path work = tmpl;
    for (const char* sub : {"data", "tmp", "run"})
        fs::create_directories(work / sub);
    fs::permissions(work / "run", fs::perms::owner_all);
    setenv("XDG_DATA_HOME", (work / "data").c_str(), 1);
    setenv("TMPDIR", (work / "tmp").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (work / "run").c_str(), 1);
    QCoreApplication app(argc, argv);

#ifndef EXCHANGE_SIM
    std::fprintf(stderr, "sendbench: built without the exchange simulator\n");
    return 1;
#else
    const fs::path log = work / "received.log";
    QProcess sim;
    sim.start(QStringLiteral(EXCHANGE_SIM),
              {QStringLiteral("--name"), QStringLiteral("SENDBENCH"), QStringLiteral("--no-window"),
               QStringLiteral("--log"), QString::fromStdString(log.string())});
    bool listening = false;
    QElapsedTimer wait;
    wait.start();
    while (!listening && wait.elapsed() < 20000 && sim.waitForStarted(1000) && sim.state() == QProcess::Running) {
        sim.waitForReadyRead(100);
        listening = sim.readAllStandardError().contains("listening");
    }
    if (!listening) {
        std::fprintf(stderr, "sendbench: the exchange simulator did not start\n");
        return 1;
    }

    const fs::path csv = work / "articles.csv";
    WriteArticles(csv, rows);
    TListDataSet source;
    source.LoadFromFile(csv);
    std::vector<std::string> columns;
    for (int i = 0; i < source.FieldCount(); ++i)
        columns.push_back(source.Field(i).FieldName());
    TCSVSetup setup;
    AutoAssignFields(columns, setup);
    setup.PriceFactor = 1.1;

    TIPCOptions options;
    options.ServerName = "SENDBENCH";
    TCSVRequest catalog((work / "data").string() + "/", std::make_unique<TExchangeOfficeLink>(options));

    // Marks spread over the database, in an order that is not the row order.
    std::vector<int> marks;
    for (int i = 0; i < marked; ++i)
        marks.push_back(1 + static_cast<int>((static_cast<long long>(i) * 7919) % rows));

    std::vector<double> baseline, total, build, send;
    for (int run = 0; run < runs; ++run) {
        const auto q0 = std::chrono::steady_clock::now();
        ReadIPCValueSync("CANPOSTJSON", false, {}, options);
        baseline.push_back(Ms(std::chrono::steady_clock::now() - q0));

        const auto t0 = std::chrono::steady_clock::now();
        {
            TControlsGuard hold(catalog.PositionSet());
            const int keep = source.RecNo();
            for (size_t i = 0; i < marks.size(); ++i) {
                source.SetRecNo(marks[i]);
                catalog.MakePosition(source, setup, i + 1 == marks.size());
            }
            source.SetRecNo(keep);
        }
        const auto t1 = std::chrono::steady_clock::now();
        const bool can = catalog.CanPost();
        const bool sent = can && catalog.SendPositions(true);
        const auto t2 = std::chrono::steady_clock::now();
        if (!sent) {
            std::fprintf(stderr, "sendbench: the simulator did not take the document\n");
            return 1;
        }
        build.push_back(Ms(t1 - t0));
        send.push_back(Ms(t2 - t1));
        total.push_back(Ms(t2 - t0));
    }

    // The simulator really has every document, each with all positions.
    std::ifstream in(log, std::ios::binary);
    std::string line, last;
    int documents = 0;
    while (std::getline(in, line)) {
        ++documents;
        last = line;
    }
    size_t parts = 0;
    try {
        parts = ReadJsonUtf8(last)["Order"][0]["Parts"].size();
    } catch (const std::exception&) {
    }
    if (documents != runs || parts != static_cast<size_t>(marked)) {
        std::fprintf(stderr, "sendbench: the simulator logged %d documents, the last with %zu parts\n", documents,
                     parts);
        return 1;
    }

    std::printf("send_rows: %d\nsend_marked: %d\nsend_runs: %d\n", rows, marked, runs);
    std::printf("send_document_bytes: %zu\n", last.size());
    std::printf("pipe_question_ms (baseline): %.2f\n", Median(baseline));
    std::printf("send_make_positions_ms: %.2f\n", Median(build));
    std::printf("send_question_and_document_ms: %.2f\n", Median(send));
    std::printf("send_%d_marked_rows_ms: %.2f (goal < 100; best %.2f)\n", marked, Median(total),
                *std::min_element(total.begin(), total.end()));

    sim.terminate();
    sim.waitForFinished(5000);
    fs::remove_all(work);
    return 0;
#endif
}
