#include "converter/TXlsxReader.h"

#include "converter/TConvertMessage.h"
#include "converter/TSheetChoice.h"
#include "converter/TXlsxParts.h"
#include "converter/ZipHandles.h"

#include <algorithm>
#include <memory>
#include <vector>
#include <zip.h>

namespace artikel::convert {
namespace {

bool EndsWith(std::string_view s, std::string_view suffix)
{
    return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

// The part a relationship target names: relative to the folder of the part that holds the
// relation ("xl/"), or absolute from the package root; "." and ".." resolved.
std::string ResolveTarget(std::string_view baseFolder, std::string_view target)
{
    std::string joined = !target.empty() && target[0] == '/' ? std::string(target.substr(1))
                                                             : std::string(baseFolder) + std::string(target);
    std::vector<std::string> parts;
    std::size_t pos = 0;
    while (pos <= joined.size()) {
        std::size_t slash = joined.find('/', pos);
        if (slash == std::string::npos)
            slash = joined.size();
        const std::string part = joined.substr(pos, slash - pos);
        pos = slash + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::string out;
    for (const auto& p : parts) {
        if (!out.empty())
            out += '/';
        out += p;
    }
    return out;
}

class Package {
public:
    Package(const std::filesystem::path& file, const TZipLimits& limits)
        : shown_(file.filename().string()),
          limits_(limits)
    {
        int err = 0;
        archive_.reset(zip_open(file.c_str(), ZIP_RDONLY, &err));
        if (!archive_)
            FailFile(shown_, "ist keine lesbare Excel-Arbeitsmappe (.xlsx).");
    }

    bool Has(const std::string& name) const { return Locate(name) >= 0; }

    // Streams one part into a parser; false when the part does not exist.
    bool Parse(const std::string& name, TXmlPart& part)
    {
        const zip_int64_t index = Locate(name);
        if (index < 0)
            return false;
        const auto i = static_cast<zip_uint64_t>(index);
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(archive_.get(), i, 0, &st) != 0)
            FailFile(shown_, "ist beschädigt.");
        if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE)
            FailFile(shown_, "ist verschlüsselt oder kennwortgeschützt.");
        const std::uint64_t compressed = (st.valid & ZIP_STAT_COMP_SIZE) ? st.comp_size : 0;
        if ((st.valid & ZIP_STAT_SIZE) &&
            (st.size > limits_.maxEntryBytes ||
             (st.size >= limits_.ratioFromBytes &&
              st.size / std::max<std::uint64_t>(compressed, 1) > limits_.maxRatio)))
            FailFile(shown_, "ist beschädigt oder unzulässig stark gepackt (Zip-Bombe?).");
        TZipEntryPtr in(zip_fopen_index(archive_.get(), i, 0));
        if (!in)
            FailFile(shown_, "ist beschädigt (" + name + ").");
        std::uint64_t total = 0;
        for (;;) {
            const zip_int64_t n = zip_fread(in.get(), buffer_.data(), buffer_.size());
            if (n < 0)
                FailFile(shown_, "ist beschädigt (" + name + ").");
            total += static_cast<std::uint64_t>(n);
            inflated_ += static_cast<std::uint64_t>(n);
            if (total > limits_.maxEntryBytes || inflated_ > limits_.maxTotalBytes ||
                (total >= limits_.ratioFromBytes && total / std::max<std::uint64_t>(compressed, 1) > limits_.maxRatio))
                FailFile(shown_, "ist beschädigt oder unzulässig stark gepackt (Zip-Bombe?).");
            part.Feed(buffer_.data(), static_cast<std::size_t>(n), n == 0);
            if (n == 0)
                break;
        }
        return true;
    }

    const std::string& Shown() const { return shown_; }

private:
    zip_int64_t Locate(const std::string& name) const
    {
        return zip_name_locate(archive_.get(), name.c_str(), ZIP_FL_NOCASE | ZIP_FL_ENC_GUESS);
    }

    TZipArchivePtr archive_;
    std::string shown_;
    TZipLimits limits_;
    std::uint64_t inflated_ = 0;
    std::vector<char> buffer_ = std::vector<char>(256 * 1024);
};

std::string FolderOf(const std::string& part)
{
    const std::size_t slash = part.rfind('/');
    return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

std::string RelsOf(const std::string& part)
{
    const std::size_t slash = part.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
    const std::string file = slash == std::string::npos ? part : part.substr(slash + 1);
    return folder + "_rels/" + file + ".rels";
}

} // namespace

namespace {
// What the surveyed sheets of one workbook may keep in memory.
constexpr std::size_t kKeptSheetBytes = std::size_t{256} << 20;
} // namespace

TZipLimits TXlsxReader::DefaultLimits()
{
    TZipLimits limits;
    // Sheet XML is very repetitive: a generous ratio, but a hard cap on what is inflated.
    limits.maxRatio = 1000;
    limits.ratioFromBytes = std::uint64_t{16} << 20;
    limits.maxEntryBytes = std::uint64_t{2} << 30;
    limits.maxTotalBytes = std::uint64_t{3} << 30;
    return limits;
}

TXlsxReader::TXlsxReader(TZipLimits limits)
    : limits_(limits)
{}

void TXlsxReader::ReadFile(const std::filesystem::path& file, TConvertSink& sink)
{
    Package package(file, limits_);
    const std::string& shown = package.Shown();

    std::string workbookPart = "xl/workbook.xml";
    {
        TXlsxRelations rootRels(shown);
        if (package.Parse("_rels/.rels", rootRels)) {
            for (const auto& [id, rel] : rootRels.relations)
                if (EndsWith(rel.type, "/officeDocument"))
                    workbookPart = ResolveTarget("", rel.target);
        }
    }
    TXlsxWorkbook workbook(shown);
    if (!package.Parse(workbookPart, workbook)) {
        if (package.Has("xl/workbook.bin"))
            FailFile(shown, "ist im Binärformat .xlsb gespeichert; bitte in Excel als .xlsx oder .csv speichern.");
        if (package.Has("content.xml"))
            FailFile(shown, "ist eine OpenDocument-Tabelle; bitte als .xlsx oder .csv speichern.");
        FailFile(shown, "ist keine Excel-Arbeitsmappe (.xlsx): die Mappe fehlt im Archiv.");
    }
    TXlsxRelations rels(shown);
    package.Parse(RelsOf(workbookPart), rels);
    const std::string base = FolderOf(workbookPart);

    std::string sharedPart = base + "sharedStrings.xml";
    std::string stylesPart = base + "styles.xml";
    for (const auto& [id, rel] : rels.relations) {
        if (EndsWith(rel.type, "/sharedStrings"))
            sharedPart = ResolveTarget(base, rel.target);
        else if (EndsWith(rel.type, "/styles"))
            stylesPart = ResolveTarget(base, rel.target);
    }
    TXlsxSharedStrings shared(shown);
    package.Parse(sharedPart, shared);
    TXlsxStyles styles(shown);
    package.Parse(stylesPart, styles);
    const std::vector<TCellFormat> formats = styles.CellFormats();

    // Worksheets in workbook order; relations that lead to no worksheet (charts) are left out.
    struct Candidate {
        std::string name;
        std::string part;
        bool hidden = false;
    };
    std::vector<Candidate> order;
    for (const auto& sheet : workbook.sheets) {
        const auto it = rels.relations.find(sheet.relId);
        if (it == rels.relations.end() || !EndsWith(it->second.type, "/worksheet"))
            continue;
        order.push_back({sheet.name, ResolveTarget(base, it->second.target), sheet.hidden});
    }
    if (order.empty() && package.Has(base + "worksheets/sheet1.xml"))
        order.push_back({"Tabelle1", base + "worksheets/sheet1.xml"}); // a workbook without relations

    // A single sheet streams straight through; of several, each is surveyed first, its rows
    // kept within a budget so that the chosen one is not read twice.
    std::size_t chosen = 0;
    std::vector<TSheetInfo> infos;
    std::vector<std::unique_ptr<TSheetSurvey>> surveys;
    std::vector<bool> dropped;
    if (order.size() > 1) {
        std::size_t budget = kKeptSheetBytes;
        for (const auto& c : order) {
            surveys.push_back(std::make_unique<TSheetSurvey>(budget));
            TXlsxSheetParser parser(shown, shared.strings, formats, workbook.date1904, *surveys.back());
            package.Parse(c.part, parser);
            infos.push_back(TSheetInfo::From(c.name, c.hidden, *surveys.back()));
            dropped.push_back(parser.ColumnsDropped());
            budget -= std::min(budget, surveys.back()->KeptBytes());
        }
        chosen = ChooseSheet(infos);
    }
    if (chosen >= order.size())
        FailFile(shown, "enthält kein Tabellenblatt mit Daten.");
    bool columnsDropped = false;
    if (!surveys.empty() && surveys[chosen]->Complete()) {
        surveys[chosen]->Replay(sink);
        columnsDropped = dropped[chosen];
    } else {
        TXlsxSheetParser parser(shown, shared.strings, formats, workbook.date1904, sink);
        if (!package.Parse(order[chosen].part, parser) || parser.RowsDelivered() == 0)
            FailFile(shown, "enthält kein Tabellenblatt mit Daten.");
        columnsDropped = parser.ColumnsDropped();
    }
    surveys.clear();
    if (columnsDropped)
        sink.Note(Utf8ToWin1252("Das Blatt „" + order[chosen].name + "“ hat Werte rechts der Spalte " +
                                std::to_string(TXlsxSheetParser::kMaxColumns) + "; sie wurden nicht übernommen."));
    const std::string note = SheetChoiceNote(shown, infos, chosen);
    if (!note.empty())
        sink.Note(note);
}

} // namespace artikel::convert
