// convrun SOURCE TARGET.csv RESULTFILE: converts a supplier's article file into the program's CSV.
// Never prompts and never waits for input; the result file tells the program what happened.

#include "converter/ConvRun.h"
#include "converter/ConvertText.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

// Prepared before the conversion, so that a fatal signal (a file truncated under its mapping
// raises SIGBUS) can still leave a failure result behind with async-signal-safe calls only.
std::string gResultPath;
std::string gCrashResult;

extern "C" void OnFatalSignal(int sig)
{
    const int fd = ::open(gResultPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0) {
        ssize_t n = ::write(fd, gCrashResult.data(), gCrashResult.size());
        (void)n;
        ::close(fd);
    }
    ::_exit(128 + sig);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "Aufruf: convrun QUELLE ZIEL.csv ERGEBNISDATEI\n");
        return artikel::convert::kConvRunUsage;
    }
    ::close(STDIN_FILENO);
    const std::filesystem::path source = argv[1];
    gResultPath = argv[3];
    gCrashResult = "Result=0\r\nMessage=Die Datei \x84";
    gCrashResult += artikel::convert::NativeToWin1252(source.filename());
    gCrashResult += artikel::Utf8ToWin1252("“ konnte nicht gelesen werden (Lesefehler oder beschädigte Daten).\r\n");
    for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT})
        std::signal(sig, OnFatalSignal);
    return artikel::convert::RunConversion(source, argv[2], argv[3]);
}
