// convbench: times the converter on a generated 1,000,000-article DATANORM 4 delivery, a
// 100,000-row .xlsx and a full .xls sheet (65,535 rows, the most an old-format sheet holds; its
// time is also given per 100,000 rows), beside LibreOffice / ssconvert on the same workbooks
// when they are installed. Prints "name: value" lines.

#include "bench/converter/DatanormGenerator.h"
#include "bench/converter/XlsGenerator.h"
#include "bench/converter/XlsxGenerator.h"
#include "converter/ConvRun.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

bool OnPath(const char* program)
{
    const char* path = std::getenv("PATH");
    if (!path)
        return false;
    std::string p = path;
    size_t start = 0;
    while (start <= p.size()) {
        size_t e = p.find(':', start);
        if (e == std::string::npos)
            e = p.size();
        if (::access((p.substr(start, e - start) + "/" + program).c_str(), X_OK) == 0)
            return true;
        start = e + 1;
    }
    return false;
}

// Seconds a shell command takes, or a negative value when it fails.
double TimeCommand(const std::string& command)
{
    const auto t = std::chrono::steady_clock::now();
    const int rc = std::system(command.c_str());
    const double s = Seconds(t);
    return rc == 0 ? s : -1.0;
}

double CpuSeconds()
{
    struct rusage ru {};
    ::getrusage(RUSAGE_SELF, &ru);
    return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
        static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

// Wall-clock seconds of one conversion; its CPU seconds are printed beside it, since on a busy
// machine the wall clock also counts other programs.
double TimeConversion(const fs::path& source, const fs::path& work, const char* what)
{
    const auto t = std::chrono::steady_clock::now();
    const double cpu = CpuSeconds();
    const int rc = artikel::convert::RunConversion(source, work / "out.csv", work / "result.txt");
    const double s = Seconds(t);
    std::printf("%s_cpu_s: %.3f\n", what, CpuSeconds() - cpu);
    if (rc != 0) {
        std::fprintf(stderr, "%s: conversion failed (exit %d)\n", what, rc);
        return -1.0;
    }
    std::printf("%s_output_mb: %.1f\n", what, static_cast<double>(fs::file_size(work / "out.csv")) / 1e6);
    return s;
}

} // namespace

int main(int argc, char** argv)
{
    size_t articles = 1'000'000;
    size_t xlsxRows = 100'000;
    size_t xlsRows = artikel::bench::kMaxXlsRows;
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--articles") && i + 1 < argc)
            articles = std::strtoul(argv[++i], nullptr, 10);
        else if (!std::strcmp(argv[i], "--xlsx-rows") && i + 1 < argc)
            xlsxRows = std::strtoul(argv[++i], nullptr, 10);
        else if (!std::strcmp(argv[i], "--xls-rows") && i + 1 < argc)
            xlsRows = std::min<size_t>(std::strtoul(argv[++i], nullptr, 10), artikel::bench::kMaxXlsRows);
        else if (!std::strcmp(argv[i], "--keep"))
            keep = true;
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/convbench-XXXXXX";
    if (!::mkdtemp(templ.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path work = templ;
    std::printf("convbench_folder: %s\n", work.c_str());

    // DATANORM 4
    auto t = std::chrono::steady_clock::now();
    artikel::bench::WriteDatanorm4Delivery(work / "datanorm", articles);
    uintmax_t bytes = 0;
    for (const auto& e : fs::directory_iterator(work / "datanorm"))
        bytes += e.file_size();
    std::printf("datanorm_articles: %zu\ndatanorm_input_mb: %.1f\ndatanorm_generate_s: %.3f\n", articles,
                static_cast<double>(bytes) / 1e6, Seconds(t));
    std::fflush(stdout);
    const double dn = TimeConversion(work / "datanorm" / "DATANORM.001", work, "datanorm");
    std::printf("datanorm_%s_s: %.3f\n", articles == 1'000'000 ? "1m" : std::to_string(articles).c_str(), dn);
    std::fflush(stdout);
    if (!keep) {
        fs::remove_all(work / "datanorm");
        fs::remove(work / "out.csv");
    }

    // .xlsx
    t = std::chrono::steady_clock::now();
    const fs::path xlsx = work / "artikel.xlsx";
    artikel::bench::WriteBenchXlsx(xlsx, xlsxRows);
    std::printf("xlsx_rows: %zu\nxlsx_input_mb: %.1f\nxlsx_generate_s: %.3f\n", xlsxRows,
                static_cast<double>(fs::file_size(xlsx)) / 1e6, Seconds(t));
    std::fflush(stdout);
    const double xs = TimeConversion(xlsx, work, "xlsx");
    std::printf("xlsx_%s_s: %.3f\n", xlsxRows == 100'000 ? "100k" : std::to_string(xlsxRows).c_str(), xs);
    if (OnPath("unzip"))
        std::printf("unzip_xlsx_s: %.3f\n", TimeCommand("unzip -p '" + xlsx.string() + "' > /dev/null"));
    std::fflush(stdout);
    for (const char* office : {"libreoffice", "soffice"}) {
        if (!OnPath(office))
            continue;
        const double lo = TimeCommand(std::string(office) + " --headless --convert-to csv --outdir '" + work.string() +
                                      "' '" + xlsx.string() + "' > /dev/null 2>&1");
        std::printf("libreoffice_xlsx_s: %.3f\n", lo);
        if (lo > 0 && xs > 0)
            std::printf("libreoffice_ratio: %.1f\n", lo / xs);
        break;
    }
    if (OnPath("ssconvert")) {
        const double ss =
            TimeCommand("ssconvert '" + xlsx.string() + "' '" + (work / "ss.csv").string() + "' > /dev/null 2>&1");
        std::printf("ssconvert_xlsx_s: %.3f\n", ss);
        if (ss > 0 && xs > 0)
            std::printf("ssconvert_ratio: %.1f\n", ss / xs);
    }

    // .xls
    t = std::chrono::steady_clock::now();
    const fs::path xls = work / "artikel.xls";
    artikel::bench::WriteBenchXls(xls, xlsRows);
    std::printf("xls_rows: %zu\nxls_input_mb: %.1f\nxls_generate_s: %.3f\n", xlsRows,
                static_cast<double>(fs::file_size(xls)) / 1e6, Seconds(t));
    std::fflush(stdout);
    const double ls = TimeConversion(xls, work, "xls");
    std::printf("xls_%zu_s: %.3f\n", xlsRows, ls);
    if (ls > 0 && xlsRows > 0)
        std::printf("xls_per_100k_rows_s: %.3f (goal < 1)\n", ls * 100000.0 / static_cast<double>(xlsRows));
    if (OnPath("ssconvert")) {
        const double ss =
            TimeCommand("ssconvert '" + xls.string() + "' '" + (work / "ss-xls.csv").string() + "' > /dev/null 2>&1");
        std::printf("ssconvert_xls_s: %.3f\n", ss);
        if (ss > 0 && ls > 0)
            std::printf("ssconvert_xls_ratio: %.1f\n", ss / ls);
    } else {
        std::printf("ssconvert_xls_s: skipped (ssconvert is not installed)\n");
    }
    std::fflush(stdout);
    struct rusage ru {};
    ::getrusage(RUSAGE_SELF, &ru);
    std::printf("convbench_peak_rss_mb: %.1f\n", static_cast<double>(ru.ru_maxrss) / 1024.0);
    if (!keep)
        fs::remove_all(work);
    return 0;
}
