#include "converter/TSpreadsheetMlReader.h"

#include "converter/TCellFormat.h"
#include "converter/TConvertMessage.h"
#include "converter/TSheetChoice.h"
#include "converter/TXlsxParts.h"
#include "data/TReadOnlyFile.h"

#include <charconv>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

namespace artikel::convert {
namespace {

int ToInt(const char* text, int fallback)
{
    if (!text)
        return fallback;
    int v = fallback;
    const auto r = std::from_chars(text, text + std::strlen(text), v);
    return r.ec == std::errc() ? v : fallback;
}

// Days since 1970-01-01 of a civil date (proleptic Gregorian calendar).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

// The spreadsheet serial of "YYYY-MM-DDTHH:MM:SS[.fff]"; false when the text is no such date.
bool IsoToSerial(std::string_view iso, double& serial)
{
    auto num = [&](std::size_t pos, std::size_t n, int& out) {
        if (pos + n > iso.size())
            return false;
        out = 0;
        for (std::size_t i = pos; i < pos + n; ++i) {
            if (iso[i] < '0' || iso[i] > '9')
                return false;
            out = out * 10 + (iso[i] - '0');
        }
        return true;
    };
    int y, mo, d, h = 0, mi = 0, s = 0;
    if (!num(0, 4, y) || iso.size() < 10 || iso[4] != '-' || !num(5, 2, mo) || iso[7] != '-' || !num(8, 2, d))
        return false;
    if (mo < 1 || mo > 12 || d < 1 || d > 31)
        return false;
    if (iso.size() >= 16 && iso[10] == 'T') {
        if (!num(11, 2, h) || !num(14, 2, mi))
            return false;
        if (iso.size() >= 19)
            num(17, 2, s);
    }
    double days = static_cast<double>(DaysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d)) + 25569);
    if (days < 61)
        days -= 1; // before the leap day 1900 never had
    if (days < 0)
        return false;
    serial = days + (h * 3600 + mi * 60 + s) / 86400.0;
    return true;
}

// The named formats of the 2003 XML format, as a German spreadsheet program shows them.
TCellFormat NamedFormat(std::string_view name)
{
    static const std::pair<std::string_view, std::string_view> kNamed[] = {
        {"General", "General"},      {"General Number", "General"}, {"General Date", "dd.mm.yyyy hh:mm"},
        {"Long Date", "dd.mm.yyyy"}, {"Medium Date", "dd.mm.yyyy"}, {"Short Date", "dd.mm.yyyy"},
        {"Long Time", "hh:mm:ss"},   {"Medium Time", "hh:mm"},      {"Short Time", "hh:mm"},
        {"Currency", "#,##0.00"},    {"Euro Currency", "#,##0.00"}, {"Fixed", "0.00"},
        {"Standard", "#,##0.00"},    {"Percent", "0.00%"},          {"Scientific", "General"},
        {"Yes/No", "General"},       {"True/False", "General"},     {"On/Off", "General"},
    };
    for (const auto& [n, code] : kNamed)
        if (n == name)
            return TCellFormat::FromCode(code);
    return TCellFormat::FromCode(name);
}

// Rows of the worksheets a survey keeps, in all.
constexpr std::size_t kKeptSheetBytes = std::size_t{256} << 20;

// One pass over the file: either every worksheet into its own survey (target < 0), or the rows
// of one worksheet into the sink.
class Parser : public TXmlPart {
public:
    Parser(std::string shown, TConvertSink& sink, int target)
        : TXmlPart(std::move(shown), true),
          sink_(sink),
          target_(target)
    {}

    std::vector<std::string> names; // UTF-8
    std::vector<std::unique_ptr<TSheetSurvey>> surveys;
    std::vector<bool> dropped;
    bool sawWorkbook = false;

protected:
    void Start(std::string_view name, const char** attrs) override
    {
        if (name == "Workbook") {
            sawWorkbook = true;
        } else if (name == "Style") {
            const char* id = Attr(attrs, "ID");
            styleId_ = id ? id : "";
            if (const char* parent = Attr(attrs, "Parent"))
                parents_[styleId_] = parent;
        } else if (name == "NumberFormat" && !styleId_.empty()) {
            if (const char* f = Attr(attrs, "Format"))
                formats_[styleId_] = NamedFormat(f);
        } else if (name == "Worksheet") {
            const char* n = Attr(attrs, "Name");
            names.push_back(n ? n : "Tabelle" + std::to_string(names.size() + 1));
            dropped.push_back(false);
            if (target_ < 0) {
                std::size_t kept = 0;
                for (const auto& survey : surveys)
                    kept += survey->KeptBytes();
                surveys.push_back(std::make_unique<TSheetSurvey>(kKeptSheetBytes - std::min(kKeptSheetBytes, kept)));
            }
            inSheet_ = true;
            rowIndex_ = 0;
            rows_ = 0;
        } else if (name == "Row" && inSheet_) {
            const int index = ToInt(Attr(attrs, "Index"), 0);
            rowIndex_ = index > 0 ? static_cast<std::size_t>(index) : rowIndex_ + 1;
            column_ = 0;
            cells_.clear();
        } else if (name == "Cell" && inSheet_) {
            const int index = ToInt(Attr(attrs, "Index"), 0);
            column_ = index > 0 ? static_cast<std::size_t>(index) : column_ + 1;
            merge_ = static_cast<std::size_t>(std::max(0, ToInt(Attr(attrs, "MergeAcross"), 0)));
            const char* style = Attr(attrs, "StyleID");
            style_ = style ? style : "Default";
            inCell_ = true;
            value_.clear();
            type_.clear();
        } else if ((name == "Comment" || name == "PhoneticText") && inCell_) {
            ++ignored_;
        } else if (name == "Data" && inCell_ && ignored_ == 0) {
            const char* t = Attr(attrs, "Type");
            type_ = t ? t : "String";
            text_.clear();
            collecting_ = true;
        }
    }

    void End(std::string_view name) override
    {
        if (name == "Style") {
            styleId_.clear();
        } else if ((name == "Comment" || name == "PhoneticText") && ignored_ > 0) {
            --ignored_;
        } else if (name == "Data" && collecting_ && ignored_ == 0) {
            collecting_ = false;
            value_.swap(text_);
        } else if (name == "Cell" && inCell_) {
            inCell_ = false;
            std::string text = CellText();
            const std::size_t col = column_ - 1;
            column_ += merge_;
            if (text.empty())
                return;
            if (col >= TSpreadsheetMlReader::kMaxColumns) {
                dropped.back() = true;
                return;
            }
            if (cells_.size() <= col)
                cells_.resize(col + 1);
            cells_[col] = std::move(text);
        } else if (name == "Row" && inSheet_) {
            if (cells_.empty())
                return;
            if (++rows_ > TSpreadsheetMlReader::kMaxRows)
                FailFile(FileName(), "hat mehr Zeilen, als ein Tabellenblatt haben kann.");
            if (target_ < 0)
                surveys.back()->Row(cells_);
            else if (target_ == static_cast<int>(names.size()) - 1)
                sink_.Row(cells_);
            cells_.clear();
        } else if (name == "Worksheet") {
            inSheet_ = false;
        }
    }

private:
    TCellFormat FormatOf(const std::string& style) const
    {
        std::string id = style;
        for (int depth = 0; depth < 16; ++depth) {
            if (const auto f = formats_.find(id); f != formats_.end())
                return f->second;
            const auto p = parents_.find(id);
            if (p == parents_.end())
                break;
            id = p->second;
        }
        if (style != "Default")
            return FormatOf("Default");
        return {};
    }

    std::string CellText() const
    {
        if (value_.empty())
            return {};
        if (type_ == "Number") {
            std::size_t skip = 0;
            while (skip < value_.size() && (value_[skip] == ' ' || value_[skip] == '+'))
                ++skip;
            double number = 0;
            const auto r = std::from_chars(value_.data() + skip, value_.data() + value_.size(), number);
            if (r.ec == std::errc() && r.ptr == value_.data() + value_.size())
                return FormatCellNumber(number, FormatOf(style_), false);
        } else if (type_ == "DateTime") {
            const TCellFormat f = FormatOf(style_);
            double serial = 0;
            if ((f.kind == TCellFormat::Kind::Date || f.kind == TCellFormat::Kind::Time ||
                 f.kind == TCellFormat::Kind::DateTime) &&
                IsoToSerial(value_, serial))
                return FormatCellNumber(serial, f, false);
            return Utf8ToWin1252(IsoDateToGerman(value_));
        } else if (type_ == "Boolean") {
            return value_ == "1" || value_ == "true" ? "WAHR" : "FALSCH";
        } else if (type_ == "Error") {
            static const std::pair<std::string_view, const char*> kGerman[] = {
                {"#N/A", "#NV"}, {"#VALUE!", "#WERT!"}, {"#REF!", "#BEZUG!"}, {"#NUM!", "#ZAHL!"}};
            for (const auto& [code, german] : kGerman)
                if (value_ == code)
                    return german;
        }
        return Utf8ToWin1252(value_);
    }

    TConvertSink& sink_;
    int target_;
    std::map<std::string, TCellFormat> formats_;
    std::map<std::string, std::string> parents_;
    std::string styleId_;
    bool inSheet_ = false;
    bool inCell_ = false;
    int ignored_ = 0;
    std::size_t rowIndex_ = 0;
    std::size_t column_ = 0;
    std::size_t merge_ = 0;
    std::size_t rows_ = 0;
    std::string style_;
    std::string type_;
    std::string value_;
    std::vector<std::string> cells_;
};

} // namespace

bool LooksLikeSpreadsheetMl(std::string_view head)
{
    std::size_t i = 0;
    while (i < head.size() && (head[i] == ' ' || head[i] == '\t' || head[i] == '\r' || head[i] == '\n'))
        ++i;
    return i < head.size() && head[i] == '<' &&
        head.find("urn:schemas-microsoft-com:office:spreadsheet") != std::string_view::npos;
}

void TSpreadsheetMlReader::ReadFile(const std::filesystem::path& file, TConvertSink& sink)
{
    const std::string shown = file.filename().string();
    TFileView mapped;
    if (!mapped.Open(file))
        FailFile(shown, "konnte nicht gelesen werden.");
    ReadBytes(std::string_view(mapped.Data(), mapped.Size()), shown, sink);
}

void TSpreadsheetMlReader::ReadBytes(std::string_view bytes, const std::string& shown, TConvertSink& sink)
{
    // Every worksheet is surveyed; the chosen one is replayed from its survey, or read again
    // when it was too large to keep.
    Parser survey(shown, sink, -1);
    survey.Feed(bytes.data(), bytes.size(), true);
    if (!survey.sawWorkbook)
        FailFile(shown, "ist keine XML-Tabelle (SpreadsheetML).");
    std::vector<TSheetInfo> infos;
    for (std::size_t i = 0; i < survey.names.size(); ++i)
        infos.push_back(TSheetInfo::From(survey.names[i], false, *survey.surveys[i]));
    const std::size_t chosen = ChooseSheet(infos);
    if (chosen >= infos.size())
        FailFile(shown, "enthält kein Tabellenblatt mit Daten.");
    if (survey.surveys[chosen]->Complete()) {
        survey.surveys[chosen]->Replay(sink);
    } else {
        survey.surveys.clear();
        Parser again(shown, sink, static_cast<int>(chosen));
        again.Feed(bytes.data(), bytes.size(), true);
    }
    if (survey.dropped[chosen])
        sink.Note(Utf8ToWin1252("Das Blatt „" + survey.names[chosen] + "“ hat Werte rechts der Spalte " +
                                std::to_string(kMaxColumns) + "; sie wurden nicht übernommen."));
    const std::string note = SheetChoiceNote(shown, infos, chosen);
    if (!note.empty())
        sink.Note(note);
}

} // namespace artikel::convert
