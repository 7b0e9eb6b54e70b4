#pragma once

// The in-memory, read-only table of one database: a CSV file read completely into memory, with
// named text fields, a current row, record numbers and bookmarks, and the filter, locate and sort
// behind the find box and the grid.

#include "data/IDataSetObserver.h"
#include "data/TListRecordData.h"
#include "data/TRowStore.h"
#include "data/TStream.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace artikel {

// A dataset operation failed; the text is the user-visible message (Windows-1252).
class EDataSetError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A header text made into a field name: letters, digits and parentheses kept, "ß" kept,
// "%" -> "Proz", "+" -> "und", "€" -> "Euro", everything else dropped.
std::string SanitizeFieldName(std::string_view header);

// A position in the view when it was taken; not stable across a load, sort, filter or deletion.
using TBookmark = int32_t;

// A read-only text field; field number k (1-based) reads cell k-1 of a row.
class TField {
public:
    const std::string& FieldName() const { return name_; }
    int FieldNo() const { return fieldNo_; }
    // The cell slot the field reads.
    int Slot() const { return fieldNo_ - 1; }
    // The value in the current row (empty when there is none).
    std::string_view Value() const;
    std::string AsString() const { return std::string(Value()); }
    bool IsNull() const { return Value().empty(); }
    TListDataSet& DataSet() const { return *dataSet_; }

private:
    friend class TListDataSet;
    TField(TListDataSet* dataSet, std::string name, int fieldNo)
        : dataSet_(dataSet),
          name_(std::move(name)),
          fieldNo_(fieldNo)
    {}

    TListDataSet* dataSet_;
    std::string name_;
    int fieldNo_;
};

class TListDataSet {
public:
    static constexpr int kSaveBufferSize = 65535;

    TListDataSet();
    virtual ~TListDataSet();
    TListDataSet(const TListDataSet&) = delete;
    TListDataSet& operator=(const TListDataSet&) = delete;

    // --- loading and saving ---
    // Replaces everything with the file's rows. Raises "OSError" when the file cannot be read and
    // "to many cols" (after loading the rest) when a line has more than 100 fields.
    void LoadFromFile(const std::filesystem::path& fileName);
    // Header and the rows of the view, every value quoted, "," between, CR LF line ends.
    // The file is replaced atomically (written beside it, then renamed).
    void SaveToFile(const std::filesystem::path& fileName);
    void SaveToStream(TStream& stream);

    // --- open state and fields ---
    // Builds the fields from the headers (also on an empty dataset).
    void Open();
    // Releases the fields; keeps rows and headers.
    void Close();
    bool Active() const { return open_; }
    int FieldCount() const { return static_cast<int>(fields_.size()); }
    TField& Field(int index) const { return *fields_[static_cast<size_t>(index)]; }
    // nullptr when there is no such field (names compared ignoring case).
    TField* FindField(std::string_view name);
    // Raises "Das Feld '<name>' wurde nicht gefunden" when there is no such field.
    TField& FieldByName(std::string_view name);
    // The header slot (0..100) named `name` ignoring case, or -1.
    int ColumnIndex(std::string_view name) const;
    // Raw header cells after a load, final field names once open.
    const std::string& Header(int slot) const { return headers_[static_cast<size_t>(slot)]; }
    void SetHeader(int slot, std::string text) { headers_[static_cast<size_t>(slot)] = std::move(text); }
    char Separator() const { return separator_; }
    const std::string& ErrorText() const { return errorText_; }
    // Files of at least this many bytes are parsed on two cores (default 4 MiB).
    void SetParallelLoadMinimum(size_t bytes) { parallelLoadMinimum_ = bytes; }

    // --- rows ---
    // Appends the row (to the filtered view too when `alsoIntoFiltered` and a filter is in force).
    void AddRecord(std::unique_ptr<TListRecordData> row, bool alsoIntoFiltered, bool refresh);
    // Frees every row; filter state and headers stay.
    void ClearRecords();
    // ClearRecords, and refresh the view when open.
    void Clear();
    // Deletes the current row of the view.
    void Delete();

    int RecordCount() const { return static_cast<int>(View().size()); }
    int TotalCount() const { return static_cast<int>(allRows_.size()); }
    int FilteredCount() const { return static_cast<int>(filteredRows_.size()); }
    // Cell `slot` of the row at `viewRow` (0-based) of the view; empty when out of range.
    std::string_view Cell(int viewRow, int slot) const;

    // --- cursor ---
    void First();
    void Last();
    // False (and Eof) at the last row.
    bool Next();
    // False (and Bof) at the first row.
    bool Prior();
    bool Eof() const { return eof_; }
    bool Bof() const { return bof_; }
    // 1-based number of the current row; -1 when closed or empty.
    int RecNo() const;
    // Values outside 1..RecordCount are ignored.
    void SetRecNo(int recNo);
    // Position of the current row in the view, or -1 when there is none.
    int CurrentRow() const;
    TBookmark GetBookmark() const { return CurrentRow(); }
    void GotoBookmark(TBookmark bookmark);
    bool BookmarkValid(TBookmark bookmark) const { return bookmark >= 0 && bookmark < RecordCount(); }

    // --- observers and suspending ---
    void AddObserver(IDataSetObserver* observer);
    void RemoveObserver(IDataSetObserver* observer);
    // A bracket of changes: observers hear of them once it closes (pairs nest). Prefer
    // TControlsGuard, which closes the bracket also when an error leaves the scope.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return disableCount_ > 0; }

    // --- filtering, locating, sorting ---
    // The find box's filter: optional "column=" prefix, blank-separated tokens, "*" removed,
    // tokens wrapped in "*" when `wrapTokens`. True when some row was kept.
    bool ApplyFilter(std::string_view findText, bool wrapTokens, bool everyToken);
    bool SelectRows(std::string_view column, std::string_view pattern, bool everyToken, bool keepAsFilter);
    // Drops the filter; returns how many rows it had kept.
    int ClearFilter();
    // Makes the first matching row of all rows current; the view becomes unfiltered.
    bool Locate(std::string_view fieldName, std::string_view value);
    // Stable ascending sort of the view by the field's cells (SortTextCompare).
    void SortByColumn(std::string_view fieldName);
    void RefreshView(bool resort);

    const std::string& FilterText() const { return filterText_; }
    const std::string& SortColumn() const { return sortColumn_; }
    bool Filtered() const { return filtered_; }

protected:
    virtual void BuildFields();

    std::array<std::string, kRecordCells> headers_;

private:
    friend class TField;

    const std::vector<TRowId>& View() const { return filtered_ ? filteredRows_ : allRows_; }
    std::vector<TRowId>& View() { return filtered_ ? filteredRows_ : allRows_; }
    void LoadRows(const std::filesystem::path& fileName);
    void MoveCursor(int cursor);
    void NotifyBegin();
    void NotifyEnd();
    void NotifyRefreshed();
    void NotifyCursor();
    void SortRows(std::vector<TRowId>& rows, int slot) const;

    std::string filterText_;
    char separator_ = ',';
    std::string errorText_;
    int cursor_ = -1;
    bool eof_ = true;
    bool bof_ = true;
    std::unordered_map<std::string, TField*> fieldCache_;
    std::string sortColumn_;
    TRowStore store_;
    std::vector<TRowId> allRows_;
    std::vector<TRowId> filteredRows_;
    bool filtered_ = false;
    // The slot by which allRows_ is in sorted order (-1: none known), and whether filteredRows_
    // lies in allRows_ order: then a re-sort by that slot would change nothing.
    int allRowsSortedBy_ = -1;
    bool filteredInAllRowsOrder_ = false;
    bool open_ = false;
    std::vector<std::unique_ptr<TField>> fields_;
    std::vector<IDataSetObserver*> observers_;
    int disableCount_ = 0;
    size_t parallelLoadMinimum_ = size_t(4) << 20;
};

// Holds a dataset's change bracket (DisableControls .. EnableControls) for its scope; every
// operation that changes rows or the view opens one.
class TControlsGuard {
public:
    explicit TControlsGuard(TListDataSet& dataSet)
        : dataSet_(dataSet)
    {
        dataSet_.DisableControls();
    }
    ~TControlsGuard() { dataSet_.EnableControls(); }
    TControlsGuard(const TControlsGuard&) = delete;
    TControlsGuard& operator=(const TControlsGuard&) = delete;

private:
    TListDataSet& dataSet_;
};

// The positions queue: its first seven fields are always named as kPositionFieldNames says.
class TListDataSetEx : public TListDataSet {
protected:
    void BuildFields() override;
};

} // namespace artikel
