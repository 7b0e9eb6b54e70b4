// Writes the sample workbook of samples/: make-sample-xlsx OUTPUT.xlsx [ROWS]
#include "bench/converter/XlsxGenerator.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.xlsx [ROWS]\n", argv[0]);
        return 2;
    }
    try {
        artikel::bench::WriteSampleXlsx(argv[1], argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 400);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
