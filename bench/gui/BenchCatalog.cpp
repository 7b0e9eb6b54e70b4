#include "bench/gui/BenchCatalog.h"

#include "catalog/CatalogHelpers.h"
#include "catalog/TCSVRequest.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <cstdlib>
#include <fstream>

namespace artikel::bench {

std::filesystem::path MakeSandbox(const std::string& name)
{
    std::string pattern = (std::filesystem::temp_directory_path() / (name + "-XXXXXX")).string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create " + pattern);
    const std::filesystem::path root(pattern);
    for (const char* sub : {"data", "tmp", "home"})
        std::filesystem::create_directories(root / sub);
    setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
    setenv("TMPDIR", (root / "tmp").c_str(), 1);
    setenv("XDG_STATE_HOME", (root / "state").c_str(), 1);
    setenv("HOME", (root / "home").c_str(), 1);
    return root;
}

std::string AddDatabase(const std::filesystem::path& clientRoot, const std::string& caption,
                        const std::filesystem::path& csv,
                        const std::vector<std::pair<std::string, std::string>>& filters)
{
    const std::string uid = NewGuidText();
    const auto folder = clientRoot / kCatalogRootName / "nodes" / uid;
    std::filesystem::create_directories(folder);
    // A database's CSV must be a regular file in its folder (a link is refused): a hard link
    // shares the generated file without copying it, a copy serves across file systems.
    std::error_code linkError;
    std::filesystem::create_hard_link(csv, folder / "db.csv", linkError);
    if (linkError)
        std::filesystem::copy_file(csv, folder / "db.csv");
    std::string items;
    for (const auto& [filterCaption, text] : filters) {
        if (!items.empty())
            items += ",";
        items +=
            "{\"Caption\":\"" + filterCaption + "\",\"filter\":\"" + text + "\",\"uid\":\"" + NewGuidText() + "\"}";
    }
    std::ofstream(folder / "node.json", std::ios::binary)
        << "{\"Caption\":\"" << caption << "\",\"Filename\":\"db.csv\",\"SourceFilename\":\"\",\"uid\":\"" << uid
        << "\",\"items\":[" << items << "]}";
    return uid;
}

bool WaitFor(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(200);
    }
    return true;
}

} // namespace artikel::bench
