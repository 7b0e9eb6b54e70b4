#pragma once

// Reading and writing one node file ("node.json" of a database) and its ".~json" backup.

#include "platform/TJsonDocument.h"

#include <optional>
#include <string>
#include <string_view>

namespace artikel {

inline constexpr const char* kNodeFileName = "node.json";
inline constexpr const char* kNodeBackupExt = ".~json";

// Keys of the node document. Keys match without regard to case. The field assignment is kept
// under the seven kPositionFieldNames (data/PositionFields.h).
inline constexpr const char* kNodeKeyFilename = "Filename"; // the database CSV
inline constexpr const char* kNodeKeySourceFilename = "SourceFilename"; // the converted source
inline constexpr const char* kNodeKeyNodeFile = "nodefile"; // this node file (set by the scan)
inline constexpr const char* kNodeKeyNodePath = "nodepath"; // its folder (set by the scan)
inline constexpr const char* kNodeKeyCaption = "Caption"; // the name shown (database or filter)
inline constexpr const char* kNodeKeyUid = "uid"; // the id of a database or filter
inline constexpr const char* kNodeKeyItems = "items"; // the saved filters, an array of objects
inline constexpr const char* kNodeKeyFilter = "filter"; // a saved filter's find text
inline constexpr const char* kNodeKeyPriceFactor = "PriceFactor";

// True for a bare file name: not empty, no separator ("/" or "\\"), no NUL, not "." or "..".
bool IsBareFileName(std::string_view name);

// The database CSV of a node document. A database's files always lie in its own folder, so this
// is the folder ("nodepath") + "Filename" when that is a bare file name, else empty: the node
// cannot be loaded or re-imported. Every path to the CSV is built here.
std::string NodeDatabaseFile(const TJSON& node);

// Why the node's CSV cannot be loaded or replaced, as the user reads it (German, Windows-1252);
// empty when it can (a missing CSV is no such reason: a re-import writes it anew). A CSV that is a
// symbolic link is never followed.
std::string NodeDatabaseFileProblem(const TJSON& node);

// The backup beside a node file: its name with the extension changed to ".~json".
std::string NodeBackupFileName(const std::string& nodeFile);

// Writes a node document to fileName (indented unless asked otherwise), atomically (a temporary file in the same folder,
// flushed and renamed over the old one; the folder is created when missing), then the same text
// to the backup file. A symbolic link in place of either is replaced, never written through. False when the node file could not be written: the old file and its backup
// are then as they were.
bool SaveNodeFile(const TJSON& doc, const std::string& fileName, TJsonLayout layout = TJsonLayout::Indented);

// The node document in fileName: a JSON object whose "items", when present and not null, is an
// array of objects. Nothing when the file is missing, unreadable, far too large, no regular file
// (a link, a named pipe, a device: opened without following or blocking) or not such a document.
std::optional<TJSON> ReadNodeFile(const std::string& fileName);

} // namespace artikel
