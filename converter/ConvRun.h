#pragma once

// The converter program's whole run: source -> target CSV + result file.

#include <filesystem>
#include <string>
#include <vector>

namespace artikel::convert {

enum ConvRunExit : int { kConvRunOk = 0, kConvRunFailed = 1, kConvRunUsage = 2, kConvRunNoResult = 3 };

// Converts `source` into `target` and writes the result file: "Result=1" on success, else
// "Result=0" and a "Message=" line with the reason; notes of the conversion follow as further
// "Message=" lines. Windows-1252, CR LF. The target is replaced only on success. Never throws.
int RunConversion(const std::filesystem::path& source, const std::filesystem::path& target,
                  const std::filesystem::path& resultFile);

// Writes the result file atomically (temporary file beside it, then rename); false on failure.
bool WriteResultFile(const std::filesystem::path& resultFile, bool success, const std::vector<std::string>& messages);

} // namespace artikel::convert
