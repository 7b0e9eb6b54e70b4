#pragma once

// "Korb": the basket window. A small frameless tool window above the main window that lists the
// positions queue of the catalog, two lines per position, and sends, saves, opens and empties
// it. The window is a view of the live queue: positions the main window adds show at once.

#include <QWidget>

#include <functional>
#include <string>

class QAbstractItemView;
class QListView;
class QMenu;
class QAction;
class QToolButton;
class QPushButton;

namespace artikel {

class TCSVRequest;
class TListDataSet;
class TMarkupLabel;
class TBasketModel;

class TBasketCustomView : public QWidget {
    Q_OBJECT
public:
    // The file dialog's id and the filter-index setting it keeps.
    static constexpr const char* kDialogId = "TBasketCustomView.Dim";
    static constexpr const char* kFilterIndexKey = "OSOpenSaveFile.TBasketCustomView.Dim.FI";
    static constexpr const char* kFilter = "Korb Zeug (*.csv)";

    // Asks for a file: save (true) or open, the folder, the proposed name (native), the filters
    // and the filter index (1-based, in and out). Returns the chosen file or "".
    using TFileDialog =
        std::function<std::string(QWidget* parent, bool save, const std::string& folder, const std::string& proposed,
                                  const QStringList& filters, int& filterIndex)>;

    explicit TBasketCustomView(QWidget* parent = nullptr);
    ~TBasketCustomView() override;

    std::function<void(TBasketCustomView*)> OnClosed;
    std::function<void(TListDataSet&)> OnSend;

    // Shows the catalog's positions queue.
    virtual void SetRequest(TCSVRequest* catalog);
    TListDataSet* DataSet() const { return dataSet_; }
    TCSVRequest* Catalog() const { return catalog_; }

    // The menu's commands.
    void EmptyBasket();
    // False when the user chose no file. An unreadable file raises and keeps the positions.
    bool OpenBasket();
    bool SaveBasket();
    // Deletes the current position (nothing on an empty basket).
    void DeleteCurrent();

    void SetFileDialog(TFileDialog dialog) { fileDialog_ = std::move(dialog); }
    static TFileDialog DefaultFileDialog();

    QWidget* Panel2() const { return panel2_; }
    TMarkupLabel* HLC() const { return hlc_; }
    QPushButton* FlatSpeedButton1() const { return send_; }
    QToolButton* FlatSpeedButton2() const { return menuButton_; }
    QToolButton* FlatSpeedButton3() const { return closeButton_; }
    QListView* I_DBGrid1() const { return grid_; }
    QMenu* oxPopupMenu() const { return menu_; }
    QAction* MNU_OPEN() const { return mnuOpen_; }
    QAction* MNU_SAVE() const { return mnuSave_; }
    QAction* MNU_EMPTY() const { return mnuEmpty_; }

    // The hint of the current position (its line without markup).
    virtual std::string RowHint() const = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // Runs a menu command, showing its error.
    void RunCommand(const std::function<void()>& command);

    TBasketModel* model_ = nullptr;
    QListView* grid_ = nullptr;

private:
    TListDataSet* dataSet_ = nullptr;
    TCSVRequest* catalog_ = nullptr;
    TFileDialog fileDialog_;
    QWidget* panel2_ = nullptr;
    TMarkupLabel* hlc_ = nullptr;
    QPushButton* send_ = nullptr;
    QToolButton* menuButton_ = nullptr;
    QToolButton* closeButton_ = nullptr;
    QMenu* menu_ = nullptr;
    QAction* mnuOpen_ = nullptr;
    QAction* mnuSave_ = nullptr;
    QAction* mnuEmpty_ = nullptr;
    QPoint dragOffset_;
    bool movingWindow_ = false;
    bool closedRaised_ = false;
};

class TBasketCurrentView : public TBasketCustomView {
    Q_OBJECT
public:
    explicit TBasketCurrentView(QWidget* parent = nullptr);
    ~TBasketCurrentView() override;

    std::string RowHint() const override;
    // The position's line, drawn by the grid's delegate.
    std::string RowText(int row) const;
    // The two-line row height.
    static int RowHeight(const QFont& font);
    // True once the opening slide has ended.
    bool Opened() const { return opened_; }

    // The slide's eased offset after t of 300 ms (0..20).
    static int SlideOffset(qint64 elapsedMs);

protected:
    void showEvent(QShowEvent* event) override;
    void customEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Slide(bool horizontal);
    bool posted_ = false;
    bool opened_ = false;
};

// The open basket window (none when closed).
TBasketCurrentView* CurrentBasket();
// Closes an open basket, opens a new one at the mouse cursor on the catalog's queue, kept within
// its screen's work area.
TBasketCurrentView* ShowBasket(TCSVRequest* catalog, std::function<void(TListDataSet&)> onSend,
                               std::function<void(TBasketCustomView*)> onClosed);
// Releases the open basket window.
void CloseBasket();

} // namespace artikel
