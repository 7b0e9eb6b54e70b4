// The grid's layout and picture files, without widgets: what is read, what a corrupt file
// becomes, and where a picture link may lead.

#include "mainwindow/ColumnLayout.h"
#include "tests/common/TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace artikel {
namespace {

namespace fs = std::filesystem;
using test::MakeTempDir;
using test::ReadFileBytes;
using test::WriteFileBytes;

TEST(ColumnLayoutFiles, SavedColumnsAndOptionsAreReadAndACorruptColumnFileGoes)
{
    const fs::path dir = MakeTempDir("layoutfiles");
    const std::string layout = (dir / "grid.col").string();
    EXPECT_FALSE(ReadGridOptions(layout).has_value());
    EXPECT_FALSE(ReadSavedColumns(layout).present);

    const std::vector<TColumnState> columns = {{"Nr", 80, true, TColumnAlignment::Right, TColumnAlignment::Center},
                                               {"Text", 200, false}};
    WriteFileBytes(ColFileName(layout), EncodeColumns(columns));
    WriteFileBytes(CoxFileName(layout), EncodeGridOptions({false, true, "Text", true}));
    const TSavedColumns saved = ReadSavedColumns(layout);
    EXPECT_TRUE(saved.present);
    ASSERT_TRUE(saved.columns.has_value());
    EXPECT_EQ(*saved.columns, columns);
    const auto options = ReadGridOptions(layout);
    ASSERT_TRUE(options.has_value());
    EXPECT_FALSE(options->columnLines);
    EXPECT_EQ(options->currentField, "Text");
    EXPECT_TRUE(options->autoSize);

    WriteFileBytes(ColFileName(layout), "kein Spaltenlayout\r\n");
    const TSavedColumns corrupt = ReadSavedColumns(layout);
    EXPECT_TRUE(corrupt.present);
    EXPECT_FALSE(corrupt.columns.has_value());
    EXPECT_FALSE(fs::exists(ColFileName(layout))) << "a corrupt column file is removed";
}

TEST(ColumnLayoutFiles, PictureLinksStayInsideThePictureFolder)
{
    const fs::path dir = MakeTempDir("pictures");
    const std::string folder = PictureFolder((dir / "db" / "grid.col").string());
    EXPECT_EQ(folder, (dir / "db" / "images").string() + "/");
    fs::create_directories(fs::path(folder) / "sub");
    WriteFileBytes(fs::path(folder) / "rohr.jpg", "jpg");
    WriteFileBytes(fs::path(folder) / "sub" / "bogen.jpg", "jpg");
    WriteFileBytes(dir / "db" / "draussen.jpg", "outside");
    struct Case {
        const char* name;
        bool found;
    } cases[] = {
        {"rohr.jpg", true},
        {"sub/bogen.jpg", true},
        {"sub/../rohr.jpg", true},
        {"../draussen.jpg", false},
        {"/rohr.jpg", true},
        {"fehlt.jpg", false},
        {"sub", false},
        {"", false},
    };
    for (const Case& c : cases) {
        const std::string picture = ResolvePictureLink(folder, c.name);
        EXPECT_EQ(!picture.empty(), c.found) << c.name << " -> " << picture;
        if (!picture.empty()) {
            EXPECT_EQ(picture.rfind(fs::path(folder).lexically_normal().string(), 0), 0u) << c.name;
        }
    }

    const std::string hint = WritePictureHint((dir / "neu" / "images").string() + "/");
    EXPECT_EQ(fs::path(hint).filename().string(), kPictureHintFile);
    EXPECT_EQ(ReadFileBytes(hint), "Bilder m\xFCssen in dieses Verzeichnis gelegt werden\r\n");
}

} // namespace
} // namespace artikel
