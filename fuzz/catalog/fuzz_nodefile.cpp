// Arbitrary bytes as a database's node file, or as its backup beside an unreadable node file, read
// by the catalog scan (repaired and saved where it must be). Whatever the bytes, a node's CSV
// lies in the node's own folder or the node has none.
#include "catalog/NodeFile.h"
#include "catalog/TCSVRequest.h"
#include "fuzz/common/FuzzFolders.h"
#include "platform/TJsonDocument.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

void WriteBytes(const fs::path& file, const std::uint8_t* data, std::size_t size)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

bool InsideFolder(const std::string& file, const std::string& folder)
{
    return file.size() > folder.size() && file.compare(0, folder.size(), folder) == 0 &&
        file.find('/', folder.size()) == std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace artikel;
    static TCSVRequest catalog(fuzz::PrivateFolder().string());
    if (size == 0)
        return 0;
    const fs::path nodes(catalog.NodesFolder());
    std::error_code ec;
    fs::remove_all(nodes, ec);
    fs::create_directories(nodes / "db", ec);
    const fs::path nodeFile = nodes / "db" / kNodeFileName;
    if (data[0] & 1) {
        WriteBytes(nodeFile, data + 1, size - 1);
    } else {
        WriteBytes(nodeFile, nullptr, 0); // unreadable: the scan falls back to the backup
        WriteBytes(NodeBackupFileName(nodeFile.string()), data + 1, size - 1);
    }

    catalog.ReloadNodes();
    const std::string folder = (nodes / "db").string() + "/";
    for (TJSON* node : catalog.Nodes()) {
        const std::string csv = NodeDatabaseFile(*node);
        if (!csv.empty() && !InsideFolder(csv, folder))
            __builtin_trap();
        (void)NodeDatabaseFileProblem(*node);
        (void)catalog.LoadCSVSetup(*node);
        (void)catalog.NeighbourNodeId(JsonText(*node, "uid"));
    }
    return 0;
}
