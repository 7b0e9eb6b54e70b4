#pragma once

// File operations that wait and retry while another process holds the file. Pauses go through
// RetryPause (platform/RetryHooks.h), opens through RetryOpen.

#include "platform/TBetterFileStream.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace artikel {

inline constexpr int kRetryAttempts = 100;
inline constexpr int kRetryPauseMs = 100;
inline constexpr std::size_t kCopyBlockSize = 61440;

// What a save does with a symbolic link at the file's place.
enum class TLinkPolicy {
    Follow, // writes the file the link points to; the link stays
    Replace, // the link itself is replaced by the new regular file; its target is never touched
};

enum class TOpenMode {
    Read, // existing file, reading
    ReadWrite, // existing file, reading and writing
    Create, // created anew (truncated), reading and writing; its folder is created first
};

// Splits text into lines at CR LF, LF or CR; a final line end adds no empty line.
std::vector<std::string> SplitLines(std::string_view text);

// When the file exists, replaces list by its lines and returns true; false when it does not
// exist. Opens without blocking and reads regular files only (a named pipe fails at once). Retries 100 times, 100 ms apart; the last failure raises EInOutError.
bool LoadStringsRetry(std::vector<std::string>& list, const std::string& fileName);
// Writes the lines, each followed by CR LF, atomically (a temporary file in the same folder,
// flushed, renamed over the old one), creating the folder first. Retries 100 times, 100 ms
// apart; the last failure raises EInOutError and leaves any old file as it was.
void SaveStringsRetry(const std::vector<std::string>& list, const std::string& fileName,
                      TLinkPolicy links = TLinkPolicy::Follow);

// Opens a file stream, retrying 100 times, 100 ms apart; the last failure raises EInOutError.
// Reading a file that does not exist fails at once: waiting does not make it appear.
std::unique_ptr<THandleStream> OpenStreamRetry(const std::string& fileName, TOpenMode mode);

// Copies source to target (creating the target's folder). The target is written atomically;
// creating it is retried 10 times with pauses of 100, 200, 300 ... ms. Never raises.
bool CopyFileRetry(const std::string& source, const std::string& target, TLinkPolicy links = TLinkPolicy::Follow);

// Writes data to fileName; when that file cannot be written (held by another program), tries
// "[1]" + name, "[2]" + name ... in the same folder, 100 ms apart, at most 100 times. Returns the
// name actually written, or "" when none could be.
std::string SaveResourceToFile(std::string_view data, const std::string& fileName);

// Writes the replacement of a file beside it (a temporary file in the same folder) and renames
// it over the file on Commit, keeping the old file's permissions; a symbolic link is followed or
// replaced as asked.
// A writer destroyed without Commit removes its temporary file: the old file is never touched
// by a failed save. Failures raise EInOutError "Datei %s kann nicht erstellt werden" with the
// errno of the failing call as its code.
class TAtomicFileWriter {
public:
    struct TOptions {
        // Forces the data and the rename to the disk. Off for scratch files that are read back
        // at once, where a sync of a large file would only cost time.
        bool syncToDisk = true;
        // Creates a missing folder; when off, a missing folder fails like any other open.
        bool createFolder = true;
        // Whether a symbolic link at the target is followed or replaced by a regular file.
        TLinkPolicy links = TLinkPolicy::Follow;
    };

    // Creates the folder and the temporary file (one attempt).
    explicit TAtomicFileWriter(const std::string& fileName, TLinkPolicy links = TLinkPolicy::Follow)
        : TAtomicFileWriter(fileName, TOptions{true, true, links})
    {}
    TAtomicFileWriter(const std::string& fileName, TOptions options);
    TAtomicFileWriter(const TAtomicFileWriter&) = delete;
    TAtomicFileWriter& operator=(const TAtomicFileWriter&) = delete;
    ~TAtomicFileWriter();

    void Write(std::string_view data);
    // Flushes (to the disk unless syncToDisk is off) and renames into place.
    void Commit();

    // The temporary file, readable until Commit or destruction.
    const std::string& TempFileName() const { return temp_; }

private:
    [[noreturn]] void Fail(int err);

    TOptions options_;
    std::string target_;
    std::string shownName_;
    std::string temp_;
    int fd_ = -1;
    bool created_ = false;
};

// Replaces fileName by data atomically: a temporary file in the same folder is written, flushed
// and renamed over it, keeping the old file's permissions. One attempt; on failure the old file
// is untouched, the temporary file removed, and EInOutError "Datei %s kann nicht erstellt werden"
// raised.
void WriteFileAtomic(const std::string& fileName, std::string_view data, TLinkPolicy links = TLinkPolicy::Follow);
// The same, retried 100 times, 100 ms apart, reporting failure as false instead of raising.
bool WriteFileAtomicRetry(const std::string& fileName, std::string_view data) noexcept;

} // namespace artikel
