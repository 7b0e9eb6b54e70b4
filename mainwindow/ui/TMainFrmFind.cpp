#include "data/TListDataSet.h"
#include "mainwindow/ProgramTitle.h"
#include "mainwindow/ui/FindGlyphs.h"
#include "mainwindow/ui/GridCopy.h"
#include "mainwindow/ui/OfficeSend.h"
#include "mainwindow/ui/StatusLine.h"
#include "mainwindow/ui/TI_DBGrid.h"
#include "mainwindow/ui/TMainFrm.h"
#include "platform/Folders.h"
#include "platform/MiniMarkup.h"
#include "platform/TextUtils.h"
#include "platform/uUserMode.h"
#include "platform/ui/AnsiQString.h"
#include "platform/ui/BusyCursor.h"
#include "platform/ui/FormPlacement.h"
#include "platform/ui/MainForm.h"
#include "platform/ui/TFSB_BOX.h"
#include "platform/ui/TMarkupLabel.h"
#include "search/ui/TAutoComplete.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QToolButton>

#include <ctime>
#include <functional>

namespace artikel {

void TMainFrm::ShowFindError(const std::string& message)
{
    // Once the window has a status line to show it in; a word file that cannot be read must not
    // stop the window from opening.
    if (!psh_ || !dataSet_) {
        qWarning("%s", message.c_str());
        return;
    }
    searchError_ = message;
    UpdateStatusLine();
    searchError_.clear();
}

void TMainFrm::ClearFindTextSilently()
{
    searchQueued_ = false;
    editFind_->setProperty("tag", 1);
    editFind_->clear();
    editFind_->setProperty("tag", 0);
}

void TMainFrm::EditFindChange()
{
    const std::string text = ToAnsi(editFind_->text());
    const std::string_view trimmed = TrimText(text);
    const bool any = !trimmed.empty();
    ffiind_->setEnabled(any);
    ffindclear_->setEnabled(any);
    fnewsubnode_->setEnabled(any);
    // A taken suggestion is searched once, by the auto-complete's selection action.
    if (editFind_->property("tag").toInt() != 0 || (autoComplete_ && autoComplete_->Taking()))
        return;
    const bool fromQueuedKey = behindSlowSearch_ && keyBehindSlowSearch_;
    keyBehindSlowSearch_ = false;
    if (fromQueuedKey) {
        searchQueued_ = true;
        return;
    }
    ApplySearch(std::string(trimmed));
}

void TMainFrm::SearchQueuedText()
{
    behindSlowSearch_ = false;
    if (!searchQueued_)
        return;
    searchQueued_ = false;
    ApplySearch(std::string(TrimText(ToAnsi(editFind_->text()))));
}

bool TMainFrm::EditFindKey(QKeyEvent* event)
{
    // Only a key taken from the queue behind a slow search waits for the queue's end; a text
    // set by the program is searched at once.
    keyBehindSlowSearch_ = behindSlowSearch_;
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        EditFindChange();
        return true;
    }
    if ((key == Qt::Key_Up || key == Qt::Key_Down) && dataSet_ && dataSet_->Active()) {
        if (key == Qt::Key_Down)
            dataSet_->Next();
        else
            dataSet_->Prior();
        return true;
    }
    return false;
}

namespace {

// The calling thread's processor time: a search's own cost, whatever else the machine does.
double ThreadCpuMs()
{
    timespec ts{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

} // namespace

// ---------------------------------------------------------------- search, sort, status

void TMainFrm::ApplySearch(const std::string& text)
{
    if (!dataSet_)
        return;
    TBusyCursorGuard busy;
    grid_->RowMarks().Clear();
    searchTokens_ = SearchTokensOf(text);
    // The search shows its own outcome below, also when it fails.
    struct TInSearch {
        bool& flag;
        explicit TInSearch(bool& f)
            : flag(f)
        {
            flag = true;
        }
        ~TInSearch() { flag = false; }
    } inSearch(inSearch_);
    grid_->SetSearchTokens(searchTokens_);
    stopwatches_[TPerfomance2::kSearch].Start();
    searchError_.clear();
    ++searchCount_;
    const double cpuStart = ThreadCpuMs();
    double filterMs = 0;
    try {
        dataSet_->ApplyFilter(text, true, true);
        filterMs = ThreadCpuMs() - cpuStart;
        if (dataSet_->FilteredCount() > 0 && !text.empty() && autoComplete_ && !autoComplete_->IsPopupActive() &&
            autoComplete_->AutoLearning)
            autoComplete_->LearnSuggestions(text, 3);
    } catch (const std::exception& e) {
        // Shown in the status line: a message box on every keystroke would stop the typing.
        searchError_ = e.what();
    }
    UpdateStatusLine();
    searchError_.clear();
    // Keys typed while a slow filter ran are queued by now: they are taken first and their final
    // text searched once, so typing never queues up filters.
    if (filterMs >= slowSearchMs_ && !behindSlowSearch_) {
        behindSlowSearch_ = true;
        QMetaObject::invokeMethod(this, &TMainFrm::SearchQueuedText, Qt::QueuedConnection);
    }
}

std::vector<std::string> TMainFrm::SearchTokensOf(std::string_view text)
{
    std::vector<std::string> tokens;
    const std::string_view trimmed = TrimText(text);
    if (trimmed.empty())
        return tokens;
    size_t start = 0;
    while (true) {
        const size_t blank = trimmed.find(' ', start);
        tokens.emplace_back(trimmed.substr(start, blank == std::string_view::npos ? blank : blank - start));
        if (blank == std::string_view::npos)
            break;
        start = blank + 1;
    }
    return tokens;
}

std::string TMainFrm::FilterInForce() const
{
    // A locate leaves the dataset's filter text as it was but shows all rows: no filter is in
    // force then.
    return dataSet_ && dataSet_->Filtered() ? dataSet_->FilterText() : std::string();
}

void TMainFrm::FollowDataSetFilter()
{
    // The status line and the highlighted tokens show the filter in force; when something else
    // than a search changed it, they follow at once.
    if (!dataSet_ || !psh_ || inSearch_ || FilterInForce() == shownFilter_)
        return;
    searchTokens_ = SearchTokensOf(FilterInForce());
    grid_->SetSearchTokens(searchTokens_);
    UpdateStatusLine();
}

void TMainFrm::SortByGridColumn(int column)
{
    if (!dataSet_)
        return;
    const std::string field = grid_->Model().ColumnField(column);
    if (field.empty())
        return;
    grid_->RowMarks().Clear();
    std::string error;
    {
        TBusyCursorGuard busy;
        try {
            dataSet_->SortByColumn(field);
        } catch (const std::exception& e) {
            error = e.what();
        }
    }
    if (!error.empty())
        ShowMessageBox(FromAnsi(error));
}

void TMainFrm::UpdateStatusLine()
{
    if (!dataSet_) {
        shownFilter_.clear();
        psh_->setText(kStatusNoDataSet);
        return;
    }
    shownFilter_ = FilterInForce();
    std::string text =
        StatusCountsText(dataSet_->TotalCount(), dataSet_->FilteredCount(), shownFilter_, LocaleGroupSeparator());
    text += "\r\n";
    const QString point = QLocale::system().decimalPoint();
    text += stopwatches_.TimeText(point.size() == 1 && point[0].unicode() < 0x80 ? static_cast<char>(point[0].unicode())
                                                                                 : '.');
    if (!searchError_.empty())
        text += " </b>| <font color=\"clred\" /font>" + EscapeMarkup(searchError_);
    psh_->setText(text);
}

} // namespace artikel
