#pragma once

// Import through the converter: new sources from the file dialog, dropped files and the
// clipboard become databases of the catalog, and a database is re-imported from its source.
// While the converter runs, the host window is disabled under a red overlay that counts the
// seconds, and the interface keeps painting. Works through the host window (ICatalogHost).

#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class QWidget;

namespace artikel {

class ICatalogHost;
class TSendQuerySyncThread;

// The open-file dialog: parent, initial folder, the filter entries (Qt name filters) and the
// 1-based filter index (changed to the one chosen). Returns the chosen files; none when the user
// cancels.
using TOpenFilesDialog = std::function<QStringList(QWidget* parent, const QString& initialFolder,
                                                   const QStringList& filters, int& filterIndex)>;

class TImporter : public QObject {
    Q_OBJECT
public:
    using TClock = std::function<std::chrono::steady_clock::time_point()>;

    // Settings of the file dialog.
    static constexpr const char* kInitialDirKey = "Import.PA.InitialDir";
    static constexpr const char* kFilterIndexKey = "OSOpenSaveFile.ImportData.FI";
    // The dialog's filter as the program has always written it: pairs of description and mask.
    static constexpr const char* kImportFilter = "*|*.*|Alle Dateien";
    static constexpr int kPollMs = 10;
    static constexpr std::chrono::milliseconds kDropDelay{100};

    explicit TImporter(ICatalogHost& host, QObject* parent = nullptr);
    ~TImporter() override;

    // Imports the listed files (one full path per line; empty: the user chooses); the last new
    // database is selected and so loaded. Nothing while a load or an import runs.
    void ImportSources(const std::string& fileList);
    // Converts each listed file and adds it to the catalog below nodesFolder; a file that fails
    // is reported and skipped. False only when the dialog was cancelled. lastId: the uid of the
    // last database created (empty when none was).
    bool ImportFiles(const std::string& fileList, const std::string& nodesFolder, std::string& lastId);
    // Runs the converter on source under the overlay; shows what went wrong. On success,
    // sourceUsed and target name the files.
    bool ConvertSource(const std::string& source, std::string& sourceUsed, std::string& target);
    // What the converter noted on the files converted since the last ShowConverterNotes:
    // per source file name (native), its notes (Windows-1252).
    const std::vector<std::pair<std::string, std::vector<std::string>>>& PendingNotes() const { return notes_; }
    // Shows the pending notes in one information dialog, once every file of an import is
    // done, so that a multi-file import runs through; nothing when there are none.
    void ShowConverterNotes();
    // Waits for the started converter while the interface keeps painting (10 ms polls) and the
    // overlay counts the seconds.
    void RunConverter(TSendQuerySyncThread& waiter);

    void ShowBusyPanel(const QString& text);
    void HideBusyPanel();
    // The overlay while it is shown, else null.
    QLabel* BusyPanel() const { return panel_; }

    // Files dropped on the host window: imported after kDropDelay, so that the drag source is
    // released first. Refused (false) while a load or an import runs.
    bool DropFiles(const std::string& fileList);
    // A drag over the window is refused while an import runs.
    bool AcceptsDrops() const;

    // The source that the clipboard holds (see ClipboardSourceFrom); empty when none.
    std::string ClipboardSource() const;
    // "Aus Zwischenablage einfügen": imports the clipboard's source. Nothing while a load runs.
    void ImportFromClipboard();

    // "Datenbank aktualisieren" (Ctrl+F5 in the tree): re-imports the selected database from its
    // source after a question; a missing source is chosen in the import's file dialog and
    // recorded as the database's new source.
    void FDBRESYNCClick();

    // --- for tests and special installs ---
    // The converter used; empty (the default): convrun beside the program, looked up for every
    // conversion, else the fixed fallback.
    void SetConverterExecutable(std::string executable) { executable_ = std::move(executable); }
    std::string ConverterExecutable() const;
    void SetOpenFilesDialog(TOpenFilesDialog dialog) { dialog_ = std::move(dialog); }
    void SetClock(TClock clock) { clock_ = std::move(clock); }
    void SetDropDelay(std::chrono::milliseconds delay) { dropDelay_ = delay; }

    // The filter text above as Qt name filters ("* (*)", "Alle Dateien (*)").
    static QStringList DialogFilters(const QString& delphiFilter);

private:
    // The file dialog with the import's settings; empty when nothing was chosen.
    QStringList ChooseFiles();
    void ShowError(const std::string& ansiMessage);

    ICatalogHost& host_;
    std::string executable_;
    TOpenFilesDialog dialog_;
    TClock clock_;
    std::chrono::milliseconds dropDelay_ = kDropDelay;
    QPointer<QLabel> panel_; // a child of the host window
    std::vector<std::pair<std::string, std::vector<std::string>>> notes_;
};

} // namespace artikel
