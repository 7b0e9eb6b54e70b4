// The background loader: busy/idle timing, delivery of failed loads, destruction while loading.

#include "data/TASyncLoader.h"

#include "data/qt/TQtSyncWindow.h"
#include "tests/common/TestEnv.h"

#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace artikel {
namespace {

using test::MakeTempDir;
using test::WriteFileBytes;

struct TDelivery {
    std::unique_ptr<TListDataSet> DataSet;
    std::string ErrorText;
    std::string Tag;
    std::string FileName;
    bool BusyDuringCompletion = true;
    std::thread::id Thread;
};

class LoaderTest : public ::testing::Test {
protected:
    std::vector<TDelivery> FDeliveries;
    std::function<void(TASyncLoader&)> FOnDelivery; // runs inside the receiver's completion
    std::unique_ptr<TASyncLoader> FLoader;
    TASyncLoader* FReceiverLoader = nullptr; // stays set while FLoader is being destroyed

    void SetUp() override
    {
        FLoader = std::make_unique<TASyncLoader>(QtSynchronizerManager(),
                                                 [this](TImportWorker& job, std::unique_ptr<TListDataSet> dataSet,
                                                        const std::string& tag, const std::string& fileName) {
                                                     FDeliveries.push_back({std::move(dataSet), job.ErrorText(), tag,
                                                                            fileName, FReceiverLoader->Busy(),
                                                                            std::this_thread::get_id()});
                                                     if (FOnDelivery)
                                                         FOnDelivery(*FReceiverLoader);
                                                 });
        FReceiverLoader = FLoader.get();
    }

    bool WaitForDeliveries(std::size_t count)
    {
        return QTest::qWaitFor([&] { return FDeliveries.size() >= count; }, 20000);
    }

    static std::string File(const std::string& name, const std::string& bytes)
    {
        const auto path = MakeTempDir("loader") / name;
        WriteFileBytes(path, bytes);
        return path.string();
    }
};

TEST_F(LoaderTest, BusyEndsJustBeforeTheCompletionWhichMayStartTheNextLoad)
{
    const std::string first = File("a.csv", "Nr;Name\r\n1;Schraube\r\n");
    const std::string second = File("b.csv",
                                    "Nr;Name\r\n2;Mutter\r\n3;D\xFC"
                                    "bel\r\n");
    bool busyAfterNextLoad = false;
    FOnDelivery = [&](TASyncLoader& loader) {
        if (FDeliveries.size() == 1) {
            loader.Load(second, "node-b");
            busyAfterNextLoad = loader.Busy();
        }
    };

    EXPECT_FALSE(FLoader->Busy());
    FLoader->Load(first, "node-a");
    EXPECT_TRUE(FLoader->Busy());
    ASSERT_TRUE(WaitForDeliveries(2));
    EXPECT_FALSE(FLoader->Busy());
    EXPECT_TRUE(busyAfterNextLoad);

    const std::vector<std::pair<std::string, std::string>> expected = {{"node-a", first}, {"node-b", second}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        const TDelivery& d = FDeliveries[i];
        EXPECT_FALSE(d.BusyDuringCompletion);
        EXPECT_EQ(d.Thread, std::this_thread::get_id());
        EXPECT_EQ(d.Tag, expected[i].first);
        EXPECT_EQ(d.FileName, expected[i].second);
        EXPECT_EQ(d.ErrorText, "");
        ASSERT_TRUE(d.DataSet);
        EXPECT_TRUE(d.DataSet->Active());
    }
    EXPECT_EQ(FDeliveries[0].DataSet->RecordCount(), 1);
    EXPECT_EQ(FDeliveries[1].DataSet->RecordCount(), 2);
    EXPECT_EQ(FDeliveries[1].DataSet->Cell(1, 1),
              "D\xFC"
              "bel");
}

TEST_F(LoaderTest, SequentialLoadsKeepASingleWorkerThread)
{
    const std::string file = File("a.csv", "Nr\r\n1\r\n");
    FLoader->Load(file, "1");
    ASSERT_TRUE(WaitForDeliveries(1));
    ASSERT_TRUE(QTest::qWaitFor([&] { return FLoader->Pool().PendingJobs() == 0; }, 20000));
    EXPECT_EQ(FLoader->Pool().ThreadCount(), 1u);
    FLoader->Load(file, "2");
    ASSERT_TRUE(WaitForDeliveries(2));
    EXPECT_EQ(FLoader->Pool().ThreadCount(), 1u);
}

TEST_F(LoaderTest, FailedLoadsAreDeliveredWithTheirErrorText)
{
    std::string row101;
    for (int i = 0; i < 101; ++i) {
        if (i > 0)
            row101 += ';';
        row101 += std::to_string(i);
    }
    struct TCase {
        const char* Name;
        std::string FileName;
        std::string Error;
        bool Active;
        int Rows;
    };
    const std::vector<TCase> cases = {
        {"missing file", (MakeTempDir("loader") / "fehlt.csv").string(), "OSError", false, 0},
        {"line of 101 fields", File("wide.csv", "Nr;Name\r\n1;a\r\n" + row101 + "\r\n3;c\r\n"), "to many cols", true,
         3},
        {"header only", File("head.csv", "Nr;Name\r\n"), "", false, 0},
    };
    for (const auto& c : cases)
        FLoader->Load(c.FileName, c.Name);
    ASSERT_TRUE(WaitForDeliveries(cases.size()));
    EXPECT_FALSE(FLoader->Busy());

    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const TDelivery* d = nullptr;
        for (const auto& candidate : FDeliveries)
            if (candidate.Tag == c.Name)
                d = &candidate;
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->ErrorText, c.Error);
        ASSERT_TRUE(d->DataSet);
        EXPECT_EQ(d->DataSet->Active(), c.Active);
        EXPECT_EQ(d->DataSet->TotalCount(), c.Rows);
    }
    const TDelivery& wide = *std::find_if(FDeliveries.begin(), FDeliveries.end(),
                                          [](const TDelivery& d) { return d.Tag == "line of 101 fields"; });
    EXPECT_EQ(wide.DataSet->Cell(0, 1), "a");
    EXPECT_EQ(wide.DataSet->Cell(1, 0), "");
    EXPECT_EQ(wide.DataSet->Cell(2, 1), "c");
}

TEST_F(LoaderTest, DestructionWaitsForTheLoadServingMessagesAndStillDelivers)
{
    std::string bytes = "Nr;Name;Preis\r\n";
    for (int i = 0; i < 20000; ++i)
        bytes += std::to_string(i) + ";Kugelhahn Messing \"1/2\"\"\";12,50\r\n";
    const std::string file = File("big.csv", bytes);
    bool timerServed = false;
    QTimer::singleShot(0, [&] { timerServed = true; });

    FLoader->Load(file, "node");
    // No event is processed before the destruction: the delivery can only happen inside it.
    FLoader.reset();

    ASSERT_EQ(FDeliveries.size(), 1u);
    EXPECT_TRUE(timerServed);
    EXPECT_EQ(FDeliveries[0].ErrorText, "");
    ASSERT_TRUE(FDeliveries[0].DataSet);
    EXPECT_EQ(FDeliveries[0].DataSet->TotalCount(), 20000);
}

TEST_F(LoaderTest, AQuitRequestServedDuringTheDestructionIsNotLost)
{
    const std::string file = File("a.csv", "Nr\r\n1\r\n");
    QEventLoop loop;
    bool gaveUp = false;
    QTimer::singleShot(0, [&] {
        FLoader->Load(file, "node");
        QTimer::singleShot(0, [&] { loop.quit(); }); // met while the destruction serves messages
        FLoader.reset();
    });
    QTimer safety;
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, [&] {
        gaveUp = true;
        loop.quit();
    });
    safety.start(20000);
    loop.exec();
    EXPECT_FALSE(gaveUp);
    EXPECT_EQ(FDeliveries.size(), 1u);
}

TEST_F(LoaderTest, AnErrorOfTheReceiverLeavesTheLoaderIdleAndUsable)
{
    const std::string file = File("a.csv", "Nr\r\n1\r\n");
    FOnDelivery = [&](TASyncLoader&) {
        if (FDeliveries.size() == 1)
            throw std::runtime_error("Empfänger kaputt");
    };
    FLoader->Load(file, "1");
    ASSERT_TRUE(WaitForDeliveries(1));
    EXPECT_FALSE(FLoader->Busy());
    FLoader->Load(file, "2");
    ASSERT_TRUE(WaitForDeliveries(2));
    EXPECT_EQ(FDeliveries[1].DataSet->TotalCount(), 1);
}

} // namespace
} // namespace artikel
