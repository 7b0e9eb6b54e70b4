// A catalog folder built from the input (node files, other files, sub-folders, symbolic links to
// places inside and outside the catalog, named pipes), then scanned and every node saved. The
// scan must return (no pipe blocks it), no node may lie outside the catalog, no CSV outside its
// node's folder, and nothing outside the catalog may change.
#include "catalog/NodeFile.h"
#include "catalog/TCSVRequest.h"
#include "fuzz/common/FuzzFolders.h"
#include "platform/TJsonDocument.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kSentinelText = "{\"Caption\":\"draussen\",\"Filename\":\"x.csv\"}";

// Reads the input as a stream of bytes; past its end every read gives 0.
struct TInput {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
    bool More() const { return at < size; }
    std::uint8_t Byte() { return at < size ? data[at++] : 0; }
    std::string Text(std::size_t n)
    {
        std::string s;
        while (n-- && at < size)
            s += static_cast<char>(data[at++]);
        return s;
    }
};

std::string ReadAll(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteText(const fs::path& file, std::string_view text)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

bool StartsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace artikel;
    static TCSVRequest catalog(fuzz::PrivateFolder().string());
    const fs::path nodes(catalog.NodesFolder());
    const fs::path outside = fuzz::PrivateFolder() / "outside";
    std::error_code ec;
    fs::remove_all(nodes, ec);
    fs::remove_all(outside, ec);
    fs::create_directories(nodes, ec);
    fs::create_directories(outside, ec);
    const fs::path sentinel = outside / "sentinel.json";
    WriteText(sentinel, kSentinelText);
    const std::string linkTargets[] = {sentinel.string(),
                                       outside.string(),
                                       (outside / "new.json").string(),
                                       "../../outside/sentinel.json",
                                       "..",
                                       "node.json",
                                       "/dev/zero",
                                       "/nonexistent"};

    TInput in{data, size};
    fs::path folder = nodes;
    for (int entries = 0; in.More() && entries < 32; ++entries) {
        const std::uint8_t kind = in.Byte();
        std::string name = in.Text(in.Byte() % 16);
        for (char& c : name)
            if (c == '/' || c == '\0')
                c = '_';
        if (kind & 8)
            name += ".json";
        if (name.empty() || name == "." || name == "..")
            continue;
        const fs::path path = folder / name;
        switch (kind % 8) {
        case 0: WriteText(path, in.Text(in.Byte())); break;
        case 1:
            WriteText(path,
                      "{\"Caption\":\"" + in.Text(in.Byte() % 8) + "\",\"Filename\":\"" + in.Text(in.Byte() % 12) +
                          "\",\"items\":[{\"filter\":\"a\"}]}");
            break;
        case 2: fs::create_symlink(linkTargets[in.Byte() % std::size(linkTargets)], path, ec); break;
        case 3: mkfifo(path.c_str(), 0600); break;
        case 4:
            if (fs::create_directory(path, ec) &&
                std::distance(nodes.begin(), nodes.end()) + 3 > std::distance(path.begin(), path.end()))
                folder = path;
            break;
        case 5: folder = nodes; break;
        default: break;
        }
    }

    catalog.ReloadNodes();
    const std::string nodesText = nodes.string();
    for (TJSON* node : catalog.Nodes()) {
        const std::string nodePath = JsonTextUtf8(*node, "nodepath");
        if (!StartsWith(JsonTextUtf8(*node, "nodefile"), nodesText) || !StartsWith(nodePath, nodesText))
            __builtin_trap();
        const std::string csv = NodeDatabaseFile(*node);
        if (!csv.empty() && (!StartsWith(csv, nodePath) || csv.find('/', nodePath.size()) != std::string::npos))
            __builtin_trap();
        catalog.SaveNode(*node);
    }
    if (ReadAll(sentinel) != kSentinelText || std::distance(fs::directory_iterator(outside), {}) != 1)
        __builtin_trap();
    return 0;
}
