#pragma once

#include <filesystem>
#include <string>

namespace artikel::test {

// The fresh folder the test main created for this run (XDG_DATA_HOME, XDG_STATE_HOME,
// XDG_RUNTIME_DIR, TMPDIR and HOME live in it).
const std::filesystem::path& SandboxDir();

// A new empty folder below the sandbox, unique per call.
std::filesystem::path MakeTempDir(const std::string& hint = "t");

// Folder of the test sources (fixtures live below it).
std::filesystem::path TestDataDir();

// Reads / writes a whole file byte for byte.
std::string ReadFileBytes(const std::filesystem::path& file);
void WriteFileBytes(const std::filesystem::path& file, const std::string& bytes);

// Points XDG_DATA_HOME, XDG_STATE_HOME, XDG_RUNTIME_DIR, TMPDIR and HOME into a fresh sandbox;
// called by the test mains.
void SetUpSandbox();
void TearDownSandbox();

} // namespace artikel::test
