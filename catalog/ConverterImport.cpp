#include "catalog/ConverterImport.h"

#include "catalog/CatalogHelpers.h"
#include "catalog/NodeFile.h"
#include "catalog/TSendQuerySyncThread.h"
#include "platform/FileRetry.h"
#include "platform/Folders.h"
#include "platform/TextUtils.h"
#include "platform/Win1252.h"

#include <cstring>
#include <filesystem>
#include <system_error>

namespace artikel {

namespace {

void RemoveFile(const std::string& fileName)
{
    std::error_code error;
    std::filesystem::remove(std::filesystem::path(fileName), error);
}

// "%20" and the like, as a file manager writes a file URL.
std::string PercentDecoded(std::string_view text)
{
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const int hi = hex(text[i + 1]);
            const int lo = hex(text[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out += static_cast<char>(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

// A text can only name a file when it is one line without NUL bytes (a NUL would cut the name
// short at the system call and find some other file).
bool CanBeFileName(std::string_view text)
{
    return !text.empty() && text.find_first_of(std::string_view("\0\r\n", 3)) == std::string_view::npos;
}

// Byte offsets of the UTF-8 characters of text (lead bytes), and the end.
std::vector<std::size_t> CharStarts(std::string_view text)
{
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < text.size(); ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            starts.push_back(i);
    return starts;
}

} // namespace

std::string FindConverterExecutable(const std::string& programFolder)
{
    const std::string folder = programFolder.empty() ? GetProgramFolder() : IncludeBackslash(programFolder);
    const std::string beside = folder + kConverterFileName;
    return FileExists(beside) ? beside : std::string(kConverterFallbackPath);
}

std::string TargetCsvPath(const std::string& source)
{
    const std::string name = std::filesystem::path(source).filename().replace_extension(".csv").string();
    return GetScratchFolder() + name;
}

std::string NewResultFilePath() { return GetScratchFolder() + NewGuidText() + kResultFileSuffix; }

TConverterResult ReadConverterResult(const std::string& resultFile)
{
    TConverterResult result;
    std::vector<std::string> lines;
    try {
        if (!LoadStringsRetry(lines, resultFile))
            return result;
    } catch (const std::exception&) {
        return result;
    }
    return ParseConverterResult(lines);
}

TConverterResult ParseConverterResult(const std::vector<std::string>& lines)
{
    TConverterResult result;
    bool resultSeen = false;
    for (const std::string& line : lines) {
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string_view name(line.data(), eq);
        const std::string_view value = std::string_view(line).substr(eq + 1);
        // The first "Result" counts, as a name-value list finds it.
        if (SameTextNoCase(name, "Result") && !resultSeen) {
            resultSeen = true;
            result.Success = TrimText(value) == "1";
        } else if (SameTextNoCase(name, "Message") && !TrimText(value).empty()) {
            result.Messages.emplace_back(TrimText(value));
        }
    }
    return result;
}

std::string ConverterNotFoundText(const std::string& executable) { return Utf8ToWin1252(executable) + " not found"; }

TConversion ConvertSourceFile(const std::string& executable, const std::string& source, const TConverterWait& wait)
{
    TConversion c;
    c.Source = source;
    if (source.empty() || !FileExists(source)) {
        c.Status = TConversion::TStatus::SourceMissing;
        return c;
    }
    try {
        c.Target = TargetCsvPath(source);
        c.ResultFile = NewResultFilePath();
        if (executable.empty() || !FileExists(executable)) {
            c.Status = TConversion::TStatus::ConverterMissing;
            c.Message = ConverterNotFoundText(executable);
            return c;
        }
        int startError = 0;
        {
            TSendQuerySyncThread waiter(executable, source, c.Target, c.ResultFile);
            if (wait)
                wait(waiter);
            waiter.Wait();
            startError = waiter.StartError();
        }
        const TConverterResult result = ReadConverterResult(c.ResultFile);
        RemoveFile(c.ResultFile);
        if (result.Success) {
            c.Status = TConversion::TStatus::Converted;
            c.Notes = result.Messages;
            return c;
        }
        c.Status = TConversion::TStatus::Failed;
        RemoveFile(c.Target); // whatever a failed run left behind
        c.Message = kNoUsableResultText;
        // What the converter says about the file tells the user what to do about it.
        for (const std::string& message : result.Messages)
            c.Message += "\r\n" + message;
        if (startError != 0)
            c.Message += "\r\n" + Utf8ToWin1252("Der Konverter konnte nicht gestartet werden: ") +
                Utf8ToWin1252(std::strerror(startError));
    } catch (const std::exception& e) {
        if (!c.ResultFile.empty())
            RemoveFile(c.ResultFile);
        c.Status = TConversion::TStatus::Failed;
        c.Message = std::string(kNoUsableResultText) + "\r\n" + e.what();
    }
    return c;
}

std::string AddConvertedDatabase(const std::string& nodesFolder, const std::string& targetCsv,
                                 const std::string& source)
{
    const std::string csvName = ExtractFileName(targetCsv);
    const std::string folder = IncludeBackslash(nodesFolder) + NewGuidText() + kPathDelim;
    const std::string csv = folder + csvName;
    // A database without its rows is no database: a failed copy leaves nothing behind.
    const bool copied = CopyFileRetry(targetCsv, csv, TLinkPolicy::Replace);
    // The converter's output in the scratch folder has served its purpose either way.
    RemoveFile(targetCsv);
    if (!copied) {
        DeleteFolderTree(folder, false);
        throw EImportError(Utf8ToWin1252("Die konvertierte Datei \xE2\x80\x9E") + Utf8ToWin1252(csvName) +
                           Utf8ToWin1252("\xE2\x80\x9C konnte nicht in den Katalog kopiert werden.\r\n") +
                           Utf8ToWin1252(folder));
    }
    TJSON doc = TJSON::object();
    SetJsonTextUtf8(doc, kNodeKeyCaption, csvName);
    SetJsonTextUtf8(doc, kNodeKeyFilename, csvName);
    SetJsonTextUtf8(doc, kNodeKeySourceFilename, source);
    const std::string uid = NewGuidText();
    SetJsonText(doc, kNodeKeyUid, uid);
    const std::string nodeFile = folder + kNodeFileName;
    if (!SaveNodeFile(doc, nodeFile, TJsonLayout::Compact)) {
        DeleteFolderTree(folder, false);
        throw EImportError(Utf8ToWin1252("Die Datei \xE2\x80\x9E") + Utf8ToWin1252(nodeFile) +
                           Utf8ToWin1252("\xE2\x80\x9C konnte nicht geschrieben werden."));
    }
    // The converted file is the catalog's now; a source that was itself the target stays.
    if (targetCsv != source)
        RemoveFile(targetCsv);
    return uid;
}

bool ReplaceDatabaseCsv(const std::string& targetCsv, const std::string& databaseCsv)
{
    // A link in place of the CSV is replaced, never written through.
    const bool ok = !databaseCsv.empty() && CopyFileRetry(targetCsv, databaseCsv, TLinkPolicy::Replace);
    RemoveFile(targetCsv);
    return ok;
}

std::vector<std::string> SplitFileList(std::string_view fileList)
{
    std::vector<std::string> files;
    for (std::string& line : SplitLines(fileList))
        if (!TrimText(line).empty())
            files.push_back(std::move(line));
    return files;
}

std::string ShortenMiddle(std::string_view text, std::size_t maxLength)
{
    const std::string_view trimmed = TrimText(text);
    std::vector<std::size_t> starts = CharStarts(trimmed);
    if (starts.size() <= maxLength)
        return std::string(trimmed);
    // Both ends: the start of a path shows where it is, its end which file it is.
    const std::size_t keep = maxLength >= 4 ? (maxLength - 4) / 2 : 0;
    std::string out(trimmed.substr(0, starts[keep]));
    out += "..";
    if (keep > 0)
        out += trimmed.substr(starts[starts.size() - keep]);
    return out;
}

std::string ClipboardSourceFrom(const std::string& text, const std::vector<std::string>& files)
{
    try {
        std::string_view candidate = text;
        const bool isUrl = candidate.starts_with("file://");
        if (isUrl)
            candidate.remove_prefix(7);
        // A copied name often carries a line end.
        while (!candidate.empty() && (candidate.back() == '\n' || candidate.back() == '\r'))
            candidate.remove_suffix(1);
        if (CanBeFileName(candidate) && FileExists(candidate))
            return std::string(candidate);
        if (isUrl) {
            const std::string decoded = PercentDecoded(candidate);
            if (CanBeFileName(decoded) && FileExists(decoded))
                return decoded;
        }
        if (!files.empty() && CanBeFileName(files.back()) && FileExists(files.back()))
            return files.back();
        if (TrimText(candidate).empty())
            return {};
        const std::string clipboardFile = GetScratchFolder() + kClipboardSourceName;
        SaveStringsRetry(SplitLines(candidate), clipboardFile);
        return clipboardFile;
    } catch (const std::exception&) {
        return {};
    }
}

} // namespace artikel
