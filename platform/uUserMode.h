#pragma once

// The program's settings: one section "MODE" of the file "UserMode.INI" in the settings folder.
// Each call opens the file, does its one operation and closes it again, so a write is on disk
// when it returns. No call raises: a failed read gives its default, a failed write returns
// false. Keys are dotted names ("Last.Node"); values and keys are Windows-1252 text. Called
// from the interface thread only.

#include "platform/TFastIniFile.h"

#include <memory>
#include <string>
#include <string_view>

namespace artikel {

inline constexpr const char* kUserModeFileName = "UserMode.INI";
inline constexpr const char* kUserModeSection = "MODE";

// Makes folder the settings folder for all later calls. When it is a new folder without a
// "UserMode.INI" and the program folder holds one, that file is copied there first.
void SetUserModeFolder(const std::string& folder) noexcept;
// The current settings folder ("" until one is set).
std::string GetUserModeFolder() noexcept;

// The settings file in folder; empty folder: the settings folder, or the program folder when
// none is set. Nothing is read until the first operation.
std::unique_ptr<TFastIniFile> OpenUserModeFile(const std::string& folder = {});

// With writeBack, the value returned (stored or default) is written back, so that a key gets
// into the file with its default the first time it is read. An empty key reads the default.
bool ReadUserModeBool(std::string_view key, bool def, const std::string& folder = {}, bool writeBack = false) noexcept;
int ReadUserModeInteger(std::string_view key, int def, const std::string& folder = {}, bool writeBack = false) noexcept;
// Strings are stored in double quotes with inner quotes doubled; an unquoted stored text is
// returned as it stands.
std::string ReadUserModeString(std::string_view key, std::string_view def, const std::string& folder = {},
                               bool writeBack = false) noexcept;

// True when the value is on disk afterwards (also when it was there already). An empty key
// writes nothing and returns false.
bool WriteUserModeBool(std::string_view key, bool value, const std::string& folder = {}) noexcept;
bool WriteUserModeInteger(std::string_view key, int value, const std::string& folder = {}) noexcept;
bool WriteUserModeString(std::string_view key, std::string_view value, const std::string& folder = {}) noexcept;

// The quoting of WriteUserModeString and its reverse.
std::string QuoteUserModeString(std::string_view value);
std::string UnquoteUserModeString(std::string_view stored);

} // namespace artikel
