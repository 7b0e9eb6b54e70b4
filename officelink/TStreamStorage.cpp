#include "officelink/TStreamStorage.h"

#include "platform/Win1252.h"

#include <cstring>

namespace artikel {

namespace {

std::string Utf16LeBytes(std::string_view ansi)
{
    const std::u16string wide = Win1252ToUtf16(ansi);
    std::string out;
    out.resize(wide.size() * 2);
    for (size_t i = 0; i < wide.size(); ++i) {
        out[2 * i] = static_cast<char>(wide[i] & 0xFF);
        out[2 * i + 1] = static_cast<char>(wide[i] >> 8);
    }
    return out;
}

std::string AnsiFromUtf16Le(std::string_view bytes)
{
    std::u16string wide(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < wide.size(); ++i)
        wide[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                        (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    return Utf16ToWin1252(wide);
}

void PutLe(std::string& out, uint64_t value, int width)
{
    for (int i = 0; i < width; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

uint64_t GetLe(const char* p, int width)
{
    uint64_t v = 0;
    for (int i = width - 1; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(p[i]);
    return v;
}

} // namespace

bool TStreamStorage::Contains(std::string_view name) { return FindValue(name).has_value(); }

void TStreamStorage::Append(std::string_view name, std::string_view bytes)
{
    if (name.empty())
        return;
    if (Contains(name))
        throw EStreamStorageError("Value with name \"" + std::string(name) + "\" already exists");
    // Everything before the end has been scanned (Contains walked it), so the new value can go
    // straight into the index.
    const std::string wideName = Utf16LeBytes(name);
    PutLe(bytes_, wideName.size(), 4);
    bytes_ += wideName;
    PutLe(bytes_, bytes.size(), 8);
    index_[std::string(name)] = {bytes_.size(), bytes.size()};
    bytes_ += bytes;
    scanned_ = bytes_.size();
}

void TStreamStorage::AddBoolean(std::string_view name, bool value)
{
    Append(name, std::string_view(value ? "\x01" : "\x00", 1));
}

void TStreamStorage::AddInteger(std::string_view name, int32_t value)
{
    std::string bytes;
    PutLe(bytes, static_cast<uint32_t>(value), 4);
    Append(name, bytes);
}

void TStreamStorage::AddString(std::string_view name, std::string_view ansiValue)
{
    if (ansiValue.empty())
        return;
    Append(name, Utf16LeBytes(ansiValue));
}

void TStreamStorage::AddBytes(std::string_view name, std::string_view bytes) { Append(name, bytes); }

std::optional<std::string_view> TStreamStorage::FindValue(std::string_view name)
{
    const std::string key(name);
    if (auto it = index_.find(key); it != index_.end())
        return std::string_view(bytes_).substr(it->second.first, it->second.second);
    const size_t size = bytes_.size();
    while (scanned_ < size) {
        size_t pos = scanned_;
        if (size - pos < 4)
            break;
        const uint64_t nameLen = GetLe(bytes_.data() + pos, 4);
        pos += 4;
        if (nameLen > size - pos)
            break;
        const std::string valueName = AnsiFromUtf16Le(std::string_view(bytes_).substr(pos, nameLen));
        pos += nameLen;
        if (size - pos < 8)
            break;
        const int64_t valueLen = static_cast<int64_t>(GetLe(bytes_.data() + pos, 8));
        pos += 8;
        if (valueLen < 0 || static_cast<uint64_t>(valueLen) > size - pos)
            break;
        // The first value of a name wins, as the index keeps it.
        index_.emplace(valueName, std::make_pair(pos, static_cast<size_t>(valueLen)));
        scanned_ = pos + static_cast<size_t>(valueLen);
        if (valueName == key)
            return std::string_view(bytes_).substr(pos, static_cast<size_t>(valueLen));
    }
    // A malformed rest can never be read: the scan stops there for good.
    scanned_ = size;
    return std::nullopt;
}

std::string TStreamStorage::ReadString(std::string_view name)
{
    const auto value = FindValue(name);
    return value ? AnsiFromUtf16Le(*value) : std::string();
}

bool TStreamStorage::ReadBoolean(std::string_view name)
{
    const auto value = FindValue(name);
    return value && value->size() == 1 && (*value)[0] != 0;
}

int32_t TStreamStorage::ReadInteger(std::string_view name)
{
    const auto value = FindValue(name);
    if (!value || value->size() != 4)
        return 0;
    return static_cast<int32_t>(static_cast<uint32_t>(GetLe(value->data(), 4)));
}

} // namespace artikel
