#pragma once

// Writes the converter's target CSV in the form the program reads back: Windows-1252, a header
// line, CR LF, ";" as separator unless the program's own dialect detection would not pick it for
// this output (then TAB, then ","), a field quoted exactly when it holds the separator, a quote,
// CR or LF. The file is written beside the target under a temporary name and renamed over the
// target only by Commit, so a failed conversion never leaves a partial target. Data rows wider
// than the header keep their cells: the header gets names "Spalte N" for the extra columns.

#include "converter/TConvertSink.h"
#include "platform/FileRetry.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace artikel::convert {

class TCSVTargetWriter : public TConvertSink {
public:
    static constexpr size_t kMaxColumns = 100;
    static constexpr size_t kDetectBytes = 10000;

    // Creates the temporary file; throws EConvertError when the target folder is not writable.
    explicit TCSVTargetWriter(std::filesystem::path target);
    // Removes the temporary file unless Commit succeeded.
    ~TCSVTargetWriter() override;
    TCSVTargetWriter(const TCSVTargetWriter&) = delete;
    TCSVTargetWriter& operator=(const TCSVTargetWriter&) = delete;

    void Row(const std::vector<std::string>& cells) override;
    void Note(const std::string& message) override;

    // Writes what is still buffered and renames the file to the target (flushed, not synced).
    void Commit();
    // Drops the temporary file.
    void Abort();

    const std::vector<std::string>& Notes() const { return notes_; }
    // The separator chosen (0 while undecided).
    char Separator() const { return separator_; }
    // Data rows written or buffered (the header not counted).
    size_t RowCount() const { return rows_; }

private:
    void Decide();
    void Render(std::string& out, const std::vector<std::string>& cells, char sep) const;
    void Flush();
    void RewriteHeader();
    std::unique_ptr<TAtomicFileWriter> OpenTemporary() const;
    [[noreturn]] void WriteFailed();

    std::filesystem::path target_;
    std::unique_ptr<TAtomicFileWriter> file_;
    bool committed_ = false;
    char separator_ = 0;
    bool blankTabs_ = false;
    mutable unsigned char class_[256] = {};
    mutable char classSep_ = 0;
    mutable bool classBlankTabs_ = false;
    bool headerSeen_ = false;
    bool truncatedNoted_ = false;
    size_t columns_ = 0;
    size_t widest_ = 0; // data cells reach this column (at most kMaxColumns)
    size_t headerBytes_ = 0; // length of the header line as written
    std::vector<std::string> header_;
    size_t rows_ = 0;
    size_t bufferedBytes_ = 0;
    std::vector<std::vector<std::string>> pending_;
    std::string out_;
    std::vector<std::string> notes_;
};

} // namespace artikel::convert
