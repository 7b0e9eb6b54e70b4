// Writes the DATANORM and CSV samples of samples/: make-samples OUTPUT-FOLDER
#include "bench/converter/DatanormGenerator.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-FOLDER\n", argv[0]);
        return 2;
    }
    try {
        const std::filesystem::path out = argv[1];
        artikel::bench::WriteDatanorm4Delivery(out / "datanorm4", 600);
        artikel::bench::WriteDatanorm5File(out / "datanorm5" / "DATANORM.001", 300);
        artikel::bench::WriteArticleCsv(out / "artikel-utf8.csv", 400);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
