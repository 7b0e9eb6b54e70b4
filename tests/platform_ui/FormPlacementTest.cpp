#include "platform/ui/FormPlacement.h"

#include "platform/uUserMode.h"
#include "tests/common/TestEnv.h"

#include <QHBoxLayout>
#include <QSplitter>
#include <QWidget>

#include <gtest/gtest.h>

using namespace artikel;

namespace {

const TMonitorLayout kOne{{QRect(0, 0, 1920, 1040)}, 0};
const TMonitorLayout kTwo{{QRect(0, 0, 1920, 1040), QRect(1920, 0, 1280, 984)}, 0};

class FormPlacement : public testing::Test {
protected:
    void SetUp() override
    {
        folder_ = artikel::test::MakeTempDir("placement").string() + "/";
        Use(kTwo);
    }
    void TearDown() override { SetMonitorLayoutProvider({}); }
    void Use(const TMonitorLayout& layout)
    {
        SetMonitorLayoutProvider([layout] { return layout; });
    }
    int Read(const std::string& key) { return ReadUserModeInteger(key, -12345, folder_); }

    std::string folder_;
};

} // namespace

TEST_F(FormPlacement, FirstStartCentresWithTheDesignedSize)
{
    QWidget form;
    form.resize(800, 600);
    EXPECT_EQ(RestoreFormPlacement(&form, folder_, "ZB4711", false), -1);
    EXPECT_EQ(form.geometry(), QRect(560, 220, 800, 600));

    // The other default positions of ReadFormPlacement.
    const QPoint expected[] = {{560, 220}, {0, 0}, {1120, 0}, {1120, 440}};
    for (int mode = 0; mode < 4; ++mode) {
        QWidget w;
        w.resize(800, 600);
        EXPECT_EQ(ReadFormPlacement(&w, folder_, "TSuggestEdit", 7, mode), 7);
        EXPECT_EQ(w.pos(), expected[mode]) << "mode " << mode;
    }
    QWidget kept;
    kept.setGeometry(30, 40, 800, 600);
    ReadFormPlacement(&kept, folder_, "TSuggestEdit", -1, 4);
    EXPECT_EQ(kept.pos(), QPoint(30, 40)) << "mode 4 keeps the position";
}

TEST_F(FormPlacement, SecondMonitorRoundTripAndMissingMonitor)
{
    {
        QWidget form;
        form.setGeometry(2020, 100, 600, 400);
        SaveFormPlacement(&form, folder_, "ZB4711");
    }
    EXPECT_EQ(Read("ZB4711.MontorNum"), 1);
    EXPECT_EQ(Read("ZB4711.Left"), 100) << "positions are stored relative to their monitor";
    EXPECT_EQ(Read("ZB4711.Top"), 100);
    EXPECT_EQ(Read("ZB4711.Width"), 600);
    EXPECT_EQ(Read("ZB4711.Height"), 400);

    struct Case {
        const char* what;
        TMonitorLayout layout;
        QRect expected;
    } cases[] = {
        {"same monitors: back where it was", kTwo, QRect(2020, 100, 600, 400)},
        {"second monitor gone: on the primary one", kOne, QRect(100, 100, 600, 400)},
        {"second monitor now left of the first",
         {{QRect(0, 0, 1920, 1040), QRect(-1280, 0, 1280, 984)}, 0},
         QRect(-1180, 100, 600, 400)},
    };
    for (const Case& c : cases) {
        Use(c.layout);
        QWidget form;
        form.resize(300, 300);
        RestoreFormPlacement(&form, folder_, "ZB4711", false);
        EXPECT_EQ(form.geometry(), c.expected) << c.what;
        EXPECT_EQ(TargetMonitor(), -1) << "the target monitor is put back";
    }
}

TEST_F(FormPlacement, RestoreNeverLeavesTheWorkArea)
{
    struct Case {
        const char* what;
        int monitor, left, top, width, height;
        QRect expected;
    } cases[] = {
        {"monitor 7 of two counts as monitor 0", 7, 100, 100, 600, 400, QRect(100, 100, 600, 400)},
        {"far off to the right", 0, 9000, 100, 600, 400, QRect(1320, 100, 600, 400)},
        {"above and left of the screen", 0, -900, -900, 600, 400, QRect(0, 0, 600, 400)},
        {"larger than the work area", 0, 50, 50, 2500, 1500, QRect(0, 0, 2500, 1500)},
        {"off the bottom of the second monitor", 1, 100, 900, 600, 400, QRect(2020, 584, 600, 400)},
    };
    for (const Case& c : cases) {
        WriteUserModeInteger("P.MontorNum", c.monitor, folder_);
        WriteUserModeInteger("P.Left", c.left, folder_);
        WriteUserModeInteger("P.Top", c.top, folder_);
        WriteUserModeInteger("P.Width", c.width, folder_);
        WriteUserModeInteger("P.Height", c.height, folder_);
        QWidget form;
        RestoreFormPlacement(&form, folder_, "P", false);
        EXPECT_EQ(form.geometry(), c.expected) << c.what;
    }
}

TEST_F(FormPlacement, ConstraintsMaximisedAndAdd0)
{
    WriteUserModeInteger("C.Width", 100, folder_);
    WriteUserModeInteger("C.Height", 5000, folder_);
    WriteUserModeInteger("C.Add0", 42, folder_);
    QWidget form;
    form.setMinimumWidth(300);
    form.setMaximumHeight(700);
    EXPECT_EQ(ReadFormPlacement(&form, folder_, "C", -1, 0), 42);
    EXPECT_EQ(form.size(), QSize(300, 700));

    // A maximised window stores 0, 0 and its size less four edges.
    Use(kOne);
    QWidget big;
    big.resize(640, 480);
    big.showMaximized();
    ASSERT_TRUE(big.isMaximized());
    const QSize full = big.size();
    SaveFormPlacement(&big, folder_, "M");
    EXPECT_EQ(Read("M.Left"), 0);
    EXPECT_EQ(Read("M.Top"), 0);
    EXPECT_EQ(Read("M.Width"), full.width() - 4 * kSystemEdge);
    EXPECT_EQ(Read("M.Height"), full.height() - 4 * kSystemEdge);
    EXPECT_EQ(Read("M.Add0"), -12345) << "Add0 -1 is not written";

    // Mode 1 stores the position moved by 50 pixels; an Add0 other than -1 is written.
    QWidget w;
    w.setGeometry(200, 150, 400, 300);
    WriteFormPlacement(&w, folder_, "W", 3, 1);
    EXPECT_EQ(Read("W.Left"), 250);
    EXPECT_EQ(Read("W.Top"), 200);
    EXPECT_EQ(Read("W.Add0"), 3);
}

TEST_F(FormPlacement, Splitters)
{
    Use(kOne);
    struct Case {
        const char* what;
        std::string stored;
        int expected; // -1: untouched
    } cases[] = {
        {"a plain size", "SPLIT1=300", 300},
        {"cut to half the splitter", "SPLIT1=900", 500},
        {"raised to the pane's minimum", "SPLIT1=5", 50},
        {"not a number: skipped", "SPLIT1=abc", -1},
        {"name ignores case, other names ignored", "OTHER=10,split1=250", 250},
        {"quoted comma form", "\"SPLIT1=260\"", 260},
    };
    for (const Case& c : cases) {
        WriteUserModeString("S.Splitters", c.stored, folder_);
        WriteUserModeInteger("S.Width", 1000, folder_);
        WriteUserModeInteger("S.Height", 600, folder_);
        QWidget form;
        auto* layout = new QHBoxLayout(&form);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* splitter = new QSplitter(Qt::Horizontal);
        splitter->setObjectName(QStringLiteral("SPLIT1"));
        splitter->setHandleWidth(0);
        auto* left = new QWidget;
        left->setMinimumWidth(50);
        splitter->addWidget(left);
        splitter->addWidget(new QWidget);
        splitter->setSizes({400, 600});
        layout->addWidget(splitter);
        RestoreFormPlacement(&form, folder_, "S", false);
        form.show();
        ASSERT_EQ(splitter->width(), 1000);
        const int size = splitter->sizes().value(0);
        if (c.expected < 0)
            EXPECT_EQ(size, 400) << c.what;
        else
            EXPECT_EQ(size, c.expected) << c.what;
        EXPECT_EQ(splitter->sizes().value(0) + splitter->sizes().value(1), 1000) << c.what;

        SaveFormPlacement(&form, folder_, "S2");
        EXPECT_EQ(ReadUserModeString("S2.Splitters", "", folder_), "SPLIT1=" + std::to_string(size)) << c.what;
    }
}
