#include "converter/TCSVTargetWriter.h"

#include "converter/ConvertText.h"
#include "data/TCSVReader.h"
#include "platform/EInOutError.h"
#include "platform/Win1252.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace artikel::convert {
namespace {

constexpr size_t kFlushBytes = 1 << 20;

bool AllEmpty(const std::vector<std::string>& cells)
{
    return std::all_of(cells.begin(), cells.end(), [](const std::string& c) { return c.empty(); });
}

// Header names the program can tell apart: an empty name becomes "Spalte N", a repeated one
// (ignoring case) gets " (2)", " (3)" ...
void NameColumns(std::vector<std::string>& header)
{
    for (size_t i = 0; i < header.size(); ++i) {
        if (header[i].empty())
            header[i] = "Spalte " + std::to_string(i + 1);
    }
    for (size_t i = 1; i < header.size(); ++i) {
        auto taken = [&](const std::string& name, size_t upTo) {
            for (size_t j = 0; j < upTo; ++j)
                if (header[j].size() == name.size() && SameTextNoCase(header[j], name))
                    return true;
            return false;
        };
        if (!taken(header[i], i))
            continue;
        for (int n = 2;; ++n) {
            std::string candidate = header[i] + " (" + std::to_string(n) + ")";
            if (!taken(candidate, header.size())) {
                header[i] = std::move(candidate);
                break;
            }
        }
    }
}

// "Die Zieldatei „name“ " + what; built step by step (g++ 12 warns falsely on literal + temporary).
std::string TargetMessage(const std::filesystem::path& target, const char* what)
{
    std::string m = "Die Zieldatei \x84";
    m += NativeToWin1252(target);
    m += "\x93 ";
    m += what;
    return m;
}

} // namespace

TCSVTargetWriter::TCSVTargetWriter(std::filesystem::path target)
    : target_(std::move(target))
{
    file_ = OpenTemporary();
    if (!file_)
        throw EConvertError(TargetMessage(target_, "kann nicht angelegt werden."));
    out_.reserve(kFlushBytes + 64 * 1024);
}

std::unique_ptr<TAtomicFileWriter> TCSVTargetWriter::OpenTemporary() const
{
    // The target is a scratch file the import copies at once: flushed, not forced to disk (a
    // sync of a few hundred megabytes would cost seconds).
    try {
        return std::make_unique<TAtomicFileWriter>(
            target_.string(), TAtomicFileWriter::TOptions{.syncToDisk = false, .createFolder = false});
    } catch (const EInOutError&) {
        return nullptr;
    }
}

TCSVTargetWriter::~TCSVTargetWriter()
{
    if (!committed_)
        Abort();
}

void TCSVTargetWriter::Abort() { file_.reset(); }

void TCSVTargetWriter::Note(const std::string& message)
{
    if (std::find(notes_.begin(), notes_.end(), message) == notes_.end())
        notes_.push_back(message);
}

void TCSVTargetWriter::Render(std::string& out, const std::vector<std::string>& cells, char sep) const
{
    if (sep != classSep_ || blankTabs_ != classBlankTabs_) {
        // Per byte: 1 = the field must be quoted, 2 = the byte is dropped or replaced.
        std::memset(class_, 0, sizeof class_);
        class_[static_cast<unsigned char>(sep)] = 1;
        class_[static_cast<unsigned char>('"')] = 1;
        class_[static_cast<unsigned char>('\r')] = 1;
        class_[static_cast<unsigned char>('\n')] = 1;
        class_[0] = 2;
        if (blankTabs_)
            class_[static_cast<unsigned char>('\t')] = 2;
        classSep_ = sep;
        classBlankTabs_ = blankTabs_;
    }
    const size_t n = std::min(cells.size(), kMaxColumns);
    for (size_t i = 0; i < n; ++i) {
        if (i)
            out.push_back(sep);
        const std::string& c = cells[i];
        unsigned char kind = 0;
        for (char ch : c)
            kind |= class_[static_cast<unsigned char>(ch)];
        if (kind == 0) {
            out.append(c);
            continue;
        }
        const bool quote = kind & 1;
        if (quote)
            out.push_back('"');
        for (char ch : c) {
            if (ch == '\0')
                continue;
            if (ch == '"')
                out.push_back('"');
            out.push_back(blankTabs_ && ch == '\t' ? ' ' : ch);
        }
        if (quote)
            out.push_back('"');
    }
    out.append("\r\n");
}

void TCSVTargetWriter::Row(const std::vector<std::string>& cells)
{
    if (!file_)
        throw EConvertError(TargetMessage(target_, "ist bereits geschlossen."));
    if (!headerSeen_) {
        headerSeen_ = true;
        std::vector<std::string> header(cells.begin(),
                                        cells.begin() + static_cast<long>(std::min(cells.size(), kMaxColumns)));
        if (cells.size() > kMaxColumns && !truncatedNoted_) {
            truncatedNoted_ = true;
            Note("Die Quelle hat " + std::to_string(cells.size()) +
                 " Spalten; \xFC"
                 "bernommen wurden die ersten 100.");
        }
        NameColumns(header);
        columns_ = header.size();
        header_ = header;
        bufferedBytes_ += header.size() + 2;
        for (const std::string& c : header)
            bufferedBytes_ += c.size();
        pending_.push_back(std::move(header));
        return;
    }
    if (AllEmpty(cells))
        return;
    // A data row wider than the header keeps its cells: the header is widened at Commit.
    for (size_t i = std::min(cells.size(), kMaxColumns); i > columns_; --i) {
        if (!cells[i - 1].empty()) {
            widest_ = std::max(widest_, i);
            break;
        }
    }
    if (cells.size() > kMaxColumns && !truncatedNoted_) {
        const bool lost =
            std::any_of(cells.begin() + kMaxColumns, cells.end(), [](const std::string& c) { return !c.empty(); });
        if (lost) {
            truncatedNoted_ = true;
            Note("Die Quelle hat mehr als 100 Spalten; \xFC"
                 "bernommen wurden die ersten 100.");
        }
    }
    ++rows_;
    if (separator_) {
        Render(out_, cells, separator_);
        if (out_.size() >= kFlushBytes)
            Flush();
        return;
    }
    pending_.push_back(cells);
    if (pending_.back().size() > kMaxColumns)
        pending_.back().resize(kMaxColumns);
    bufferedBytes_ += pending_.back().size() + 2;
    for (const std::string& c : pending_.back())
        bufferedBytes_ += c.size();
    // Quoting only adds bytes: once the unquoted size passes the detection window, every
    // candidate's rendering covers it.
    if (bufferedBytes_ > kDetectBytes)
        Decide();
}

void TCSVTargetWriter::Decide()
{
    std::string sample;
    auto tryWith = [&](char sep) {
        sample.clear();
        for (const auto& row : pending_)
            Render(sample, row, sep);
        return DetectCSVOptions(std::string_view(sample).substr(0, std::min(sample.size(), kDetectBytes))).Separator ==
            sep;
    };
    char chosen = 0;
    for (char sep : {';', '\t', ','}) {
        if (tryWith(sep)) {
            chosen = sep;
            break;
        }
    }
    if (!chosen) {
        // Tabs inside the cells outvote every separator: blank them.
        blankTabs_ = true;
        for (char sep : {';', ','}) {
            if (tryWith(sep)) {
                chosen = sep;
                break;
            }
        }
    }
    if (!chosen) {
        chosen = ';';
        tryWith(chosen);
    }
    separator_ = chosen;
    std::string headerLine;
    Render(headerLine, pending_.front(), chosen);
    headerBytes_ = headerLine.size();
    out_.append(sample);
    pending_.clear();
    pending_.shrink_to_fit();
}

void TCSVTargetWriter::RewriteHeader()
{
    // The header line went out before the widest row came: copy the body behind a new one.
    std::unique_ptr<TAtomicFileWriter> wider = OpenTemporary();
    if (!wider)
        WriteFailed();
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> body(std::fopen(file_->TempFileName().c_str(), "rb"),
                                                               &std::fclose);
    if (!body)
        WriteFailed();
    bool ok = std::fseek(body.get(), static_cast<long>(headerBytes_), SEEK_SET) == 0;
    try {
        std::string text;
        Render(text, header_, separator_);
        wider->Write(text);
        std::vector<char> buffer(kFlushBytes);
        while (ok) {
            const size_t n = std::fread(buffer.data(), 1, buffer.size(), body.get());
            if (n == 0) {
                ok = !std::ferror(body.get());
                break;
            }
            wider->Write(std::string_view(buffer.data(), n));
        }
    } catch (const EInOutError&) {
        ok = false;
    }
    file_ = std::move(wider);
    if (!ok)
        WriteFailed();
}

void TCSVTargetWriter::Flush()
{
    if (out_.empty())
        return;
    try {
        file_->Write(out_);
    } catch (const EInOutError&) {
        WriteFailed();
    }
    out_.clear();
}

void TCSVTargetWriter::WriteFailed()
{
    Abort();
    throw EConvertError(TargetMessage(target_, "konnte nicht geschrieben werden (Datentr\xE4ger voll?)."));
}

void TCSVTargetWriter::Commit()
{
    if (!file_)
        throw EConvertError(TargetMessage(target_, "ist bereits geschlossen."));
    if (!headerSeen_)
        throw EConvertError("Die Quelle enth\xE4lt keine Daten.");
    const size_t named = columns_;
    const bool headerOut = separator_ != 0;
    if (widest_ > columns_) {
        header_.resize(widest_);
        NameColumns(header_);
        columns_ = widest_;
        if (!separator_)
            pending_.front() = header_; // still held back: widened in place
    }
    if (!separator_)
        Decide();
    Flush();
    if (columns_ > named) {
        if (headerOut)
            RewriteHeader();
        std::string note = "Datenzeilen haben mehr Spalten als die Kopfzeile; ";
        if (columns_ == named + 1) {
            note += "die Spalte ";
            note += std::to_string(columns_);
            note += " hei\xDFt \x84";
        } else {
            note += "die Spalten ";
            note += std::to_string(named + 1);
            note += " bis ";
            note += std::to_string(columns_);
            note += " hei\xDF"
                    "en \x84";
            note += header_[named];
            note += "\x93 bis \x84";
        }
        note += header_.back();
        note += "\x93.";
        Note(note);
    }
    try {
        file_->Commit();
    } catch (const EInOutError&) {
        WriteFailed();
    }
    file_.reset();
    committed_ = true;
}

} // namespace artikel::convert
