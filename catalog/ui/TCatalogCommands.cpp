#include "catalog/ui/TCatalogCommands.h"

#include "catalog/NodeFile.h"
#include "catalog/TCSVRequest.h"
#include "catalog/ui/ICatalogHost.h"
#include "catalog/ui/TLeftTree.h"
#include "data/TListDataSet.h"
#include "platform/Folders.h"
#include "platform/MiniMarkup.h"
#include "platform/TJsonDocument.h"
#include "platform/TextUtils.h"
#include "platform/ui/AnsiQString.h"
#include "platform/ui/BusyCursor.h"
#include "platform/ui/TQuestionDlg.h"

#include <filesystem>
#include <string_view>

namespace artikel {
namespace {

constexpr std::size_t kMaxAssignmentColumns = 101;

// The folder of a file, ending in the separator; empty when the name has no folder part.
std::string FolderOf(const std::string& file)
{
    const char separator = static_cast<char>(std::filesystem::path::preferred_separator);
    const std::size_t pos = file.rfind(separator);
    return pos == std::string::npos ? std::string() : file.substr(0, pos + 1);
}

// True for a folder strictly below nodesFolder: deleting it can never take the nodes folder
// itself, or anything outside it, with it.
bool IsDatabaseFolder(const std::string& folder, const std::string& nodesFolder)
{
    if (nodesFolder.empty() || folder.size() <= nodesFolder.size() ||
        folder.compare(0, nodesFolder.size(), nodesFolder) != 0)
        return false;
    for (const auto& part : std::filesystem::path(folder.substr(nodesFolder.size())))
        if (part == "..")
            return false;
    return true;
}

} // namespace

TCatalogCommands::TCatalogCommands(ICatalogHost& host)
    : host_(host)
{}

void TCatalogCommands::Reload(const std::string& idToSelect)
{
    TBusyCursorGuard busy;
    host_.Catalog().ReloadNodes();
    host_.Tree().RebuildTree(idToSelect);
}

void TCatalogCommands::ReportSaveFailure(const std::string& nodeFile)
{
    ShowInformation(QStringLiteral("</b>Die Datei <b>") + QString::fromStdString(EscapeMarkup(nodeFile)) +
                    QStringLiteral("</b> konnte nicht gespeichert werden."));
}

void TCatalogCommands::FNEWSUBNODEClick()
{
    if (host_.LoaderBusy())
        return;
    TCSVSetup setup;
    TJSON* doc = host_.SelectedSetup(setup);
    const std::string findText = host_.FindText();
    if (!doc || TrimText(findText).empty())
        return;
    TCSVRequest& catalog = host_.Catalog();
    const std::string id = catalog.AddFilter(*doc, findText);
    if (!catalog.SaveNode(*doc)) {
        // The next scan would drop the filter again; say so instead of pretending it was added.
        ReportSaveFailure(JsonTextUtf8(*doc, kNodeKeyNodeFile));
        return;
    }
    Reload(id);
}

void TCatalogCommands::FDELSUBNODEClick()
{
    if (host_.LoaderBusy())
        return;
    TTreeNode* node = host_.Tree().SelectedNode();
    if (!node)
        return;
    const std::string id = node->Data().NodeId;
    TCSVRequest& catalog = host_.Catalog();
    TJSON* doc = catalog.FindNode(id);
    const TJSON* filter = doc ? catalog.FindFilter(id) : nullptr;
    if (!filter)
        return;
    // Captions are the user's text: in a question they show as typed, never as markup.
    if (!AskYesNo(QStringLiteral("</b>Filter <b>") + FromAnsi(EscapeMarkup(JsonText(*filter, kNodeKeyCaption))) +
                  QStringLiteral("</b> löschen?")))
        return;
    // The question ran an event loop: take the document afresh rather than trust the pointers.
    doc = catalog.FindNode(id);
    if (!doc || !catalog.FindFilter(id))
        return;
    const std::string next = catalog.RemoveFilter(*doc, id);
    if (!catalog.SaveNode(*doc)) {
        ReportSaveFailure(JsonTextUtf8(*doc, kNodeKeyNodeFile));
        Reload(id);
        return;
    }
    Reload(next);
}

void TCatalogCommands::FDELECATClick()
{
    if (host_.LoaderBusy())
        return;
    TTreeNode* node = host_.Tree().SelectedNode();
    if (!node || node->Data().NodeId.empty())
        return;
    const std::string id = node->Data().NodeId;
    TCSVRequest& catalog = host_.Catalog();
    const std::string next = catalog.NeighbourNodeId(id);
    const TJSON* doc = catalog.FindNode(id);
    if (!doc)
        return;
    if (!AskYesNo(QStringLiteral("</b>Datenbank <b>") + FromAnsi(EscapeMarkup(JsonText(*doc, kNodeKeyCaption))) +
                  QStringLiteral("</b> löschen?")))
        return;
    doc = catalog.FindNode(id);
    if (!doc)
        return;
    const std::string folder = FolderOf(JsonTextUtf8(*doc, kNodeKeyNodeFile));
    if (!IsDatabaseFolder(folder, catalog.NodesFolder()))
        return;
    TBusyCursorGuard busy;
    DeleteFolderTree(folder, false);
    Reload(next);
}

void TCatalogCommands::DELALLClick()
{
    if (!AskYesNo(QStringLiteral("<b>Alle Datenbanken<b> wirklich unwiderruflich löschen?")))
        return;
    TBusyCursorGuard busy;
    TCSVRequest& catalog = host_.Catalog();
    for (const std::string& folder : {catalog.NodesFolder(), catalog.BasketsFolder()}) {
        if (folder.empty())
            continue;
        DeleteFolderTree(folder, false);
        // The catalog expects its folders to exist: the next import writes into them.
        std::error_code error;
        std::filesystem::create_directories(std::filesystem::path(folder), error);
    }
    Reload(std::string());
}

void TCatalogCommands::FPROPClick()
{
    if (host_.LoaderBusy() || host_.ImportBusy())
        return;
    TImportBusyGuard importBusy(host_);
    TCSVSetup setup;
    TJSON* doc = host_.SelectedSetup(setup);
    TListDataSet* dataSet = host_.CurrentDataSet();
    if (!doc || !dataSet || !editor_)
        return;

    std::vector<std::string> columns;
    for (int i = 0; i < dataSet->FieldCount() && columns.size() < kMaxAssignmentColumns; ++i) {
        const std::string& name = dataSet->Field(i).FieldName();
        if (!name.empty())
            columns.push_back(name);
    }
    const std::string oldCaption = JsonText(*doc, kNodeKeyCaption);
    std::string caption = oldCaption;
    editor_(columns, setup, caption, JsonTextUtf8(*doc, "SourceFilename"));

    if (caption != oldCaption) {
        SetJsonText(*doc, kNodeKeyCaption, caption);
        // The caption is the database's: with a filter selected, its database node shows it.
        TTreeNode* node = host_.Tree().SelectedNode();
        if (node && node->Kind() == TNodeKind::Filter)
            node = static_cast<TTreeNode*>(node->parent());
        host_.Tree().SetNodeText(node, QString::fromStdString(JsonTextUtf8(*doc, kNodeKeyCaption)));
        host_.Tree().update();
    }
    if (!host_.Catalog().SaveCSVSetup(*doc, setup))
        ReportSaveFailure(JsonTextUtf8(*doc, kNodeKeyNodeFile));
}

} // namespace artikel
