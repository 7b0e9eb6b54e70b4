#include "converter/ConvertSourceFile.h"

#include "converter/ConvertText.h"
#include "converter/ReadSpreadsheetOrText.h"
#include "converter/TConvertMessage.h"
#include "converter/TDatanormReader.h"
#include "converter/TZipExtract.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
#include <set>

namespace artikel::convert {
namespace {

std::string LowerExtension(const std::filesystem::path& p)
{
    std::string e = p.extension().string();
    for (char& c : e)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return e;
}

// Entries packers add beside the data: resource forks, hidden files, folder thumbnails.
bool IsPackingJunk(const std::filesystem::path& rel)
{
    for (const auto& part : rel) {
        const std::string s = part.string();
        if (s == "__MACOSX" || (!s.empty() && s.front() == '.'))
            return true;
    }
    const std::string name = rel.filename().string();
    return name == "Thumbs.db" || name == "desktop.ini";
}

void ConvertDatanorm(const std::vector<std::filesystem::path>& files, TConvertSink& sink)
{
    TDatanormReader reader;
    for (const auto& f : files)
        reader.AddFile(f);
    reader.Convert(sink);
}

// A Zip may hold several deliveries, one folder each with its own article files. Files of a
// folder without article files (prices, rebates) belong to the delivery of the nearest folder
// above with article files, else, where there is only one delivery, to that one.
void ConvertDatanormInZip(const std::vector<std::filesystem::path>& files, const std::filesystem::path& root,
                          TConvertSink& sink)
{
    std::map<std::filesystem::path, std::vector<std::filesystem::path>> byFolder;
    std::set<std::filesystem::path> deliveries;
    for (const auto& f : files) {
        byFolder[f.parent_path()].push_back(f);
        if (ProbeDatanormFile(f).kind == EDatanormKind::Articles)
            deliveries.insert(f.parent_path());
    }
    if (deliveries.size() <= 1) {
        ConvertDatanorm(files, sink);
        return;
    }
    std::map<std::filesystem::path, std::vector<std::filesystem::path>> grouped;
    std::vector<std::string> strays;
    for (const auto& [folder, inFolder] : byFolder) {
        std::filesystem::path owner = folder;
        while (!deliveries.count(owner) && owner != root && owner.has_parent_path() && owner != owner.parent_path())
            owner = owner.parent_path();
        if (!deliveries.count(owner)) {
            for (const auto& f : inFolder)
                strays.push_back(NativeToWin1252(f.lexically_relative(root).generic_string()));
            continue;
        }
        auto& g = grouped[owner];
        g.insert(g.end(), inFolder.begin(), inFolder.end());
    }
    std::vector<std::unique_ptr<TDatanormReader>> readers;
    for (const auto& [folder, inFolder] : grouped) {
        auto& r = readers.emplace_back(std::make_unique<TDatanormReader>());
        const std::string rel = NativeToWin1252(folder.lexically_relative(root).generic_string());
        r->SetName(rel == "." ? std::string("Lieferung") : rel);
        for (const auto& f : inFolder)
            r->AddFile(f);
    }
    TDatanormReader::ConvertDeliveries(readers, sink);
    for (const std::string& s : strays)
        sink.Note("Die Datei \x84" + s +
                  "\x93 geh\xF6rt zu keiner Lieferung mit Artikeln und wurde \xFC"
                  "bersprungen.");
}

void ConvertZip(const std::filesystem::path& zip, TConvertSink& sink)
{
    const std::string shown = zip.filename().string();
    TZipExtract extract;
    const std::vector<std::filesystem::path> files = extract.Extract(zip);
    std::vector<std::filesystem::path> datanorm, sheets, texts, found;
    for (const auto& f : files) {
        const std::filesystem::path rel = f.lexically_relative(extract.Folder());
        if (IsPackingJunk(rel))
            continue;
        found.push_back(rel);
        if (ProbeDatanormFile(f).isDatanorm) {
            datanorm.push_back(f);
            continue;
        }
        const TSheetKind kind = DetectSheetKind(f);
        const std::string ext = LowerExtension(f);
        // Markup counts as a table where it poses as a workbook, not as a read-me page.
        const bool markupSheet = (kind == TSheetKind::SpreadsheetMl && (ext == ".xls" || ext == ".xml")) ||
            (kind == TSheetKind::Html && ext == ".xls");
        if (kind == TSheetKind::Xlsx || kind == TSheetKind::Xls || markupSheet ||
            (kind == TSheetKind::Text && ext == ".csv"))
            sheets.push_back(f);
        else if (kind == TSheetKind::Text && (ext == ".txt" || ext == ".tsv" || ext == ".tab"))
            texts.push_back(f);
    }
    if (!datanorm.empty()) {
        ConvertDatanormInZip(datanorm, extract.Folder(), sink);
        return;
    }
    if (sheets.size() == 1) {
        ReadSpreadsheetOrText(sheets.front(), sink);
        return;
    }
    if (sheets.empty() && texts.size() == 1) {
        ReadSpreadsheetOrText(texts.front(), sink);
        return;
    }
    if (found.empty())
        FailFile(shown, "ist ein leeres Zip-Archiv.");
    std::string list;
    for (size_t i = 0; i < found.size() && i < 10; ++i) {
        if (i)
            list += ", ";
        list += found[i].generic_string();
    }
    if (found.size() > 10)
        list += ", … (" + std::to_string(found.size()) + " Dateien)";
    FailFile(shown,
             (sheets.size() > 1
                  ? "enthält mehrere Tabellen statt einer; bitte jede Datei einzeln importieren. Gefunden: "
                  : "enthält weder eine DATANORM-Lieferung noch eine CSV- oder Excel-Datei. Gefunden: ") +
                 list + ".");
}

} // namespace

void ConvertSourceFile(const std::filesystem::path& source, TConvertSink& sink)
{
    const std::string shown = source.filename().string();
    std::error_code ec;
    const auto status = std::filesystem::status(source, ec);
    if (ec || !std::filesystem::exists(status))
        FailFile(shown, "wurde nicht gefunden.");
    if (std::filesystem::is_directory(status))
        FailFile(shown, "ist ein Ordner, keine Datei.");
    if (!std::filesystem::is_regular_file(status))
        FailFile(shown, "ist keine gewöhnliche Datei.");

    // Pasted text reaches us as "Clipboard": always a table of text, whatever it looks like.
    const bool clipboard = source.filename() == "Clipboard";
    if (!clipboard && ProbeDatanormFile(source).isDatanorm) {
        ConvertDatanorm(FindDatanormDelivery(source), sink);
        return;
    }
    if (!clipboard && DetectSheetKind(source) == TSheetKind::OtherZip) {
        ConvertZip(source, sink);
        return;
    }
    ReadSpreadsheetOrText(source, sink);
}

} // namespace artikel::convert
