#include "catalog/ui/TImporter.h"

#include "catalog/ConverterImport.h"
#include "catalog/NodeFile.h"
#include "catalog/TCSVRequest.h"
#include "catalog/TSendQuerySyncThread.h"
#include "catalog/ui/ICatalogHost.h"
#include "catalog/ui/TLeftTree.h"
#include "platform/Folders.h"
#include "platform/MiniMarkup.h"
#include "platform/Win1252.h"
#include "platform/uUserMode.h"
#include "platform/ui/AnsiQString.h"
#include "platform/ui/BusyCursor.h"
#include "platform/ui/TFSB_BOX.h"
#include "platform/ui/TQuestionDlg.h"
#include "platform/ui/TSingleInstance.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QFileDialog>
#include <QLabel>
#include <QLocale>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

namespace artikel {

namespace {

QStringList DefaultOpenFilesDialog(QWidget* parent, const QString& initialFolder, const QStringList& filters,
                                   int& filterIndex)
{
    QFileDialog dialog(parent, QString(), initialFolder);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(filters);
    if (filterIndex >= 1 && filterIndex <= filters.size())
        dialog.selectNameFilter(filters.at(filterIndex - 1));
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const int chosen = filters.indexOf(dialog.selectedNameFilter());
    if (chosen >= 0)
        filterIndex = chosen + 1;
    return dialog.selectedFiles();
}

std::string ToNative(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString FromNative(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

QString SecondsText(long long seconds)
{
    return QStringLiteral(" Quelle wird konvertiert: ") + QLocale().toString(seconds) + QStringLiteral(" Sek.");
}

} // namespace

TImporter::TImporter(ICatalogHost& host, QObject* parent)
    : QObject(parent),
      host_(host),
      dialog_(DefaultOpenFilesDialog)
{}

TImporter::~TImporter() { delete panel_; }

std::string TImporter::ConverterExecutable() const
{
    return executable_.empty() ? FindConverterExecutable() : executable_;
}

QStringList TImporter::DialogFilters(const QString& delphiFilter)
{
    // "description|mask|description|mask..."; a last description without its mask shows all.
    const QStringList parts = delphiFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        QString mask = i + 1 < parts.size() ? parts.at(i + 1) : QString();
        // "*.*" means every file, also one without an extension.
        if (mask.isEmpty() || mask == QLatin1String("*.*"))
            mask = QStringLiteral("*");
        mask.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << parts.at(i) + QStringLiteral(" (") + mask + QLatin1Char(')');
    }
    return filters;
}

void TImporter::ShowError(const std::string& ansiMessage) { ShowMessageBox(FromAnsi(EscapeMarkup(ansiMessage))); }

QStringList TImporter::ChooseFiles()
{
    const std::string stored = Win1252ToUtf8(ReadUserModeString(kInitialDirKey, ""));
    const QString initialFolder = FromNative(IncludeBackslash(stored));
    const QStringList filters = DialogFilters(QString::fromLatin1(kImportFilter));
    int filterIndex = ReadUserModeInteger(kFilterIndexKey, 1);
    if (filterIndex < 1 || filterIndex > filters.size())
        filterIndex = 1;
    QStringList files = dialog_ ? dialog_(host_.HostWindow(), initialFolder, filters, filterIndex) : QStringList();
    files.removeAll(QString());
    if (files.isEmpty())
        return {};
    WriteUserModeInteger(kFilterIndexKey, filterIndex);
    WriteUserModeString(kInitialDirKey, Utf8ToWin1252(ExcludeBackslash(ExtractFilePath(ToNative(files.first())))));
    return files;
}

void TImporter::ImportSources(const std::string& fileList)
{
    if (host_.LoaderBusy() || host_.ImportBusy())
        return;
    TImportBusyGuard importBusy(host_);
    notes_.clear();
    std::string lastId;
    try {
        if (ImportFiles(fileList, host_.Catalog().NodesFolder(), lastId) && !lastId.empty()) {
            TBusyCursorGuard busy;
            host_.Catalog().ReloadNodes();
            host_.Tree().RebuildTree(lastId);
        }
    } catch (const std::exception& e) {
        ShowError(e.what());
    }
    ShowConverterNotes();
}

void TImporter::ShowConverterNotes()
{
    if (notes_.empty())
        return;
    // Taken first: the dialog serves events, and a new import must start with no old notes.
    const auto notes = std::move(notes_);
    notes_.clear();
    QString text;
    for (const auto& [file, lines] : notes) {
        if (!text.isEmpty())
            text += QStringLiteral("<br><br>");
        text += QStringLiteral("</b>Hinweise zum Import von <b>") + FromAnsi(EscapeMarkup(Utf8ToWin1252(file))) +
            QStringLiteral("</b>:");
        for (const std::string& line : lines)
            text += QStringLiteral("<br>\u2022 ") + FromAnsi(EscapeMarkup(line));
    }
    ShowInformation(text);
}

bool TImporter::ImportFiles(const std::string& fileList, const std::string& nodesFolder, std::string& lastId)
{
    lastId.clear();
    std::vector<std::string> files = SplitFileList(fileList);
    if (files.empty()) {
        const QStringList chosen = ChooseFiles();
        if (chosen.isEmpty())
            return false;
        for (const QString& file : chosen)
            files.push_back(ToNative(file));
    }
    for (const std::string& file : files) {
        std::string sourceUsed;
        std::string target;
        if (!ConvertSource(file, sourceUsed, target))
            continue;
        try {
            lastId = AddConvertedDatabase(nodesFolder, target, sourceUsed);
        } catch (const EImportError& e) {
            ShowError(e.what());
        }
    }
    return true;
}

bool TImporter::ConvertSource(const std::string& source, std::string& sourceUsed, std::string& target)
{
    BeginBusyCursor();
    bool busyCursor = true;
    const TConversion conversion =
        ConvertSourceFile(ConverterExecutable(), source, [this](TSendQuerySyncThread& waiter) {
            ShowBusyPanel(QStringLiteral("Warten auf Importdaten.."));
            struct THide {
                TImporter* self;
                ~THide() { self->HideBusyPanel(); }
            } hide{this};
            RunConverter(waiter);
        });
    if (!conversion.Ok() && conversion.Status != TConversion::TStatus::SourceMissing) {
        EndBusyCursor();
        busyCursor = false;
        ShowError(conversion.Message);
    }
    if (QWidget* window = host_.HostWindow()) {
        ForceForegroundWindow(window);
        window->repaint();
    }
    if (busyCursor)
        EndBusyCursor();
    sourceUsed = conversion.Source;
    target = conversion.Target;
    if (conversion.Ok() && !conversion.Notes.empty())
        notes_.emplace_back(ExtractFileName(conversion.Source), conversion.Notes);
    return conversion.Ok();
}

void TImporter::RunConverter(TSendQuerySyncThread& waiter)
{
    using namespace std::chrono;
    const TClock clock = clock_ ? clock_ : TClock([] { return steady_clock::now(); });
    const steady_clock::time_point start = clock();
    steady_clock::time_point lastUpdate = start;
    while (!waiter.Terminated()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (waiter.WaitFor(milliseconds(kPollMs)))
            break;
        // A dialog or widget may have replaced the busy cursor meanwhile.
        if (BusyCursorDepth() > 0) {
            const QCursor* cursor = QGuiApplication::overrideCursor();
            if (cursor && cursor->shape() != Qt::BusyCursor)
                QGuiApplication::changeOverrideCursor(QCursor(Qt::BusyCursor));
        }
        const steady_clock::time_point now = clock();
        if (now - lastUpdate > seconds(2)) {
            lastUpdate = now;
            if (panel_)
                panel_->setText(SecondsText(duration_cast<seconds>(now - start).count()));
        }
    }
}

void TImporter::ShowBusyPanel(const QString& text)
{
    QWidget* window = host_.HostWindow();
    delete panel_;
    panel_ = new QLabel(QStringLiteral(" ") + text, window);
    panel_->setObjectName(QStringLiteral("ImportBusyPanel"));
    panel_->setGeometry(8, 16, 400, 41);
    panel_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    panel_->setAutoFillBackground(true);
    QPalette palette = panel_->palette();
    // The window is disabled beneath: the panel keeps its colours in every state.
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Window, QColor(255, 0, 0));
        palette.setColor(group, QPalette::WindowText, Qt::white);
    }
    panel_->setPalette(palette);
    QFont font = panel_->font();
    font.setBold(true);
    font.setPixelSize(19);
    panel_->setFont(font);
    panel_->show();
    panel_->raise();
    if (window) {
        window->setEnabled(false);
        window->repaint();
    }
}

void TImporter::HideBusyPanel()
{
    delete panel_;
    panel_ = nullptr;
    if (QWidget* window = host_.HostWindow()) {
        window->setEnabled(true);
        window->repaint();
    }
}

bool TImporter::AcceptsDrops() const { return !host_.ImportBusy(); }

bool TImporter::DropFiles(const std::string& fileList)
{
    if (!AcceptsDrops() || host_.LoaderBusy() || fileList.find_first_not_of("\r\n \t") == std::string::npos)
        return false;
    QTimer::singleShot(dropDelay_, this, [this, fileList] { ImportSources(fileList); });
    return true;
}

std::string TImporter::ClipboardSource() const
{
    const QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return {};
    std::vector<std::string> files;
    if (const QMimeData* mime = clipboard->mimeData(); mime && mime->hasUrls())
        for (const QUrl& url : mime->urls())
            if (url.isLocalFile())
                files.push_back(ToNative(url.toLocalFile()));
    return ClipboardSourceFrom(clipboard->text().toStdString(), files);
}

void TImporter::ImportFromClipboard()
{
    if (host_.LoaderBusy() || host_.ImportBusy())
        return;
    const std::string source = ClipboardSource();
    if (!source.empty())
        ImportSources(source);
}

void TImporter::FDBRESYNCClick()
{
    if (host_.LoaderBusy() || host_.ImportBusy())
        return;
    TTreeNode* node = host_.Tree().SelectedNode();
    if (!node)
        return;
    const std::string id = node->Data().NodeId;
    TCSVRequest& catalog = host_.Catalog();
    const TJSON* doc = catalog.FindNode(id);
    if (!doc)
        return;
    // A re-import writes the database's CSV: only inside its own folder, never through a link.
    if (const std::string problem = NodeDatabaseFileProblem(*doc); !problem.empty()) {
        ShowError(problem);
        return;
    }
    const std::string uid = JsonText(*doc, kNodeKeyUid);
    const std::string recorded = JsonTextUtf8(*doc, kNodeKeySourceFilename);
    const bool found = !recorded.empty() && FileExists(recorded);
    const QString detail = found
        ? QStringLiteral("Es wurde wahrscheinlich das Orginal der Datenbank gefunden:<br>") +
            QString::fromStdString(EscapeMarkup(ShortenMiddle(recorded, 70))) + QStringLiteral("<br>") +
            QStringLiteral("<font color:\"clred\" /font>Wenn das nicht das Original ist, brechen Sie ab, und "
                           "importieren die Datenbank neu.")
        : QStringLiteral("Es wurde kein Orginal der Datenbank gefunden.<br>W\u00e4hlene Sie im nachfolgenden Dialog "
                         "die wahrscheinlichste Quelle.");
    if (!AskYesNo(QStringLiteral("</b>Datenbank <b>") + FromAnsi(EscapeMarkup(JsonText(*doc, kNodeKeyCaption))) +
                  QStringLiteral("</b> neu importieren?") + QStringLiteral("<br>") + detail))
        return;

    TImportBusyGuard importBusy(host_);
    notes_.clear();
    std::string source = recorded;
    if (!found) {
        const QStringList chosen = ChooseFiles();
        if (chosen.isEmpty())
            return;
        source = ToNative(chosen.first());
    }
    std::string sourceUsed;
    std::string target;
    if (!ConvertSource(source, sourceUsed, target))
        return;
    // The conversion served events: look the document up again.
    TJSON* current = catalog.FindNode(uid);
    if (!current)
        return;
    const bool changed = sourceUsed != JsonTextUtf8(*current, kNodeKeySourceFilename);
    const std::string csv = NodeDatabaseFile(*current);
    if (const std::string problem = NodeDatabaseFileProblem(*current); !problem.empty()) {
        DeleteFileForced(target);
        ShowError(problem);
        return;
    }
    if (!ReplaceDatabaseCsv(target, csv)) {
        // The database keeps its old rows (the copy replaces the file only when complete).
        ShowError(Utf8ToWin1252("Die Datenbank konnte nicht ersetzt werden:\r\n") + Utf8ToWin1252(csv));
        return;
    }
    if (changed) {
        SetJsonTextUtf8(*current, kNodeKeySourceFilename, sourceUsed);
        if (!JsonText(*current, kNodeKeyNodeFile).empty() && !catalog.SaveNode(*current))
            ShowError(Utf8ToWin1252("Die Datei ") + Utf8ToWin1252(JsonTextUtf8(*current, kNodeKeyNodeFile)) +
                      Utf8ToWin1252(" konnte nicht gespeichert werden."));
    }
    {
        TBusyCursorGuard busy;
        catalog.ReloadNodes();
        host_.Tree().RebuildTree(uid);
    }
    ShowConverterNotes();
}

} // namespace artikel
