#pragma once

// Reading and writing one node file ("node.json" of a database) and its ".~json" backup.

#include "platform/TJsonDocument.h"

#include <optional>
#include <string>

namespace artikel {

inline constexpr const char* kNodeFileName = "node.json";
inline constexpr const char* kNodeBackupExt = ".~json";

// The backup beside a node file: its name with the extension changed to ".~json".
std::string NodeBackupFileName(const std::string& nodeFile);

// Writes a node document to fileName (indented unless asked otherwise), atomically (a temporary file in the same folder,
// flushed and renamed over the old one; the folder is created when missing), then the same text
// to the backup file. False when the node file could not be written: the old file and its backup
// are then as they were.
bool SaveNodeFile(const TJSON& doc, const std::string& fileName, TJsonLayout layout = TJsonLayout::Indented);

// The node document in fileName: a JSON object whose "items", when present and not null, is an
// array of objects. Nothing when the file is missing, unreadable, far too large or not such a
// document.
std::optional<TJSON> ReadNodeFile(const std::string& fileName);

} // namespace artikel
