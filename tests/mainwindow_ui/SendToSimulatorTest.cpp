// Sending from the main window to the exchange simulator as a separate process, over the real
// pipe: what its log shows it received.

#include "basket/ui/TBasketCustomView.h"
#include "data/TListDataSet.h"
#include "mainwindow/ui/TI_DBGrid.h"
#include "officelink/TIPCClient.h"
#include "platform/ui/TMarkupLabel.h"
#include "platform/ui/TQuestionDlg.h"
#include "tests/mainwindow_ui/MainWindowFixture.h"
#include "tests/platform_ui/ModalDriver.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QPushButton>

namespace artikel::test {
namespace {

#ifdef EXCHANGE_SIM

// exchange-sim logging every document it takes into a file, running until destroyed.
class TSimulator {
public:
    explicit TSimulator(QStringList options)
        : log_(MakeTempDir("simlog") / "documents.log")
    {
        // The pipe lives in a private folder of this test; no server of an earlier test is kept.
        const std::filesystem::path run = MakeTempDir("run");
        std::filesystem::permissions(run, std::filesystem::perms::owner_all);
        setenv("XDG_RUNTIME_DIR", run.c_str(), 1);
        SetCurrentServerName({});
        std::filesystem::remove(ServerListFileName());
        options << QStringLiteral("--name") << QStringLiteral("ArtikelblickSendTest") << QStringLiteral("--no-window")
                << QStringLiteral("--log") << QString::fromStdString(log_.string());
        process_.start(QStringLiteral(EXCHANGE_SIM), options);
        process_.setReadChannel(QProcess::StandardError);
        if (!process_.waitForStarted(10000))
            return;
        QElapsedTimer timer;
        timer.start();
        QByteArray said;
        while (timer.elapsed() < 20000 && process_.state() == QProcess::Running) {
            process_.waitForReadyRead(100);
            said += process_.readAllStandardError();
            if (said.contains("listening")) {
                listening_ = true;
                break;
            }
        }
        if (!listening_)
            ADD_FAILURE() << said.toStdString() << " state " << process_.state() << " exit " << process_.exitCode();
    }
    ~TSimulator()
    {
        process_.terminate();
        if (!process_.waitForFinished(5000))
            process_.kill();
        process_.waitForFinished(5000);
    }
    bool Listening() const { return listening_; }
    // Per document received: the "Description1/Number" of its parts.
    std::vector<std::vector<std::string>> Documents() const
    {
        std::vector<std::vector<std::string>> documents;
        QFile file(QString::fromStdString(log_.string()));
        if (!file.open(QIODevice::ReadOnly))
            return documents;
        for (const QByteArray& line : file.readAll().split('\n')) {
            if (line.trimmed().isEmpty())
                continue;
            std::vector<std::string> parts;
            const QJsonArray array = QJsonDocument::fromJson(line)
                                         .object()[QStringLiteral("Order")]
                                         .toArray()[0]
                                         .toObject()[QStringLiteral("Parts")]
                                         .toArray();
            for (const auto& part : array)
                parts.push_back((part.toObject()[QStringLiteral("Description1")].toString() + QStringLiteral("/") +
                                 part.toObject()[QStringLiteral("Number")].toString())
                                    .toStdString());
            documents.push_back(parts);
        }
        return documents;
    }

private:
    std::filesystem::path log_;
    QProcess process_;
    bool listening_ = false;
};

const char* kCsv = "Nr;Text;Preis\r\n"
                   "10;Rohr;1,50\r\n"
                   "20;Bogen;2,00\r\n"
                   "30;Muffe;0,75\r\n"
                   "40;Kappe;3,00\r\n"
                   "50;Nippel;0,40\r\n"
                   "60;Stopfen;0,20\r\n";

class SendToSimulator : public ::testing::Test {
protected:
    TMainFrm& Start()
    {
        const auto folder = fx_.AddDatabase("db-a", "A", kCsv);
        WriteFileBytes(folder / "node.json",
                       "{\"Caption\":\"A\",\"Filename\":\"db.csv\",\"uid\":\"db-a\",\"items\":[],"
                       "\"sfdescription\":\"\\\"Text\\\"\",\"sfpartNo\":\"\\\"Nr\\\"\",\"sfPrice\":\"\\\"Preis\\\"\"}");
        fx_.SetLastNode("db-a");
        TMainFrm& w = fx_.Start();
        EXPECT_EQ(w.I_DBGrid1()->model()->rowCount(), 6);
        return w;
    }
    TCatalogFixture fx_;
};

TEST_F(SendToSimulator, OneRowThenFiveMarkedRowsInMarkingOrder)
{
    TSimulator sim({});
    ASSERT_TRUE(sim.Listening());
    TMainFrm& w = Start();
    TI_DBGrid* grid = w.I_DBGrid1();
    grid->setCurrentIndex(grid->model()->index(2, 0));
    QTest::keyClick(&w, Qt::Key_F7);
    for (int row : {4, 0, 5, 1, 3})
        grid->RowMarks().Mark(row);
    QTest::keyClick(&w, Qt::Key_F7);
    using Parts = std::vector<std::string>;
    ASSERT_TRUE(QTest::qWaitFor([&] { return sim.Documents().size() == 2; }, 5000));
    EXPECT_EQ(sim.Documents(),
              (std::vector<Parts>{
                  {"Muffe/30"},
                  {"Nippel/50", "Rohr/10", "Stopfen/60", "Bogen/20", "Kappe/40"},
              }));
    EXPECT_EQ(w.Catalog().PositionSet().RecordCount(), 0);
}

TEST_F(SendToSimulator, WithoutAnOpenOrderNothingIsSentAndNothingStays)
{
    TSimulator sim({QStringLiteral("--no-order")});
    ASSERT_TRUE(sim.Listening());
    TMainFrm& w = Start();
    std::string message;
    OnNextModal([&](QWidget* modal) {
        auto* dlg = qobject_cast<TQuestionDlg*>(modal);
        ASSERT_NE(dlg, nullptr);
        message = dlg->HLSK()->text();
        dlg->FOK()->click();
    });
    QTest::keyClick(&w, Qt::Key_F7);
    EXPECT_EQ(message, kCannotPostMessage);
    EXPECT_EQ(w.Catalog().PositionSet().RecordCount(), 0);
    QTest::qWait(200);
    EXPECT_TRUE(sim.Documents().empty());
}

TEST_F(SendToSimulator, TheBasketSendsAndKeepsUntilClosed)
{
    TSimulator sim({});
    ASSERT_TRUE(sim.Listening());
    TMainFrm& w = Start();
    TI_DBGrid* grid = w.I_DBGrid1();
    w.FStartBasket()->click();
    TBasketCurrentView* basket = CurrentBasket();
    ASSERT_NE(basket, nullptr);
    grid->setCurrentIndex(grid->model()->index(1, 0));
    QTest::keyClick(&w, Qt::Key_F7);
    grid->setCurrentIndex(grid->model()->index(0, 0));
    QTest::keyClick(&w, Qt::Key_F7);
    QTest::qWait(100);
    EXPECT_TRUE(sim.Documents().empty());

    basket->FlatSpeedButton1()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return sim.Documents().size() == 1; }, 5000));
    EXPECT_EQ(sim.Documents()[0], (std::vector<std::string>{"Bogen/20", "Rohr/10"}));
    EXPECT_EQ(w.Catalog().PositionSet().RecordCount(), 2);

    basket->close();
    EXPECT_FALSE(w.BasketMode());
    EXPECT_EQ(w.Catalog().PositionSet().RecordCount(), 0);
}

#endif

} // namespace
} // namespace artikel::test
