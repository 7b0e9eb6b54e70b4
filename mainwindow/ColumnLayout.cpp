#include "mainwindow/ColumnLayout.h"

#include "platform/FileRetry.h"

#include <algorithm>
#include <charconv>
#include <exception>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace artikel {

namespace {

constexpr std::string_view kSignature = "ARTIKELBLICK-COLUMNS 1";
constexpr size_t kMaxColumns = 1000;
constexpr int kMaxWidth = 100000;

bool ParseInt(std::string_view text, int low, int high, int& value)
{
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && value >= low && value <= high;
}

std::vector<std::string_view> SplitTabs(std::string_view line)
{
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (true) {
        const size_t tab = line.find('\t', start);
        parts.push_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
        if (tab == std::string_view::npos)
            return parts;
        start = tab + 1;
    }
}

} // namespace

std::string CoxFileName(const std::string& layoutName) { return layoutName + ".COX"; }

std::string EncodeColumns(const std::vector<TColumnState>& columns)
{
    std::string out(kSignature);
    out += "\r\n";
    for (const TColumnState& c : columns) {
        // Field names never hold tabs or line ends; drop them rather than write a broken line.
        for (char ch : c.fieldName)
            if (ch != '\t' && ch != '\r' && ch != '\n')
                out += ch;
        out += '\t' + std::to_string(c.width) + '\t' + (c.visible ? '1' : '0') + '\t' +
            std::to_string(static_cast<int>(c.alignment)) + '\t' + std::to_string(static_cast<int>(c.titleAlignment)) +
            "\r\n";
    }
    return out;
}

std::optional<std::vector<TColumnState>> DecodeColumns(std::string_view text)
{
    const std::vector<std::string> lines = SplitLines(text);
    if (lines.empty() || lines[0] != kSignature || lines.size() - 1 > kMaxColumns)
        return std::nullopt;
    std::vector<TColumnState> columns;
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string_view> parts = SplitTabs(lines[i]);
        int width = 0, visible = 0, align = 0, titleAlign = 0;
        if (parts.size() != 5 || parts[0].empty() || !ParseInt(parts[1], 0, kMaxWidth, width) ||
            !ParseInt(parts[2], 0, 1, visible) || !ParseInt(parts[3], 0, 2, align) ||
            !ParseInt(parts[4], 0, 2, titleAlign))
            return std::nullopt;
        columns.push_back({std::string(parts[0]), width, visible == 1, static_cast<TColumnAlignment>(align),
                           static_cast<TColumnAlignment>(titleAlign)});
    }
    return columns;
}

std::string EncodeGridOptions(const TGridOptions& o)
{
    std::string out;
    out += o.columnLines ? "1\r\n" : "0\r\n";
    out += o.rowLines ? "1\r\n" : "0\r\n";
    for (char ch : o.currentField)
        if (ch != '\r' && ch != '\n')
            out += ch;
    out += "\r\n";
    out += o.autoSize ? "1\r\n" : "0\r\n";
    return out;
}

TGridOptions DecodeGridOptions(std::string_view text)
{
    const std::vector<std::string> lines = SplitLines(text);
    auto line = [&](size_t i) { return i < lines.size() ? std::string_view(lines[i]) : std::string_view(); };
    TGridOptions o;
    o.columnLines = line(0) == "1";
    o.rowLines = line(1) == "1";
    o.currentField = std::string(line(2));
    o.autoSize = line(3) == "1";
    return o;
}

int WidthTrackMaximum(const std::vector<int>& visibleWidths, int selected, bool autoSize)
{
    if (!autoSize)
        return kMaxColumnWidth;
    int sum = 0, before = 0, after = 0;
    for (int i = 0; i < static_cast<int>(visibleWidths.size()); ++i) {
        sum += visibleWidths[static_cast<size_t>(i)];
        if (i < selected)
            before += visibleWidths[static_cast<size_t>(i)];
        else if (i > selected)
            ++after;
    }
    return std::max(kMinColumnWidth, sum - before - after * kMinColumnWidth);
}

int EqualColumnWidth(int gridWidth, int count, bool indicator, bool marker, int lineWidth)
{
    if (count <= 0)
        return 0;
    int width = gridWidth;
    if (indicator)
        width -= 12;
    if (marker)
        width -= 14;
    width -= count * lineWidth;
    return width / count;
}

namespace {

bool ReadWholeFile(const std::string& name, std::string& out)
{
    std::ifstream in(name, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    out = buffer.str();
    return !in.bad();
}

} // namespace

std::optional<TGridOptions> ReadGridOptions(const std::string& layoutName)
{
    const std::string cox = CoxFileName(layoutName);
    std::string text;
    std::error_code ec;
    if (!std::filesystem::exists(cox, ec) || !ReadWholeFile(cox, text))
        return std::nullopt;
    return DecodeGridOptions(text);
}

TSavedColumns ReadSavedColumns(const std::string& layoutName)
{
    TSavedColumns saved;
    const std::string col = ColFileName(layoutName);
    std::error_code ec;
    if (!std::filesystem::exists(col, ec))
        return saved;
    saved.present = true;
    std::string text;
    if (ReadWholeFile(col, text))
        saved.columns = DecodeColumns(text);
    if (!saved.columns)
        std::filesystem::remove(col, ec);
    return saved;
}

std::string PictureFolder(const std::string& layoutName)
{
    return (std::filesystem::path(layoutName).parent_path() / "images").string() + "/";
}

std::string ResolvePictureLink(const std::string& folder, const std::string& name)
{
    const std::filesystem::path base = std::filesystem::path(folder).lexically_normal();
    const std::filesystem::path path = (base / std::filesystem::path(name).relative_path()).lexically_normal();
    std::error_code ec;
    if (!path.string().starts_with(base.string()) || !std::filesystem::is_regular_file(path, ec))
        return {};
    return path.string();
}

std::string WritePictureHint(const std::string& folder)
{
    const std::string hint = folder + kPictureHintFile;
    try {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        WriteFileAtomic(hint, "Bilder m\xFCssen in dieses Verzeichnis gelegt werden\r\n", TLinkPolicy::Replace);
    } catch (const std::exception&) {
        // The folder is shown even when the note cannot be written.
    }
    return hint;
}

} // namespace artikel
