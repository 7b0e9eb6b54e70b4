#include "catalog/TCSVRequest.h"

#include "catalog/CatalogHelpers.h"
#include "catalog/NodeFile.h"
#include "platform/Folders.h"
#include "platform/TextUtils.h"
#include "platform/Win1252.h"
#include "platform/uUserMode.h"

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>

namespace artikel {

namespace {

// The "items" array of a node document; nullptr when absent or not an array.
const TJSON* FilterItems(const TJSON& node)
{
    const TJSON* items = JsonFind(node, kNodeKeyItems);
    return items && items->is_array() ? items : nullptr;
}

TJSON* FilterItems(TJSON& node) { return const_cast<TJSON*>(FilterItems(static_cast<const TJSON&>(node))); }

// The same, created when absent or null; nullptr when it holds something else.
TJSON* MakeFilterItems(TJSON& node)
{
    TJSON& items = JsonMember(node, kNodeKeyItems);
    if (items.is_null())
        items = TJSON::array();
    return items.is_array() ? &items : nullptr;
}

std::string Trim(std::string_view s) { return std::string(TrimText(s)); }

// One name per line becomes a comma list.
std::string LinesToCommaList(std::string_view text)
{
    const std::string trimmed = Trim(text);
    std::string out;
    out.reserve(trimmed.size());
    for (size_t i = 0; i < trimmed.size(); ++i) {
        const char c = trimmed[i];
        if (c == '\r' && i + 1 < trimmed.size() && trimmed[i + 1] == '\n')
            ++i;
        out += (c == '\r' || c == '\n') ? ',' : c;
    }
    return out;
}

void SortByCaption(TJSON& items)
{
    std::stable_sort(items.begin(), items.end(), [](const TJSON& a, const TJSON& b) {
        return NaturalCompareText(JsonText(a, kNodeKeyCaption), JsonText(b, kNodeKeyCaption)) < 0;
    });
}

} // namespace

std::string FormatPriceFactor(double value, char decimalSeparator)
{
    if (!std::isfinite(value))
        value = 0.0;
    char buf[40];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
    std::string out(buf, r.ptr);
    std::replace(out.begin(), out.end(), '.', decimalSeparator);
    return out;
}

double ParsePriceFactor(std::string_view text)
{
    std::string s = Trim(text);
    std::replace(s.begin(), s.end(), ',', '.');
    if (!s.empty() && s.front() == '+')
        s.erase(0, 1);
    double value = 0.0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size() || !std::isfinite(value))
        return 0.0;
    return value;
}

char LocaleDecimalSeparator()
{
    const std::lconv* lc = std::localeconv();
    if (lc && lc->decimal_point && lc->decimal_point[0] && !lc->decimal_point[1])
        return lc->decimal_point[0];
    return '.';
}

double PriceTextToNumber(std::string_view text, char decimalSeparator)
{
    std::string s = Trim(text);
    std::replace(s.begin(), s.end(), '.', decimalSeparator);
    if (decimalSeparator != '.') {
        if (s.find('.') != std::string::npos)
            return 0.0;
        std::replace(s.begin(), s.end(), decimalSeparator, '.');
    }
    if (!s.empty() && s.front() == '+')
        s.erase(0, 1);
    double value = 0.0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size() || !std::isfinite(value))
        return 0.0;
    return value;
}

std::string FormatPrice(double value, char decimalSeparator)
{
    if (!std::isfinite(value))
        value = 0.0;
    char buf[400];
    const int n = std::snprintf(buf, sizeof buf, "%.2f", value);
    std::string_view digits(buf, n > 0 ? static_cast<size_t>(n) : 0);
    std::string out;
    if (digits.starts_with('-')) {
        digits.remove_prefix(1);
        if (digits != "0.00")
            out += '-';
    }
    // "#": no digit before the point when the integer part is 0.
    if (digits.starts_with("0."))
        digits.remove_prefix(1);
    for (char c : digits)
        out += c == '.' ? decimalSeparator : c;
    return out;
}

std::string PositionDisplayText(const std::array<std::string_view, 7>& f)
{
    std::string out = "<font color:\"clblack\"/font>";
    out += f[pfDescription];
    out += " </b>";
    out += f[pfPartNo];
    out += "<br><b><font color:\"clblue\"/font>";
    if (!f[pfQuantity].empty()) {
        out += f[pfQuantity];
        out += "* ";
    }
    out += f[pfPrice];
    if (!f[pfPos].empty()) {
        out += " Pos. ";
        out += f[pfPos];
    }
    out += " </b><font color:\"clblack\"/font><font color:\"clgray\"/font>";
    std::string_view longText = f[pfLongText];
    if (longText.size() > 200) {
        out += longText.substr(0, 198);
        out += "..";
    } else {
        out += longText;
    }
    return out;
}

TCSVRequest::TCSVRequest(const std::string& clientRoot, std::unique_ptr<IOfficeLink> officeLink)
    : TCSVRequest(clientRoot)
{
    officeLink_ = std::move(officeLink);
    purchaseType_ = GetCurrentOrder().PurchaseType;
}

TCSVRequest::TCSVRequest(const std::string& clientRoot)
    : rootFolder_(
          IncludeBackslash(IncludeBackslash(clientRoot.empty() ? GetClientRoot() : clientRoot) + kCatalogRootName)),
      nodesFolder_(rootFolder_ + "nodes" + kPathDelim),
      basketsFolder_(rootFolder_ + "baskets" + kPathDelim),
      decimalSeparator_(LocaleDecimalSeparator()),
      positionSet_(std::make_unique<TListDataSetEx>())
{
    for (const std::string* folder : {&rootFolder_, &nodesFolder_, &basketsFolder_}) {
        try {
            ForceFolders(*folder);
        } catch (const std::exception&) {
        }
    }
    SetUserModeFolder(rootFolder_);
    positionSet_->Open();
}

TCSVRequest::~TCSVRequest() = default;

void TCSVRequest::ReloadNodes()
{
    std::lock_guard lock(nodeLock_);
    nodeList_.clear();
    for (const std::string& file : ListFilesRecursive(nodesFolder_, "*.json")) {
        bool changed = false;
        std::optional<TJSON> doc = ReadNodeFile(file);
        if (!doc) {
            doc = ReadNodeFile(NodeBackupFileName(file));
            if (!doc)
                continue;
            changed = true; // the node file is written back from its backup
        }
        auto node = std::make_unique<TJSON>(std::move(*doc));
        SetJsonTextUtf8(*node, kNodeKeyNodeFile, file);
        SetJsonTextUtf8(*node, kNodeKeyNodePath, ExtractFilePath(file));
        if (JsonText(*node, kNodeKeyCaption).empty())
            SetJsonTextUtf8(*node, kNodeKeyCaption, ExtractFileName(file));
        if (TJSON* items = FilterItems(*node)) {
            for (TJSON& item : *items) {
                if (JsonText(item, kNodeKeyUid).empty()) {
                    SetJsonText(item, kNodeKeyUid, NewGuidText());
                    changed = true;
                }
                if (JsonText(item, kNodeKeyCaption).empty() && !JsonText(item, kNodeKeyFilter).empty()) {
                    JsonMember(item, kNodeKeyCaption) = JsonTextUtf8(item, kNodeKeyFilter);
                    changed = true;
                }
            }
            SortByCaption(*items);
        }
        if (JsonText(*node, kNodeKeyUid).empty()) {
            SetJsonText(*node, kNodeKeyUid, NewGuidText());
            changed = true;
        }
        if (changed)
            SaveNodeFile(*node, file);
        nodeList_.push_back(std::move(node));
    }
    std::stable_sort(nodeList_.begin(), nodeList_.end(), [](const auto& a, const auto& b) {
        return NaturalCompareText(JsonText(*a, kNodeKeyCaption), JsonText(*b, kNodeKeyCaption)) < 0;
    });
}

std::unique_lock<std::recursive_mutex> TCSVRequest::LockNodeList() const { return std::unique_lock(nodeLock_); }

std::vector<TJSON*> TCSVRequest::Nodes() const
{
    std::lock_guard lock(nodeLock_);
    std::vector<TJSON*> out;
    out.reserve(nodeList_.size());
    for (const auto& node : nodeList_)
        out.push_back(node.get());
    return out;
}

std::size_t TCSVRequest::NodeCount() const
{
    std::lock_guard lock(nodeLock_);
    return nodeList_.size();
}

TJSON* TCSVRequest::FindNode(std::string_view id) const
{
    std::lock_guard lock(nodeLock_);
    for (const auto& node : nodeList_) {
        if (JsonText(*node, kNodeKeyUid) == id)
            return node.get();
        if (const TJSON* items = FilterItems(static_cast<const TJSON&>(*node)))
            for (const auto& item : *items)
                if (JsonText(item, kNodeKeyUid) == id)
                    return node.get();
    }
    return nullptr;
}

TJSON* TCSVRequest::FindFilter(std::string_view id) const
{
    std::lock_guard lock(nodeLock_);
    for (const auto& node : nodeList_) {
        if (TJSON* items = FilterItems(*node))
            for (auto& item : *items)
                if (JsonText(item, kNodeKeyUid) == id)
                    return &item;
    }
    return nullptr;
}

std::string TCSVRequest::NeighbourNodeId(std::string_view id) const
{
    std::lock_guard lock(nodeLock_);
    for (size_t i = 0; i < nodeList_.size(); ++i) {
        if (JsonText(*nodeList_[i], kNodeKeyUid) != id)
            continue;
        if (i > 0)
            return JsonText(*nodeList_[i - 1], kNodeKeyUid);
        if (nodeList_.size() > 1)
            return JsonText(*nodeList_[1], kNodeKeyUid);
        return {};
    }
    return {};
}

std::string TCSVRequest::AddFilter(TJSON& node, std::string_view findText)
{
    std::lock_guard lock(nodeLock_);
    TJSON* items = MakeFilterItems(node);
    if (!items)
        return {};
    for (const auto& item : *items) {
        const std::string filter = JsonText(item, kNodeKeyFilter);
        if (filter.size() == findText.size() && SameTextNoCase(filter, findText))
            return JsonText(item, kNodeKeyUid);
    }
    const std::string uid = NewGuidText();
    TJSON item = TJSON::object();
    SetJsonText(item, kNodeKeyFilter, findText);
    SetJsonText(item, kNodeKeyUid, uid);
    items->push_back(std::move(item));
    return uid;
}

std::string TCSVRequest::RemoveFilter(TJSON& node, std::string_view filterId)
{
    std::lock_guard lock(nodeLock_);
    std::string result = JsonText(node, kNodeKeyUid);
    TJSON* items = FilterItems(node);
    if (!items)
        return result;
    for (size_t i = 0; i < items->size(); ++i) {
        if (JsonText((*items)[i], kNodeKeyUid) != filterId)
            continue;
        items->erase(i);
        if (i < items->size())
            result = JsonText((*items)[i], kNodeKeyUid);
        else if (!items->empty())
            result = JsonText((*items)[0], kNodeKeyUid);
        return result;
    }
    return result;
}

TCSVSetup TCSVRequest::LoadCSVSetup(const TJSON& node) const
{
    TCSVSetup setup;
    for (size_t i = 0; i < kPositionFieldNames.size(); ++i) {
        setup.SourceColumns[i] = JsonText(node, kPositionFieldNames[i]);
        setup.Assigned = setup.Assigned || !setup.SourceColumns[i].empty();
    }
    setup.PriceFactor = ParsePriceFactor(JsonText(node, kNodeKeyPriceFactor));
    return setup;
}

bool TCSVRequest::SaveCSVSetup(TJSON& node, const TCSVSetup& setup)
{
    for (size_t i = 0; i < kPositionFieldNames.size(); ++i)
        SetJsonText(node, kPositionFieldNames[i], LinesToCommaList(setup.SourceColumns[i]));
    SetJsonText(node, kNodeKeyPriceFactor, FormatPriceFactor(setup.PriceFactor, decimalSeparator_));
    if (JsonTextUtf8(node, kNodeKeyNodeFile).empty())
        return true;
    return SaveNode(node);
}

std::array<std::string, 7> TCSVRequest::BuildPosition(const TListDataSet& source, const TCSVSetup& setup) const
{
    std::array<std::string, 7> out;
    for (size_t target = 0; target < out.size(); ++target) {
        std::string text;
        bool anyColumn = false;
        for (const std::string& column : SplitColumnList(setup.SourceColumns[target])) {
            const int slot = source.ColumnIndex(column);
            if (slot < 0)
                continue;
            anyColumn = true;
            std::string value(source.Cell(source.CurrentRow(), slot));
            if (target == pfPrice || target == pfQuantity)
                std::replace(value.begin(), value.end(), '.', decimalSeparator_);
            text += value;
            text += ' ';
        }
        // Joined by one blank each; an empty text leaves only its blank, which the trim removes
        // at the ends.
        text = Trim(text);
        if (target == pfPrice && !purchaseType_)
            text = FormatPrice(PriceTextToNumber(text, decimalSeparator_) * setup.PriceFactor, decimalSeparator_);
        else if (target == pfQuantity && !anyColumn)
            text.assign(1, '1'); // (assigning the literal trips a false -Wrestrict of GCC 12)
        out[target] = std::move(text);
    }
    return out;
}

void TCSVRequest::MakePosition(const TListDataSet& source, const TCSVSetup& setup, bool refresh)
{
    std::array<std::string, 7> fields = BuildPosition(source, setup);
    auto row = std::make_unique<TListRecordData>();
    for (size_t i = 0; i < fields.size(); ++i)
        (*row)[i] = std::move(fields[i]);
    positionSet_->AddRecord(std::move(row), true, refresh);
    if (refresh)
        positionSet_->Last();
}

bool TCSVRequest::CanPost() { return officeLink_ && officeLink_->CanPost(); }

bool TCSVRequest::SendPositions(bool clearAfter)
{
    bool replied = false;
    try {
        if (officeLink_ && positionSet_->RecordCount() > 0)
            replied = officeLink_->SendPositions(*positionSet_);
    } catch (...) {
        if (clearAfter)
            positionSet_->Clear();
        throw;
    }
    if (clearAfter)
        positionSet_->Clear();
    return replied;
}

TCurrentOrder TCSVRequest::GetCurrentOrder() { return officeLink_ ? officeLink_->GetCurrentOrder() : TCurrentOrder{}; }

std::string TCSVRequest::PositionDisplayText(int viewRow) const
{
    if (viewRow < 0 || viewRow >= positionSet_->RecordCount())
        return {};
    std::array<std::string_view, 7> fields;
    for (size_t i = 0; i < fields.size(); ++i)
        fields[i] = positionSet_->Cell(viewRow, static_cast<int>(i));
    return artikel::PositionDisplayText(fields);
}

std::string TCSVRequest::PositionDisplayText() const { return PositionDisplayText(positionSet_->CurrentRow()); }

bool TCSVRequest::SaveNode(const TJSON& node) const { return SaveNodeFile(node, JsonTextUtf8(node, kNodeKeyNodeFile)); }

} // namespace artikel
