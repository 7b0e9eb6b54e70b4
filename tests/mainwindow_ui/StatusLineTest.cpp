// The counts line of the status row.

#include "mainwindow/ui/StatusLine.h"

#include "platform/ui/MarkupRenderer.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <climits>

namespace artikel {
namespace {

TEST(StatusLine, CountsAreGroupedInThrees)
{
    struct Case {
        long long value;
        const char* separator;
        const char* text;
    };
    const Case cases[] = {
        {0, ".", "0"},
        {999, ".", "999"},
        {1000, ".", "1.000"},
        {999999, ".", "999.999"},
        {1000000, ".", "1.000.000"},
        {1234567, "\xA0",
         "1\xA0"
         "234\xA0"
         "567"},
        {1234567, "", "1234567"},
        {-1234, ".", "-1.234"},
        {LLONG_MIN, ",", "-9,223,372,036,854,775,808"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatCount(c.value, c.separator), c.text) << c.value;
}

TEST(StatusLine, TheFilterIsShownAsTypedAfterTheCounts)
{
    struct Case {
        long long total, filtered;
        const char* filter;
        const char* text;
        const char* shown; // as the label shows it
    };
    const Case cases[] = {
        {1234, 0, "", "<b>1.234 </b>Datens\xE4tze | Gefiltert: <b>0", "1.234 Datens\xE4tze | Gefiltert: 0"},
        {1234, 12, "kupfer rohr", "<b>1.234 </b>Datens\xE4tze | Gefiltert: <b>12 </b>| [kupfer rohr]",
         "1.234 Datens\xE4tze | Gefiltert: 12 | [kupfer rohr]"},
        {5, 1, "<b>a&b", nullptr, "5 Datens\xE4tze | Gefiltert: 1 | [<b>a&b]"},
    };
    for (const Case& c : cases) {
        const std::string text = StatusCountsText(c.total, c.filtered, c.filter, ".");
        if (c.text) {
            EXPECT_EQ(text, c.text);
        }
        const std::vector<std::string> lines = MarkupLineTexts(QApplication::font(), text, 2000);
        ASSERT_EQ(lines.size(), 1u) << text;
        EXPECT_EQ(lines[0], c.shown) << text;
    }
}

} // namespace
} // namespace artikel
