// datasetdump FILE [--filter TEXT] [--locate FIELD=VALUE] [--sort FIELD]...
//
// Loads FILE into a TListDataSet, applies the steps in the order given and writes the field
// names and the rows of the view to standard output in the dataset's save format. Errors go to
// standard error and end the run with exit code 1; after --locate the record number found is
// written to standard error as "RecNo: N". Arguments are taken as bytes (Windows-1252).

#include "data/TListDataSet.h"

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

namespace {

using namespace artikel;

class TStdoutStream : public TStream {
public:
    int64_t Read(void*, int64_t) override { return 0; }
    int64_t Write(const void* buffer, int64_t count) override
    {
        const size_t n = std::fwrite(buffer, 1, static_cast<size_t>(count), stdout);
        if (n != static_cast<size_t>(count))
            throw EStreamError("FileWrite failed for standard output.");
        written_ += count;
        return count;
    }
    int64_t Seek(int64_t, TSeekOrigin) override { return written_; }
    int64_t Size() override { return written_; }

private:
    int64_t written_ = 0;
};

struct TStep {
    std::string option;
    std::string value;
};

int Usage()
{
    std::fprintf(stderr, "usage: datasetdump FILE [--filter TEXT] [--locate FIELD=VALUE] [--sort FIELD]...\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage();
    const std::string file = argv[1];
    std::vector<TStep> steps;
    for (int i = 2; i < argc; ++i) {
        const std::string option = argv[i];
        if ((option != "--filter" && option != "--locate" && option != "--sort") || i + 1 >= argc)
            return Usage();
        steps.push_back({option, argv[++i]});
    }

    TListDataSet ds;
    try {
        ds.LoadFromFile(file);
        for (const TStep& step : steps) {
            if (step.option == "--filter") {
                ds.ApplyFilter(step.value, true, true);
            } else if (step.option == "--sort") {
                ds.SortByColumn(step.value);
            } else {
                const size_t eq = step.value.find('=');
                if (eq == std::string::npos) {
                    std::fprintf(stderr, "--locate needs FIELD=VALUE\n");
                    return 2;
                }
                ds.Locate(step.value.substr(0, eq), step.value.substr(eq + 1));
                std::fprintf(stderr, "RecNo: %d\n", ds.RecNo());
            }
        }
        TStdoutStream out;
        ds.SaveToStream(out);
        if (std::fflush(stdout) != 0)
            throw EStreamError("FileWrite failed for standard output.");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
