#include "data/TListDataSet.h"

#include "data/PositionFields.h"
#include "data/TArenaLoader.h"
#include "data/TCachedFileStream.h"
#include "platform/EInOutError.h"
#include "platform/FileRetry.h"
#include "platform/Win1252.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

namespace artikel {

std::string SanitizeFieldName(std::string_view header)
{
    std::string name;
    name.reserve(header.size());
    for (char ch : header) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '(' || c == ')' ||
            c == 0xDF)
            name.push_back(ch);
        else if (c == '%')
            name += "Proz";
        else if (c == '+')
            name += "und";
        else if (c == 0x80)
            name += "Euro";
    }
    return name;
}

std::string_view TField::Value() const
{
    const int row = dataSet_->CurrentRow();
    if (row < 0)
        return {};
    return dataSet_->Cell(row, Slot());
}

TListDataSet::TListDataSet() = default;

TListDataSet::~TListDataSet()
{
    const std::vector<IDataSetObserver*> observers = observers_;
    for (IDataSetObserver* o : observers)
        o->DataSetDestroyed(*this);
}

// ---------------------------------------------------------------- loading

void TListDataSet::LoadFromFile(const std::filesystem::path& fileName)
{
    {
        TControlsGuard guard(*this);
        Close();
        errorText_.clear();
        ClearRecords();
        for (std::string& h : headers_)
            h.clear();
        LoadRows(fileName);
        if (!allRows_.empty())
            Open();
        NotifyRefreshed();
    }
    if (!errorText_.empty())
        throw EDataSetError(errorText_);
}

void TListDataSet::LoadRows(const std::filesystem::path& fileName)
{
    TArenaLoad load = LoadArena(fileName, parallelLoadMinimum_);
    separator_ = load.Separator;
    headers_ = std::move(load.Headers);
    if (load.TooManyFields)
        errorText_ = "to many cols";
    const size_t rows = load.Offsets.size();
    store_.AdoptArenaRows(std::move(load.Arena), load.Used, std::move(load.Offsets), std::move(load.Counts));
    allRows_.resize(rows);
    allRowsSortedBy_ = -1;
    for (size_t i = 0; i < rows; ++i)
        allRows_[i] = static_cast<TRowId>(i);
}

// ---------------------------------------------------------------- saving

void TListDataSet::SaveToStream(TStream& stream)
{
    if (!open_)
        return;
    const int n = FieldCount();
    std::string line;
    auto put = [&line](std::string_view v) {
        line.push_back('"');
        for (char c : v) {
            line.push_back(c);
            if (c == '"')
                line.push_back('"');
        }
        line.push_back('"');
    };
    for (int i = 0; i < n; ++i) {
        if (i)
            line.push_back(',');
        put(headers_[static_cast<size_t>(i)]);
    }
    line += "\r\n";
    stream.WriteString(line);
    for (TRowId row : View()) {
        line.clear();
        for (int i = 0; i < n; ++i) {
            if (i)
                line.push_back(',');
            put(store_.Cell(row, i));
        }
        line += "\r\n";
        stream.WriteString(line);
    }
}

namespace {

// The save's output on its way into a TAtomicFileWriter, in blocks of the save buffer's size.
// The writer's failures become the messages the dataset's file streams give.
class TAtomicSaveStream : public TStream {
public:
    TAtomicSaveStream(const std::filesystem::path& fileName, size_t bufferSize)
        : shown_(fileName.string()),
          bufferSize_(bufferSize)
    {
        try {
            writer_.emplace(shown_, TAtomicFileWriter::TOptions{.syncToDisk = true, .createFolder = false});
        } catch (const EInOutError& e) {
            Raise("Cannot create %s.", e.Code());
        }
        buffer_.reserve(bufferSize_);
    }

    int64_t Read(void*, int64_t) override { return 0; }
    int64_t Write(const void* data, int64_t count) override
    {
        buffer_.append(static_cast<const char*>(data), static_cast<size_t>(count));
        size_ += count;
        if (buffer_.size() >= bufferSize_)
            Flush();
        return count;
    }
    int64_t Seek(int64_t, TSeekOrigin) override { return size_; }
    int64_t Size() override { return size_; }

    void Commit()
    {
        Flush();
        try {
            writer_->Commit();
        } catch (const EInOutError& e) {
            Raise("Cannot create %s.", e.Code());
        }
    }

private:
    void Flush()
    {
        try {
            writer_->Write(buffer_);
        } catch (const EInOutError& e) {
            Raise("FileWrite failed for %s.", e.Code());
        }
        buffer_.clear();
    }

    [[noreturn]] void Raise(std::string text, int err) const
    {
        text.replace(text.find("%s"), 2, shown_);
        throw EStreamError(text + std::strerror(err ? err : EIO));
    }

    std::string shown_;
    size_t bufferSize_;
    std::optional<TAtomicFileWriter> writer_;
    std::string buffer_;
    int64_t size_ = 0;
};

} // namespace

void TListDataSet::SaveToFile(const std::filesystem::path& fileName)
{
    // Written beside the target and renamed over it, so a failed save never leaves a torn file.
    TAtomicSaveStream stream(fileName, static_cast<size_t>(kSaveBufferSize));
    SaveToStream(stream);
    stream.Commit();
}

// ---------------------------------------------------------------- fields

void TListDataSet::Open()
{
    if (open_)
        return;
    TControlsGuard guard(*this);
    BuildFields();
    open_ = true;
    cursor_ = RecordCount() > 0 ? 0 : -1;
    bof_ = true;
    eof_ = RecordCount() == 0;
    NotifyRefreshed();
}

void TListDataSet::Close()
{
    if (!open_)
        return;
    TControlsGuard guard(*this);
    fieldCache_.clear();
    fields_.clear();
    open_ = false;
    cursor_ = -1;
    bof_ = eof_ = true;
    NotifyRefreshed();
}

void TListDataSet::BuildFields()
{
    fields_.clear();
    fieldCache_.clear();
    int last = -1;
    for (int slot = 0; slot < kRecordCells; ++slot)
        if (!headers_[static_cast<size_t>(slot)].empty())
            last = slot;
    auto taken = [this](const std::string& name) {
        for (const auto& f : fields_)
            if (SameTextNoCase(f->FieldName(), name))
                return true;
        return false;
    };
    // Every slot up to the last named one gets a field, so that field k reads cell k-1 also
    // when a header cell in between is empty.
    for (int slot = 0; slot <= last; ++slot) {
        std::string base = SanitizeFieldName(headers_[static_cast<size_t>(slot)]);
        if (base.empty())
            base = "Spalte" + std::to_string(slot);
        std::string name = base;
        for (int k = 1; taken(name); ++k)
            name = base + std::to_string(k);
        headers_[static_cast<size_t>(slot)] = name;
        fields_.push_back(std::unique_ptr<TField>(new TField(this, name, slot + 1)));
    }
}

TField* TListDataSet::FindField(std::string_view name)
{
    const std::string key(name);
    if (auto it = fieldCache_.find(key); it != fieldCache_.end())
        return it->second;
    for (const auto& f : fields_) {
        if (SameTextNoCase(f->FieldName(), name)) {
            fieldCache_.emplace(key, f.get());
            return f.get();
        }
    }
    return nullptr;
}

TField& TListDataSet::FieldByName(std::string_view name)
{
    if (TField* f = FindField(name))
        return *f;
    throw EDataSetError("Das Feld '" + std::string(name) + "' wurde nicht gefunden");
}

int TListDataSet::ColumnIndex(std::string_view name) const
{
    if (name.empty())
        return -1;
    for (int slot = 0; slot < kRecordCells; ++slot) {
        const std::string& h = headers_[static_cast<size_t>(slot)];
        if (h.size() == name.size() && SameTextNoCase(h, name))
            return slot;
    }
    return -1;
}

// ---------------------------------------------------------------- rows

std::string_view TListDataSet::Cell(int viewRow, int slot) const
{
    const std::vector<TRowId>& view = View();
    if (viewRow < 0 || static_cast<size_t>(viewRow) >= view.size())
        return {};
    return store_.Cell(view[static_cast<size_t>(viewRow)], slot);
}

void TListDataSet::AddRecord(std::unique_ptr<TListRecordData> row, bool alsoIntoFiltered, bool refresh)
{
    if (!row)
        return;
    TControlsGuard guard(*this);
    const TRowId id = store_.AddOwnedRow(std::move(row));
    allRows_.push_back(id);
    allRowsSortedBy_ = -1;
    if (alsoIntoFiltered && filtered_)
        filteredRows_.push_back(id);
    NotifyRefreshed();
    if (refresh)
        RefreshView(false);
}

void TListDataSet::ClearRecords()
{
    TControlsGuard guard(*this);
    store_.Clear();
    std::vector<TRowId>().swap(allRows_);
    std::vector<TRowId>().swap(filteredRows_);
    allRowsSortedBy_ = -1;
    fieldCache_.clear();
    cursor_ = -1;
    bof_ = eof_ = true;
    NotifyRefreshed();
}

void TListDataSet::Clear()
{
    ClearRecords();
    if (open_)
        RefreshView(false);
}

void TListDataSet::Delete()
{
    std::vector<TRowId>& view = View();
    const int current = CurrentRow();
    if (!open_ || view.empty() || current < 0)
        return;
    TControlsGuard guard(*this);
    const TRowId id = view[static_cast<size_t>(current)];
    const int newPos = view.size() == 1 ? 0 : current - 1;
    if (auto it = std::find(allRows_.begin(), allRows_.end(), id); it != allRows_.end())
        allRows_.erase(it);
    if (auto it = std::find(filteredRows_.begin(), filteredRows_.end(), id); it != filteredRows_.end())
        filteredRows_.erase(it);
    store_.Release(id);
    RefreshView(false);
    MoveCursor(newPos);
}

// ---------------------------------------------------------------- cursor

int TListDataSet::CurrentRow() const
{
    const int count = RecordCount();
    if (!open_ || count == 0)
        return -1;
    if (cursor_ < 0)
        return 0;
    return cursor_ < count ? cursor_ : -1;
}

int TListDataSet::RecNo() const
{
    if (!open_)
        return -1;
    const int count = RecordCount();
    const int p = (cursor_ == -1 && count > 0) ? 1 : cursor_ + 1;
    if (p > count)
        return p - 1;
    return count == 0 ? -1 : p;
}

void TListDataSet::SetRecNo(int recNo)
{
    if (!open_ || recNo < 1 || recNo > RecordCount())
        return;
    bof_ = eof_ = false;
    MoveCursor(recNo - 1);
}

void TListDataSet::GotoBookmark(TBookmark bookmark)
{
    if (!open_ || !BookmarkValid(bookmark))
        return;
    bof_ = eof_ = false;
    MoveCursor(bookmark);
}

void TListDataSet::First()
{
    const int count = open_ ? RecordCount() : 0;
    bof_ = true;
    eof_ = count == 0;
    MoveCursor(count > 0 ? 0 : -1);
}

void TListDataSet::Last()
{
    const int count = open_ ? RecordCount() : 0;
    eof_ = true;
    bof_ = count == 0;
    MoveCursor(count - 1);
}

bool TListDataSet::Next()
{
    const int count = open_ ? RecordCount() : 0;
    const int current = CurrentRow();
    if (current >= 0 && current < count - 1) {
        bof_ = eof_ = false;
        MoveCursor(current + 1);
        return true;
    }
    eof_ = true;
    return false;
}

bool TListDataSet::Prior()
{
    const int current = CurrentRow();
    if (current > 0) {
        bof_ = eof_ = false;
        MoveCursor(current - 1);
        return true;
    }
    bof_ = true;
    return false;
}

void TListDataSet::MoveCursor(int cursor)
{
    cursor_ = cursor;
    NotifyCursor();
}

// ---------------------------------------------------------------- observers

void TListDataSet::AddObserver(IDataSetObserver* observer)
{
    if (observer && std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
        observers_.push_back(observer);
}

void TListDataSet::RemoveObserver(IDataSetObserver* observer)
{
    observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

void TListDataSet::DisableControls()
{
    ++disableCount_;
    const std::vector<IDataSetObserver*> observers = observers_;
    for (IDataSetObserver* o : observers)
        o->DataSetBeginUpdate(*this);
}

void TListDataSet::EnableControls()
{
    if (disableCount_ == 0)
        return;
    --disableCount_;
    const std::vector<IDataSetObserver*> observers = observers_;
    for (IDataSetObserver* o : observers)
        o->DataSetEndUpdate(*this);
}

void TListDataSet::NotifyRefreshed()
{
    const std::vector<IDataSetObserver*> observers = observers_;
    for (IDataSetObserver* o : observers)
        o->DataSetRefreshed(*this);
}

void TListDataSet::NotifyCursor()
{
    const std::vector<IDataSetObserver*> observers = observers_;
    for (IDataSetObserver* o : observers)
        o->DataSetCursorMoved(*this);
}

void TListDataSet::RefreshView(bool resort)
{
    TControlsGuard guard(*this);
    First();
    NotifyRefreshed();
    if (resort && !sortColumn_.empty())
        SortByColumn(sortColumn_);
}

// ---------------------------------------------------------------- the positions queue

void TListDataSetEx::BuildFields()
{
    for (size_t i = 0; i < kPositionFieldNames.size(); ++i)
        headers_[i] = kPositionFieldNames[i];
    TListDataSet::BuildFields();
}

} // namespace artikel
