#pragma once

// A catalog for the GUI benchmark and the screenshots, in a sandbox of its own.

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace artikel::bench {

// A fresh folder below the system's temporary folder; XDG_DATA_HOME, TMPDIR and HOME point into
// it, so the program's folders and settings stay away from the user's.
std::filesystem::path MakeSandbox(const std::string& name);

// Adds a database whose CSV is `csv` (linked into the database folder, not copied) to the catalog
// below clientRoot, with saved filters (caption, find text). Returns its id.
std::string AddDatabase(const std::filesystem::path& clientRoot, const std::string& caption,
                        const std::filesystem::path& csv,
                        const std::vector<std::pair<std::string, std::string>>& filters = {});

// Serves events until `done` holds or `timeoutMs` passed; returns `done()`.
bool WaitFor(const std::function<bool()>& done, int timeoutMs);

} // namespace artikel::bench
