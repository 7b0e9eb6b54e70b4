// democatalog CONVERTER SAMPLES: imports the sample files into the catalog of the client root
// ($XDG_DATA_HOME) the way the program's import does, unless the catalog holds databases
// already, and makes the last one the node the program starts with.

#include "catalog/ConverterImport.h"
#include "catalog/NodeFile.h"
#include "catalog/TCSVRequest.h"
#include "platform/Folders.h"
#include "platform/Win1252.h"
#include "platform/uUserMode.h"

#include <cstdio>
#include <string>

using namespace artikel;

namespace {

struct Sample {
    const char* File; // below the samples folder
    const char* Caption; // UTF-8
};

// The last one is loaded at the start.
constexpr Sample kSamples[] = {
    {"datanorm4/DATANORM.001", "DATANORM 4"},
    {"datanorm5/DATANORM.001", "DATANORM 5"},
    {"artikel-utf8.csv", "CSV-Liste"},
    {"Artikel-Elektro-Sanitaer.xlsx", "Excel-Liste"},
};

// Two deliveries both named DATANORM.001 would show one caption twice.
void SetCaption(const std::string& nodeFile, const char* caption)
{
    std::optional<TJSON> doc = ReadNodeFile(nodeFile);
    if (!doc)
        return;
    SetJsonTextUtf8(*doc, "Caption", caption);
    SaveNodeFile(*doc, nodeFile, TJsonLayout::Compact);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "Aufruf: democatalog KONVERTER BEISPIELORDNER\n");
        return 2;
    }
    const std::string converter = argv[1];
    const std::string samples = IncludeBackslash(argv[2]);

    TCSVRequest catalog({});
    catalog.ReloadNodes();
    if (catalog.NodeCount() > 0) {
        std::printf("Demo catalog in %s: %zu databases\n", catalog.NodesFolder().c_str(), catalog.NodeCount());
        return 0;
    }
    std::string lastId;
    for (const Sample& sample : kSamples) {
        const std::string source = samples + sample.File;
        const TConversion conversion = ConvertSourceFile(converter, source, {});
        if (!conversion.Ok()) {
            std::fprintf(stderr, "%s: %s\n", source.c_str(),
                         conversion.Status == TConversion::TStatus::SourceMissing
                             ? "not found"
                             : Win1252ToUtf8(conversion.Message).c_str());
            continue;
        }
        try {
            lastId = AddConvertedDatabase(catalog.NodesFolder(), conversion.Target, conversion.Source);
        } catch (const EImportError& e) {
            std::fprintf(stderr, "%s: %s\n", source.c_str(), Win1252ToUtf8(e.what()).c_str());
            continue;
        }
        catalog.ReloadNodes();
        if (const TJSON* doc = catalog.FindNode(lastId))
            SetCaption(JsonTextUtf8(*doc, "nodefile"), sample.Caption);
        std::printf("%s -> %s\n", sample.File, sample.Caption);
    }
    if (lastId.empty())
        return 1;
    // The window reads its last node from the catalog root now and from the scratch folder once
    // the find box's word list has moved the settings there: both get it.
    WriteUserModeString("Last.Node", lastId, catalog.RootFolder());
    WriteUserModeString("Last.Node", lastId, GetScratchFolder());
    return 0;
}
