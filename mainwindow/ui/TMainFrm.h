#pragma once

// The program's main window: the tool row, the database tree on the left, the grid of the loaded
// database, the status row. It owns the catalog, the tree, the background loader and the loaded
// dataset, loads a database when its tree node is selected, and offers the tree, the catalog
// commands and the import what they need of it (ICatalogHost).

#include "catalog/IOfficeLink.h"
#include "catalog/ui/ICatalogHost.h"
#include "mainwindow/TPerfomance.h"

#include <QWidget>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QAction;
class QKeyEvent;
class QLineEdit;
class QMenu;
class QSplitter;
class QToolButton;
class QPushButton;

namespace artikel {

class TASyncLoader;
class TBasketCustomView;
class TAutoComplete;
class TCatalogCommands;
class TImporter;
class TCSVRequest;
class TI_DBGrid;
class TImportWorker;
class TLeftTree;
class TListDataSet;
class TMarkupLabel;
class TWiiProgressBar;
struct TNodeData;

// The window's sounds (the system beep stands in for each of them).
enum class TSound { Wave, WaveBusy, WaveCopy };

class TMainFrm : public QWidget, public ICatalogHost {
    Q_OBJECT
public:
    // The settings key of the last selected node and the placement's key prefix.
    static constexpr const char* kLastNodeKey = "Last.Node";
    static constexpr const char* kPlacementPrefix = "ZB4711";
    // The catalog lives below clientRoot (empty: the user's client root). The office application
    // is reached through officeLink (none: its exchange server, found at creation).
    explicit TMainFrm(const std::string& clientRoot = {}, QWidget* parent = nullptr,
                      std::unique_ptr<IOfficeLink> officeLink = nullptr);
    ~TMainFrm() override;

    // --- ICatalogHost ---
    TCSVRequest& Catalog() override { return *catalog_; }
    TLeftTree& Tree() override { return *tree_; }
    QWidget* HostWindow() override { return this; }
    bool LoaderBusy() const override;
    bool ImportBusy() const override { return importBusy_; }
    void SetImportBusy(bool busy) override;
    TListDataSet* CurrentDataSet() override { return dataSet_.get(); }
    TJSON* SelectedSetup(TCSVSetup& setup) override;
    std::string FindText() const override;

    // --- operations of the window ---
    // The tree's selection: loads the node's database or applies the filter node.
    void OnNodeSelected(const TNodeData& nodeData, bool refire);
    // Enters the loading state; false (with the busy sound) while a load runs.
    bool StartLoading();
    // A load has completed (on the interface thread).
    void OnDatabaseLoaded(std::unique_ptr<TListDataSet> dataSet, const std::string& nodeId);
    // Filters the loaded database by a find text and refreshes the status line.
    void ApplySearch(const std::string& text);
    // The find box's text changed: the buttons follow it and, unless the window itself changed
    // the text, it is searched.
    void EditFindChange();
    void UpdateStatusLine();
    // Imports the files listed (one path per line); an empty list lets the user choose.
    void ImportSources(const std::string& fileList);
    // Sorts by the grid column's field (a title click).
    void SortByGridColumn(int column);
    // "Kopieren" (Ctrl+C in the grid): the current cell's text to the clipboard.
    void CopyCell();
    // "Zeile(n) kopieren": the marked rows in marking order, else the current row, with a header
    // line of the shown columns, as CSV text and as an HTML table.
    void CopyRows();
    // "Zeile nach Ledgix senden" (F7): the current or marked rows become positions; outside
    // basket mode they are sent at once and the queue is empty afterwards, whatever happened.
    void SendRows();
    // True when the office application can take positions; otherwise says so.
    bool CanSendToOffice();
    // "Start Korb": basket mode with the basket window.
    void StartBasket();
    // The basket's "Senden" and its closing.
    void OnBasketSend();
    void OnBasketClosed();
    bool BasketMode() const { return basketMode_; }
    // Plays a sound and counts it (the tests read the count).
    void Play(TSound sound);
    int SoundCount(TSound sound) const { return soundCounts_[static_cast<int>(sound)]; }

    // The catalog commands (the find box's filter buttons use them too).
    TCatalogCommands& Commands() { return *commands_; }
    // The import through the converter.
    TImporter& Importer() { return *importer_; }

    // --- state, for the catalog widgets and the tests ---
    const std::string& LastNodeId() const { return lastNodeId_; }
    bool LoadComplete() const { return loadComplete_; }
    const std::string& LoadedFileKey() const { return loadedFileKey_; }
    const std::vector<std::string>& SearchTokens() const { return searchTokens_; }
    TPerfomance2& Stopwatches() { return stopwatches_; }
    // How many searches have filtered the loaded database.
    int SearchCount() const { return searchCount_; }
    // A search whose filter took at least this much of the interface thread's time is slow: the
    // changes of the find box queued behind it (keys typed meanwhile) give one search of the final
    // text, once they are taken.
    void SetSlowSearchMs(double ms) { slowSearchMs_ = ms; }
    TAutoComplete* AutoComplete() const { return autoComplete_.get(); }
    // True once the start-up (scan, tree, first selection) has run.
    bool Started() const { return started_; }

    // --- controls ---
    QWidget* PTOP() const { return ptop_; }
    QToolButton* FNEWCAT() const { return fnewcat_; }
    QToolButton* FlatSpeedButton1() const { return flatSpeedButton1_; }
    QMenu* oxPopupMenuDBDEL() const { return popupDbDel_; }
    QAction* ClipboardAction() const { return clipboardAction_; }
    QAction* FDELECAT() const { return fdelecat_; }
    QAction* FDBRESYNC() const { return fdbresync_; }
    QAction* DELALL() const { return delall_; }
    QLineEdit* EditFind() const { return editFind_; }
    QToolButton* FFINDCLEAR() const { return ffindclear_; }
    QToolButton* FFIIND() const { return ffiind_; }
    QToolButton* FNEWSUBNODE() const { return fnewsubnode_; }
    QToolButton* FDELSUBNODE() const { return fdelsubnode_; }
    QPushButton* FLX() const { return flx_; }
    QPushButton* FStartBasket() const { return fstartBasket_; }
    QWidget* PB() const { return pb_; }
    QWidget* PWII() const { return pwii_; }
    TWiiProgressBar* BusyIndicator() const { return wii_; }
    TMarkupLabel* PSH() const { return psh_; }
    TMarkupLabel* HLCopied() const { return hlCopied_; }
    QWidget* PLEFT() const { return pleft_; }
    QToolButton* FPROP() const { return fprop_; }
    QSplitter* SplitterX1() const { return splitter_; }
    TI_DBGrid* I_DBGrid1() const { return grid_; }
    QMenu* oxPopupMenuGrid() const { return popupGrid_; }
    QAction* MNU_COPYTEXT() const { return mnuCopyText_; }
    QAction* Zeilekopieren1() const { return zeilekopieren1_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void customEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateLayout();
    QWidget* CreateToolRow();
    QWidget* CreateStatusRow();
    QWidget* CreateLeftPanel();
    void CreateTree();
    void StartUp();
    void TreeKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void EndLoadingState();
    // The blank-separated tokens of a find text, highlighted in the grid.
    static std::vector<std::string> SearchTokensOf(std::string_view text);
    // The dataset's view changed: the status line and the highlighting follow a changed filter.
    void FollowDataSetFilter();
    // The find text of the filter that decides the rows on show; empty when all rows show.
    std::string FilterInForce() const;
    // Frees the loaded dataset; the grid shows its empty message.
    void FreeDataSet();
    // True while a node of the catalog names the loaded (or loading) database file.
    bool CatalogHoldsLoadedFile() const;
    void ShowDataSetColumns(const std::string& nodeId);
    void CreateFindBox();
    void CreateGridMenu();
    // The grid's context menu and Ctrl+C; true = consumed.
    bool GridEvent(QObject* watched, QEvent* event);
    void CreateAutoComplete();
    // A failure of the find box (an unknown column, an unreadable word file) in red in the
    // status line: a message box on every keystroke would stop the typing.
    void ShowFindError(const std::string& message);
    // Empties the find box without searching.
    void ClearFindTextSilently();
    // EditFind's own keys, after the auto-complete had its turn; true = consumed.
    bool EditFindKey(QKeyEvent* event);
    // Runs after the events queued behind a slow search: searches the latest text once.
    void SearchQueuedText();

    std::unique_ptr<TASyncLoader> loader_;
    std::unique_ptr<TCSVRequest> catalog_;
    std::unique_ptr<TListDataSet> dataSet_;
    TLeftTree* tree_ = nullptr; // child of PLEFT; deleted before the catalog
    std::unique_ptr<TCatalogCommands> commands_;
    std::unique_ptr<TImporter> importer_;
    std::unique_ptr<TAutoComplete> autoComplete_;
    std::unique_ptr<QObject> findKeyFilter_;
    TPerfomance2 stopwatches_;
    // The error of the running search, shown in the status line it rewrites.
    std::string searchError_;
    int searchCount_ = 0;
    double slowSearchMs_ = 2;
    // Set after a slow search until the events queued behind it are taken.
    bool behindSlowSearch_ = false;
    // The key being handled arrived while behindSlowSearch_ was set.
    bool keyBehindSlowSearch_ = false;
    // A change of the find box arrived meanwhile: its latest text is still to be searched.
    bool searchQueued_ = false;
    std::vector<std::string> searchTokens_;
    // The dataset's filter text as the status line shows it.
    std::string shownFilter_;
    bool inSearch_ = false; // a search is filtering the dataset
    std::string lastNodeId_;
    std::string loadedFileKey_;
    bool loadComplete_ = false;
    bool importBusy_ = false;
    bool started_ = false;
    bool startPosted_ = false;
    bool loadCursor_ = false; // the busy cursor shown for the running load
    bool destroying_ = false;
    bool basketMode_ = false;
    int soundCounts_[3] = {};

    QWidget* ptop_ = nullptr;
    QToolButton* fnewcat_ = nullptr;
    QToolButton* flatSpeedButton1_ = nullptr;
    QMenu* popupDbDel_ = nullptr;
    QAction* clipboardAction_ = nullptr;
    QAction* fdelecat_ = nullptr;
    QAction* fdbresync_ = nullptr;
    QAction* delall_ = nullptr;
    QLineEdit* editFind_ = nullptr;
    QToolButton* ffindclear_ = nullptr;
    QToolButton* ffiind_ = nullptr;
    QToolButton* fnewsubnode_ = nullptr;
    QToolButton* fdelsubnode_ = nullptr;
    QWidget* pbut_ = nullptr;
    QPushButton* flx_ = nullptr;
    QPushButton* fstartBasket_ = nullptr;
    QWidget* pb_ = nullptr;
    QWidget* pwii_ = nullptr;
    TWiiProgressBar* wii_ = nullptr;
    TMarkupLabel* psh_ = nullptr;
    TMarkupLabel* hlCopied_ = nullptr;
    QWidget* pleft_ = nullptr;
    QWidget* panel2_ = nullptr;
    QToolButton* fprop_ = nullptr;
    QSplitter* splitter_ = nullptr;
    TI_DBGrid* grid_ = nullptr;
    QMenu* popupGrid_ = nullptr;
    QAction* mnuCopyText_ = nullptr;
    QAction* zeilekopieren1_ = nullptr;
};

} // namespace artikel
