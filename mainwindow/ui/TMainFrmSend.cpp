// The main window's side of sending rows to the office application and of the basket.

#include "basket/ui/TBasketCustomView.h"
#include "catalog/TCSVRequest.h"
#include "data/TListDataSet.h"
#include "mainwindow/ui/OfficeSend.h"
#include "mainwindow/ui/TI_DBGrid.h"
#include "mainwindow/ui/TMainFrm.h"
#include "officelink/TExchangeOfficeLink.h"
#include "platform/ui/AnsiQString.h"
#include "platform/ui/BusyCursor.h"
#include "platform/ui/ShellOpen.h"
#include "platform/ui/TQuestionDlg.h"

#include <QPushButton>
#include <QToolButton>

namespace artikel {
namespace {

constexpr const char* kAssignFirstMessage =
    "Um nach <b>Ledgix zu senden</b>, m\xFCssen Sie die <b>Quellfelder dieser Datenbank</b> zun\xE4"
    "chst zuordnen.";
constexpr const char* kSendCaption = "Zeile nach Ledgix senden  [F7]";
constexpr const char* kAddCaption = "Zum Korb hinzuf\xFCgen [F7]";

} // namespace

std::unique_ptr<IOfficeLink> ExchangeOfficeLink()
{
    DiscoverServer();
    auto link = std::make_unique<TExchangeOfficeLink>();
    link->SetWaitHooks([] { BeginBusyCursor(); }, [] { EndBusyCursor(); });
    return link;
}

void ShowSourceFile(const std::string& file) { ShowFileInFolder(file); }

bool TMainFrm::CanSendToOffice()
{
    if (catalog_->CanPost())
        return true;
    ShowInformation(FromAnsi(kCannotPostMessage));
    return false;
}

void TMainFrm::SendRows()
{
    if (LoaderBusy() || !dataSet_ || !dataSet_->Active() || dataSet_->RecordCount() == 0)
        return;
    TCSVSetup setup;
    SelectedSetup(setup);
    if (!setup.Assigned) {
        ShowInformation(FromAnsi(kAssignFirstMessage));
        fprop_->click();
        return;
    }
    Play(TSound::Wave);
    TListDataSet& queue = catalog_->PositionSet();
    const std::vector<int> marks = grid_->RowMarks().Marks();
    try {
        if (marks.empty()) {
            catalog_->MakePosition(*dataSet_, setup, true);
        } else {
            TControlsGuard holdRows(*dataSet_);
            const int recNo = dataSet_->RecNo();
            struct TBack {
                TListDataSet& ds;
                int recNo;
                ~TBack() { ds.SetRecNo(recNo); }
            } back{*dataSet_, recNo};
            TControlsGuard holdQueue(queue);
            for (size_t i = 0; i < marks.size(); ++i) {
                dataSet_->SetRecNo(marks[i] + 1);
                catalog_->MakePosition(*dataSet_, setup, i + 1 == marks.size());
            }
        }
    } catch (const std::exception& e) {
        if (!basketMode_)
            queue.Clear();
        ShowInformation(FromAnsi(e.what()));
        return;
    }
    if (basketMode_)
        return;
    // Outside basket mode the queue holds only this send's rows: whatever happens, it is empty
    // afterwards, so no row goes out twice with a later send.
    bool sent = false;
    bool asked = false;
    try {
        if (CanSendToOffice()) {
            asked = true;
            sent = catalog_->SendPositions(true);
        }
    } catch (const std::exception&) {
        sent = false;
    }
    queue.Clear();
    if (asked && !sent)
        ShowInformation(FromAnsi(kNoReplyMessage));
}

void TMainFrm::StartBasket()
{
    if (LoaderBusy())
        return;
    basketMode_ = true;
    fstartBasket_->setEnabled(false);
    flx_->setText(FromAnsi(kAddCaption));
    catalog_->PositionSet().Clear();
    ShowBasket(
        catalog_.get(), [this](TListDataSet&) { OnBasketSend(); }, [this](TBasketCustomView*) { OnBasketClosed(); });
}

void TMainFrm::OnBasketSend()
{
    TListDataSet& queue = catalog_->PositionSet();
    bool asked = false;
    bool sent = false;
    {
        TControlsGuard hold(queue);
        try {
            if (CanSendToOffice()) {
                asked = true;
                Play(TSound::Wave);
                sent = catalog_->SendPositions(false);
            }
        } catch (const std::exception&) {
            sent = false;
        }
        if (queue.RecordCount() > 0)
            queue.First();
    }
    if (asked && !sent)
        ShowInformation(FromAnsi(kNoReplyMessage));
}

void TMainFrm::OnBasketClosed()
{
    fstartBasket_->setEnabled(true);
    fstartBasket_->setText(QStringLiteral("Start Korb"));
    flx_->setText(FromAnsi(kSendCaption));
    basketMode_ = false;
    catalog_->PositionSet().Clear();
    CloseBasket();
}

} // namespace artikel
