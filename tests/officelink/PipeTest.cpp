#include "data/TListDataSet.h"
#include "officelink/TExchangeOfficeLink.h"
#include "officelink/TIPCClient.h"
#include "platform/FileRetry.h"
#include "platform/TJsonDocument.h"
#include "tests/common/TestEnv.h"
#include "tests/officelink/PipeTestSupport.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace artikel;
using namespace artikel::test;

namespace {

class PipeTest : public ::testing::Test {
protected:
    void SetUp() override { UsePrivatePipeFolder(); }
    void TearDown() override { SetCurrentServerName({}); }

    static TIPCOptions Server(const std::string& name)
    {
        TIPCOptions options;
        options.ServerName = name;
        return options;
    }
};

TEST_F(PipeTest, RequestOnTheWireAndTheEndMark)
{
    FakeExchange fake("FAKE", [](const std::string&) { return std::string("1"); });
    TIPCResult result;
    EXPECT_EQ(ReadIPCValueSync("CANPOSTJSON", false, {}, Server("FAKE"), &result), "1");
    EXPECT_TRUE(result.AnswerValid);
    EXPECT_EQ(result.ServerName, "FAKE");
    const TMessageData expected = MakeRequestMessage("CANPOSTJSON", -1, "", true);
    const std::vector<std::string> received = fake.Received(1);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0],
              Le64(0) + Le64(static_cast<int64_t>(expected.Storage.Size())) + expected.Storage.Bytes() +
                  std::string(8, '\xFF'));
}

TEST_F(PipeTest, LongRequestAndReplyCrossChunks)
{
    const std::string big(150000, 'r'); // 300000 bytes on the wire each way
    FakeExchange fake("ECHO", [&](const std::string&) { return big + "!"; });
    const std::string answer = WriteIPCValueSync(std::string(120000, 'q'), 5, false, "OUTDATA", Server("ECHO"));
    EXPECT_EQ(answer, big + "!");
    const std::vector<std::string> received = fake.Received(1);
    ASSERT_EQ(received.size(), 1u);
    const TMessageData expected = MakeRequestMessage("OUTDATA", 5, std::string(120000, 'q'), true);
    EXPECT_EQ(received[0].substr(16, expected.Storage.Size()), expected.Storage.Bytes());
}

TEST_F(PipeTest, ThreeAttemptsThenEmpty)
{
    FakeExchange mute("MUTE", [](const std::string&) { return std::nullopt; });
    TIPCResult result;
    EXPECT_EQ(ReadIPCValueSync("CANPOSTJSON", false, {}, Server("MUTE"), &result), "");
    EXPECT_FALSE(result.AnswerValid);
    EXPECT_EQ(result.ErrorText, "ReadFile failed while reading message ID length");
    EXPECT_EQ(mute.Connections(3), 3);
    EXPECT_FALSE(WriteIPCValueASync("{}", 11, false, "OUTDATA", Server("MUTE")));
    EXPECT_EQ(mute.Connections(6), 6);
    // Empty data sends nothing at all.
    EXPECT_FALSE(WriteIPCValueASync("", 11, false, "OUTDATA", Server("MUTE")));
    EXPECT_EQ(WriteIPCValueSync("", 11, false, "OUTDATA", Server("MUTE")), "");
    EXPECT_EQ(mute.Connections(6), 6);

    // No server at all: the same, without a connection.
    EXPECT_EQ(ReadIPCValueSync("CANPOSTJSON", false, {}, Server("NOBODY"), &result), "");
    EXPECT_EQ(result.ErrorText, "WaitNamedPipe failed while wating for the pipe");
    EXPECT_EQ(ReadIPCValueSync("CANPOSTJSON", false, {}, Server("../evil"), &result), "");
    EXPECT_EQ(result.ErrorText, "CreateFile failed while creating new pipe handle");
}

TEST_F(PipeTest, RaiseOnErrorTexts)
{
    try {
        ReadIPCValueSync("CANPOSTJSON", true, {}, Server("NOBODY"));
        FAIL();
    } catch (const TIPCClientException& e) {
        EXPECT_STREQ(e.what(),
                     "Named Pipe Error [ReadIPCValueSync]\r\nErrorDesc: WaitNamedPipe failed while wating "
                     "for the pipe\r\nComputerName: .\r\nServerName: NOBODY");
    }
    try {
        WriteIPCValueSync("x", 1, true, "OUTDATA", Server("NOBODY"));
        FAIL();
    } catch (const TIPCClientException& e) {
        EXPECT_STREQ(e.what(), "WriteIPCValueSync: Der Server NOBODY antwortet nicht");
    }
    try {
        WriteIPCValueASync("x", 1, true, "OUTDATA", Server("NOBODY"));
        FAIL();
    } catch (const TIPCClientException& e) {
        EXPECT_STREQ(e.what(), "WriteIPCValueASync: Der Server NOBODY antwortet nicht");
    }
}

TEST_F(PipeTest, ServerOfACallComesFromTheListUnlessChosen)
{
    FakeExchange a("ALPHA", [](const std::string&) { return std::string("alpha"); });
    FakeExchange b("BETA", [](const std::string&) { return std::string("beta"); });
    EXPECT_EQ(ReadIPCValueSync("X"), "");
    SaveStringsRetry({"ALPHA", "BETA"}, ServerListFileName());
    EXPECT_EQ(DefaultServerName(), "ALPHA");
    EXPECT_EQ(ReadIPCValueSync("X"), "alpha");
    SetCurrentServerName("BETA");
    EXPECT_EQ(ReadIPCValueSync("X"), "beta");
}

TEST_F(PipeTest, DiscoveryTakesTheServerOfTheParentProcess)
{
    struct Case {
        const char* name;
        std::vector<std::string> list;
        std::string alphaAnswer, betaAnswer;
        int64_t parent;
        std::string chosen;
    };
    const std::string bs(1, '\x08');
    const Case cases[] = {
        {"second server is the parent's", {"ALPHA", "BETA"}, "ALPHA" + bs + "100", "BETA" + bs + "200", 200, "BETA"},
        {"two answer, neither is the parent", {"ALPHA", "BETA"}, "ALPHA" + bs + "100", "BETA" + bs + "200", 300, ""},
        {"three parts never match", {"ALPHA", "BETA"}, "ALPHA" + bs + "100", "BETA" + bs + "200" + bs + "1", 200, ""},
        // One answer only, the default server (a dead first line) silent: the answer's name.
        {"the only answer names its server", {"DEAD", "BETA"}, "", "Ledgix 2" + bs + "7", 300, "Ledgix 2"},
        {"the only answer has three parts", {"DEAD", "BETA"}, "", "X" + bs + "7" + bs + "8", 300, ""},
        // One answer, but the default server answers on its own: nothing is chosen.
        {"the default server answers", {"BETA"}, "", "BETA" + bs + "7", 300, ""},
    };
    for (const Case& c : cases) {
        SetCurrentServerName({});
        FakeExchange alpha("ALPHA", [&](const std::string& command) -> std::optional<std::string> {
            if (command != "SERVERPROCESS" || c.alphaAnswer.empty())
                return std::nullopt;
            return c.alphaAnswer;
        });
        FakeExchange beta("BETA", [&](const std::string& command) -> std::optional<std::string> {
            if (command != "SERVERPROCESS")
                return std::nullopt;
            return c.betaAnswer;
        });
        SaveStringsRetry(c.list, ServerListFileName());
        DiscoverServer(c.parent, {});
        EXPECT_EQ(CurrentServerName(), c.chosen) << c.name;
    }
}

TEST_F(PipeTest, DiscoveryUsesTheRealParentProcess)
{
    const std::string bs(1, '\x08');
    FakeExchange alpha("ALPHA", [&](const std::string&) { return "ALPHA" + bs + "1"; });
    FakeExchange beta("BETA", [&](const std::string&) { return "BETA" + bs + std::to_string(getppid()); });
    SaveStringsRetry({"ALPHA", "BETA"}, ServerListFileName());
    DiscoverServer();
    EXPECT_EQ(CurrentServerName(), "BETA");
}

#ifdef EXCHANGE_SIM

TEST_F(PipeTest, AServerThatNeverAnswersTimesOutOnceAndIsNotAskedAgain)
{
    SimProcess sim("HANGING", {QStringLiteral("--hang")});
    ASSERT_TRUE(sim.Started());
    TIPCOptions options = Server("HANGING");
    options.ReplyTimeoutMs = 300;
    TIPCResult result;
    EXPECT_EQ(ReadIPCValueSync("CANPOSTJSON", false, {}, options, &result), "");
    EXPECT_TRUE(result.TimedOut);
    EXPECT_FALSE(result.AnswerValid);
    EXPECT_EQ(sim.Commands(), std::vector<std::string>{"CANPOSTJSON"});
}

TEST_F(PipeTest, SimulatorAnswersTheProgramsQuestionsAndLogsDocuments)
{
    const std::filesystem::path log = MakeTempDir("sim") / "received.log";
    SimProcess sim("LEDGIX-TEST", {QStringLiteral("--log"), QString::fromStdString(log.string())});
    ASSERT_TRUE(sim.Started());
    EXPECT_EQ(ReadServerList().front(), "LEDGIX-TEST");

    TExchangeOfficeLink link; // the server from the list, as the program finds it
    int waits = 0;
    link.SetWaitHooks([&] { ++waits; }, [&] { ++waits; });
    EXPECT_TRUE(link.CanPost());
    const TCurrentOrder order = link.GetCurrentOrder();
    EXPECT_EQ(order.AddressText,
              "B\xE4"
              "ckerei M\xFC"
              "ller GmbHHauptstr. 1");
    EXPECT_FALSE(order.PurchaseType);

    TListDataSetEx positions;
    positions.Open();
    auto row = std::make_unique<TListRecordData>();
    (*row)[0] = "Rohr \x80";
    (*row)[3] = "11,00";
    positions.AddRecord(std::move(row), true, true);
    EXPECT_TRUE(link.SendPositions(positions));
    EXPECT_EQ(waits, 6);

    const std::string logged = ReadFileBytes(log);
    ASSERT_FALSE(logged.empty());
    EXPECT_EQ(logged.back(), '\n');
    const TJSON doc = ReadJsonUtf8(logged);
    EXPECT_EQ(JsonText(doc["Order"][0]["Parts"][0], "Description1"), "Rohr \x80");
    EXPECT_EQ(sim.Commands(), (std::vector<std::string>{"CANPOSTJSON", "SIMPLEGETJSON", "OUTDATA"}));
}

TEST_F(PipeTest, SimulatorWithoutOrderCannotTakePositions)
{
    SimProcess sim("LEDGIX-NOORDER", {QStringLiteral("--no-order")});
    ASSERT_TRUE(sim.Started());
    TExchangeOfficeLink link(Server("LEDGIX-NOORDER"));
    EXPECT_FALSE(link.CanPost());
    EXPECT_EQ(ReadIPCValueSync("CANPOSTJSON", false, {}, Server("LEDGIX-NOORDER")), "0");
}

#endif

} // namespace
