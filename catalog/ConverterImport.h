#pragma once

// The import route without widgets: where the converter is, the files it is given, what its
// result file says, and how a converted CSV becomes a database of the catalog. The dialogs, the
// overlay and the polling that keeps the window painting live in catalog/ui/TImporter.
//
// Paths are native (UTF-8 on Linux). Texts meant for the user are Windows-1252.

#include "platform/TJsonDocument.h"

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace artikel {

class TSendQuerySyncThread;

// The converter's file name in the program's folder.
#ifdef _WIN32
inline constexpr const char* kConverterFileName = "convrun.exe";
inline constexpr const char* kConverterFallbackPath = "C:\\varnel\\sheetmill\\cmd\\convrun.exe";
#else
inline constexpr const char* kConverterFileName = "convrun";
inline constexpr const char* kConverterFallbackPath = "/opt/varnel/sheetmill/cmd/convrun";
#endif
// The result file's name after its fresh id.
inline constexpr const char* kResultFileSuffix = "Success.import.file";
// The source file that pasted text is saved as (in the scratch folder).
inline constexpr const char* kClipboardSourceName = "Clipboard";

// The converter beside the program (programFolder + kConverterFileName) when that file exists,
// else kConverterFallbackPath. Empty programFolder: GetProgramFolder().
std::string FindConverterExecutable(const std::string& programFolder = {});

// The scratch folder + the source's file name with its extension replaced by ".csv".
std::string TargetCsvPath(const std::string& source);
// The scratch folder + a fresh id + kResultFileSuffix.
std::string NewResultFilePath();

// What the converter left in its result file: lines "name=value"; "Result" (any letter case)
// must be "1". The "Message" lines say what went wrong (or what was noted), in file order.
struct TConverterResult {
    bool Success = false;
    std::vector<std::string> Messages; // Windows-1252
};
// A missing or unreadable result file reads as failure without messages.
TConverterResult ReadConverterResult(const std::string& resultFile);
// The same from the file's lines.
TConverterResult ParseConverterResult(const std::vector<std::string>& lines);

// The failure texts shown to the user (Windows-1252, CR LF breaks lines; not yet markup-escaped).
std::string ConverterNotFoundText(const std::string& executable);
inline constexpr const char* kNoUsableResultText =
    "Der Import hat kein brauchbares Ergebnis geliefert.\r\nErrorCode -1";

// One conversion: the files involved and how it ended.
struct TConversion {
    enum class TStatus {
        Converted, // Target holds the converted CSV
        SourceMissing, // the source file does not exist: nothing was done, nothing to say
        ConverterMissing, // Message says which executable is missing
        Failed, // Message holds kNoUsableResultText and the converter's messages
    };
    TStatus Status = TStatus::SourceMissing;
    std::string Source; // the source path used
    std::string Target; // the target CSV path
    std::string ResultFile; // deleted again before ConvertSourceFile returns
    std::string Message; // Windows-1252, lines separated by CR LF
    // After a conversion: what the converter noted (sheets left out, title lines skipped,
    // columns added or dropped ...), Windows-1252, in file order.
    std::vector<std::string> Notes;
    bool Ok() const { return Status == TStatus::Converted; }
};

// Waits for the started converter. The interface passes a wait that keeps the window painting;
// a tool without one simply waits.
using TConverterWait = std::function<void(TSendQuerySyncThread& waiter)>;

// Converts source with executable: checks the source and the executable, starts the converter
// (TSendQuerySyncThread), lets `wait` wait for it (an empty wait simply blocks), reads and
// deletes the result file. Never raises.
TConversion ConvertSourceFile(const std::string& executable, const std::string& source, const TConverterWait& wait);

// Raised when a converted CSV cannot be taken into the catalog; carries the user's message
// (Windows-1252).
class EImportError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Makes a new database of a converted CSV: a fresh folder below nodesFolder, the CSV copied
// into it under its own file name (the target is deleted afterwards), and its node file
// ("Caption" and "Filename" the CSV's name, "SourceFilename" the source, a fresh "uid") written
// compact with its backup. Returns the new database's uid. When the copy or the node file
// fails, the new folder is removed again, the target CSV is kept, and EImportError is raised.
std::string AddConvertedDatabase(const std::string& nodesFolder, const std::string& targetCsv,
                                 const std::string& source);

// Copies a re-imported CSV over the database's file; the old file stays complete until the new
// one is (the copy is renamed into place). False when it could not be copied.
bool ReplaceDatabaseCsv(const std::string& targetCsv, const std::string& databaseCsv);

// The non-blank lines of a file list (one path per line, CR LF, LF or CR).
std::vector<std::string> SplitFileList(std::string_view fileList);

// The text without surrounding blanks; when it has more than maxLength characters (UTF-8), its
// first and last (maxLength - 4) / 2 characters joined by "..", so a long path still shows
// where it lies and which file it names.
std::string ShortenMiddle(std::string_view text, std::size_t maxLength = 70);

// Where pasted content comes from. `text` is the clipboard's text (UTF-8), `files` the local
// files of its file list. The source is: the file the text names (a leading "file://" dropped),
// else the last listed file when it exists, else the text itself saved as "Clipboard" in the
// scratch folder. Empty when there is nothing usable or saving fails. Never raises.
std::string ClipboardSourceFrom(const std::string& text, const std::vector<std::string>& files);

} // namespace artikel
