#include "catalog/NodeFile.h"
#include "catalog/TCSVRequest.h"
#include "catalog/ui/TImporter.h"
#include "catalog/ui/TLeftTree.h"
#include "catalog/ui/TNodeData.h"
#include "data/TASyncLoader.h"
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
#include "platform/uUserMode.h"
#include "platform/ui/AnsiQString.h"
#include "platform/ui/BusyCursor.h"
#include "platform/ui/FormPlacement.h"
#include "platform/ui/MainForm.h"
#include "platform/ui/TMarkupLabel.h"
#include "platform/ui/TWiiProgressBar.h"
#include "search/ui/TAutoComplete.h"

#include <QHeaderView>
#include <QLineEdit>

#include <ctime>
#include <functional>

namespace artikel {

namespace {

std::string LowerAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The key the loaded database is known by: its file path, compared ignoring case as the
// catalog's own platform does.
std::string DatabaseFileKey(const TJSON& doc) { return LowerAscii(NodeDatabaseFile(doc)); }

} // namespace

// ---------------------------------------------------------------- catalog host

bool TMainFrm::LoaderBusy() const { return loader_ && loader_->Busy(); }

void TMainFrm::SetImportBusy(bool busy) { importBusy_ = busy; }

TJSON* TMainFrm::SelectedSetup(TCSVSetup& setup)
{
    if (!dataSet_ || !tree_)
        return nullptr;
    TTreeNode* node = tree_->SelectedNode();
    if (!node)
        return nullptr;
    TJSON* doc = catalog_->FindNode(node->Data().NodeId);
    // The keys move the selection without loading: another database's setup must never be
    // paired with the rows and columns on show.
    if (!doc || DatabaseFileKey(*doc) != loadedFileKey_)
        return nullptr;
    setup = catalog_->LoadCSVSetup(*doc);
    return doc;
}

std::string TMainFrm::FindText() const { return ToAnsi(editFind_->text()); }

void TMainFrm::ImportSources(const std::string& fileList) { importer_->ImportSources(fileList); }

// ---------------------------------------------------------------- selection and loading

bool TMainFrm::CatalogHoldsLoadedFile() const
{
    const auto lock = catalog_->LockNodeList();
    for (const TJSON* doc : catalog_->Nodes())
        if (DatabaseFileKey(*doc) == loadedFileKey_)
            return true;
    return false;
}

void TMainFrm::OnNodeSelected(const TNodeData& nodeData, bool)
{
    tree_->RememberSelection();
    // A deletion rebuilds the tree without the loaded database: its rows must not stay on show.
    // While its load still runs the key stays, so that the delivery is dropped here as well.
    if (!loadedFileKey_.empty() && !CatalogHoldsLoadedFile()) {
        FreeDataSet();
        loadComplete_ = false;
        if (!loader_->Busy())
            loadedFileKey_.clear();
    }
    if (nodeData.NodeId.empty()) {
        grid_->SetTag(TI_DBGrid::kTagNothingChosen);
        grid_->SetScrollBarsShown(false);
        psh_->setText("");
        return;
    }
    lastNodeId_ = nodeData.NodeId;
    grid_->SetTag(TI_DBGrid::kTagChosen);
    grid_->SetScrollBarsShown(true);

    TJSON* doc = catalog_->FindNode(nodeData.NodeId);
    if (!doc)
        return;
    // Nothing outside the database's own folder is ever read: such a node shows no rows, and the
    // status line tells why.
    if (const std::string problem = NodeDatabaseFileProblem(*doc); !problem.empty()) {
        if (!loader_->Busy()) {
            FreeDataSet();
            loadComplete_ = false;
            loadedFileKey_.clear();
        }
        psh_->setText("<font color=\"clred\" /font>" + EscapeMarkup(problem));
        return;
    }
    // The key compares paths as the catalog's own platform does (ignoring case); the file is
    // loaded by its real name, which matters where names are case-sensitive.
    const std::string path = NodeDatabaseFile(*doc);
    const std::string key = LowerAscii(path);
    if (!path.empty() && key != loadedFileKey_ && StartLoading()) {
        loadComplete_ = false;
        if (!loadCursor_) {
            BeginBusyCursor();
            loadCursor_ = true;
        }
        grid_->RowMarks().Clear();
        loadedFileKey_ = key;
        stopwatches_[TPerfomance2::kLoad].Start();
        loader_->Load(path, nodeData.NodeId);
        ClearFindTextSilently();
        searchTokens_.clear();
        grid_->SetSearchTokens({});
        autoComplete_->SetWordFile(JsonTextUtf8(*doc, kNodeKeyNodePath) + kWordFileName);
        try {
            autoComplete_->Reload();
        } catch (const std::exception& e) {
            ShowFindError(e.what());
        }
        return;
    }

    const TJSON* filter = catalog_->FindFilter(nodeData.NodeId);
    if (dataSet_ && filter && loadComplete_) {
        const std::string text = JsonText(*filter, kNodeKeyFilter);
        if (!text.empty()) {
            ApplySearch(text);
        } else {
            stopwatches_[TPerfomance2::kSearch].Reset();
            dataSet_->ClearFilter();
        }
    } else if (dataSet_) {
        stopwatches_[TPerfomance2::kSearch].Reset();
        dataSet_->ClearFilter();
    }
    UpdateStatusLine();
}

bool TMainFrm::StartLoading()
{
    if (loader_->Busy()) {
        Play(TSound::WaveBusy);
        return false;
    }
    psh_->setText(kStatusLoading);
    FreeDataSet();
    wii_->SetInterval(100);
    wii_->setEnabled(true);
    wii_->show();
    pwii_->show();
    if (!loadCursor_) {
        BeginBusyCursor();
        loadCursor_ = true;
    }
    return true;
}

void TMainFrm::FreeDataSet()
{
    if (grid_)
        grid_->SetDataSet(nullptr);
    dataSet_.reset();
}

void TMainFrm::EndLoadingState()
{
    wii_->setEnabled(false);
    wii_->hide();
    pwii_->hide();
    if (loadCursor_) {
        loadCursor_ = false;
        EndBusyCursor();
    }
}

void TMainFrm::OnDatabaseLoaded(std::unique_ptr<TListDataSet> dataSet, const std::string& nodeId)
{
    if (destroying_)
        return;
    if (!dataSet) {
        // Nothing to show, but the window must not stay busy.
        EndLoadingState();
        return;
    }
    loadComplete_ = true;
    FreeDataSet();
    dataSet_ = std::move(dataSet);

    const TJSON* filter = catalog_->FindFilter(nodeId);
    const std::string filterText = filter ? JsonText(*filter, kNodeKeyFilter) : std::string();
    if (!filterText.empty()) {
        ApplySearch(filterText);
    } else {
        stopwatches_[TPerfomance2::kSearch].Reset();
        dataSet_->ClearFilter();
    }

    grid_->hide();
    grid_->SetDataSet(dataSet_.get());
    const bool hasFields = dataSet_->FieldCount() > 0;
    if (hasFields)
        ShowDataSetColumns(nodeId);
    grid_->setVisible(hasFields);
    EndLoadingState();
    UpdateStatusLine();
    tree_->RefireSelection();
}

void TMainFrm::ShowDataSetColumns(const std::string& nodeId)
{
    std::vector<TGridColumn> columns;
    const int width = grid_->width() / 5;
    for (int i = 0; i < dataSet_->FieldCount(); ++i)
        columns.push_back({dataSet_->Field(i).FieldName(), width});
    grid_->SetColumns(std::move(columns));
    grid_->horizontalHeader()->setSectionsClickable(true);
    grid_->horizontalHeader()->setSortIndicatorShown(false);
    const TJSON* doc = catalog_->FindNode(nodeId);
    grid_->SetLayoutName(doc ? JsonTextUtf8(*doc, kNodeKeyNodePath) + "grid.col" : GetScratchFolder() + "grid.col.tmp");
    grid_->LoadColumnLayout();
}

} // namespace artikel
