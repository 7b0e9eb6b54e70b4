#include "converter/ConvRun.h"

#include "converter/ConvertSourceFile.h"
#include "converter/ConvertText.h"
#include "converter/TCSVTargetWriter.h"
#include "converter/TConvertSink.h"
#include "platform/FileRetry.h"

#include <exception>
#include <new>

namespace artikel::convert {
namespace {

std::string OneLine(std::string s)
{
    for (char& c : s)
        if (c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    return s;
}

std::string Quoted(const std::filesystem::path& p)
{
    std::string s = "\x84";
    s += NativeToWin1252(p.filename());
    s += "\x93";
    return s;
}

} // namespace

bool WriteResultFile(const std::filesystem::path& resultFile, bool success, const std::vector<std::string>& messages)
{
    std::string text = success ? "Result=1\r\n" : "Result=0\r\n";
    for (const std::string& m : messages) {
        text += "Message=";
        text += OneLine(m);
        text += "\r\n";
    }
    try {
        TAtomicFileWriter out(resultFile.string(), {.syncToDisk = true, .createFolder = false});
        out.Write(text);
        out.Commit();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

int RunConversion(const std::filesystem::path& source, const std::filesystem::path& target,
                  const std::filesystem::path& resultFile)
{
    std::vector<std::string> messages;
    bool success = false;
    try {
        TCSVTargetWriter writer(target);
        try {
            ConvertSourceFile(source, writer);
            writer.Commit();
            success = true;
            messages = writer.Notes();
        } catch (...) {
            writer.Abort();
            throw;
        }
    } catch (const EConvertError& e) {
        messages.assign(1, e.what());
    } catch (const std::bad_alloc&) {
        messages.assign(1, "Der Arbeitsspeicher reicht nicht aus, um " + Quoted(source) + " umzuwandeln.");
    } catch (const std::exception& e) {
        messages.assign(1,
                        "Die Datei " + Quoted(source) + " konnte nicht umgewandelt werden: " + Utf8ToWin1252(e.what()));
    } catch (...) {
        messages.assign(1, "Die Datei " + Quoted(source) + " konnte nicht umgewandelt werden.");
    }
    if (!WriteResultFile(resultFile, success, messages))
        return kConvRunNoResult;
    return success ? kConvRunOk : kConvRunFailed;
}

} // namespace artikel::convert
