#pragma once

// A private scratch folder for fuzz targets that need files: created once per process under the
// temporary folder, and made the home of every user folder the program may touch (settings,
// catalog, state), so that a fuzz run never writes anywhere else.

#include <cstdlib>
#include <filesystem>
#include <string>

namespace artikel::fuzz {

inline const std::filesystem::path& PrivateFolder()
{
    static const std::filesystem::path folder = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/artikelfuzz-XXXXXX";
        if (!mkdtemp(pattern.data()))
            std::abort();
        for (const char* name : {"XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "HOME"})
            setenv(name, pattern.c_str(), 1);
        return std::filesystem::path(pattern);
    }();
    return folder;
}

} // namespace artikel::fuzz
