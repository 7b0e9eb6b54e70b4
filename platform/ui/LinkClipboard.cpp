#include "platform/ui/LinkClipboard.h"

#include "platform/FileLinks.h"
#include "platform/FileRetry.h"
#include "platform/Folders.h"
#include "platform/uUserMode.h"
#include "platform/ui/TFSB_BOX.h"

#include <QApplication>
#include <QClipboard>
#include <QDirIterator>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>
#include <QSet>
#include <QUrl>

namespace artikel {

namespace {

constexpr const char* kInitialDirKey = "XCopy_InitialDir";

bool ExistsFn(const std::string& p) { return FileExists(p); }

void PutFilesOnClipboard(const QStringList& files)
{
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const QString& f : files)
        urls << QUrl::fromLocalFile(f);
    data->setUrls(urls);
    // setUrls also writes text: the paths as typed stay the text.
    data->setText(files.join(QStringLiteral("\r\n")));
    QApplication::clipboard()->setMimeData(data);
}

// Copies the one linked file where the user wants it; false when he cancelled or declined.
bool CopyLinkedFile(const QString& file, const TLinkCopyQuestions& questions)
{
    const QString name = QFileInfo(file).fileName();
    const QString startDir = QString::fromStdString(ReadUserModeString(kInitialDirKey, ""));
    const QString target = questions.askTarget(startDir.isEmpty() ? name : QDir(startDir).filePath(name));
    if (target.isEmpty())
        return false;
    WriteUserModeString(kInitialDirKey, IncludeBackslash(QFileInfo(target).absolutePath().toStdString()));
    if (QFileInfo::exists(target) &&
        !questions.askYesNo(QFileInfo(target).fileName() +
                            QStringLiteral("<BR>existiert bereits.<B> \u00DCberschreiben?")))
        return false;
    if (QFileInfo(target).absoluteFilePath() == QFileInfo(file).absoluteFilePath())
        return true; // a file copied onto itself is already there
    if (!CopyFileRetry(file.toStdString(), target.toStdString()))
        questions.showError(QStringLiteral("<B>M\u00F6glicher Fehler:</B><BR>") +
                            QStringLiteral("Die Datei %1 konnte nicht nach %2 kopiert werden.").arg(file, target));
    return true;
}

void AddFile(QStringList& files, QSet<QString>& seen, const QString& file)
{
    if (!seen.contains(file.toLower())) {
        seen.insert(file.toLower());
        files << file;
    }
}

} // namespace

TLinkCopyQuestions DialogLinkCopyQuestions()
{
    TLinkCopyQuestions q;
    q.askTarget = [](const QString& startPath) {
        return QFileDialog::getSaveFileName(QApplication::activeWindow(), QString(), startPath, QString(), nullptr,
                                            QFileDialog::DontConfirmOverwrite);
    };
    q.askYesNo = [](const QString& question) { return AskYesNoBox(question); };
    q.showError = [](const QString& message) { ShowMessageBox(message); };
    return q;
}

bool CopyTextWithLinks(const QString& text, const TLinkCopyQuestions& questions)
{
    const TLinkRoots roots = LoadLinkRoots(GetClientRoot());
    QStringList files;
    QSet<QString> seen;
    for (const std::string& link : FindFileLinks(text.toStdString()))
        if (const auto path = LinkToPath(link, roots, ExistsFn))
            AddFile(files, seen, QString::fromStdString(*path));
    if (files.isEmpty())
        return false;
    if (files.size() == 1 && CopyLinkedFile(files.front(), questions))
        return true;
    PutFilesOnClipboard(files);
    return true;
}

QStringList FilesToPaste(const QMimeData* data)
{
    QStringList files;
    QSet<QString> seen;
    if (!data)
        return files;
    const TLinkRoots roots = LoadLinkRoots(GetClientRoot());
    bool firstFailed = false;
    if (data->hasText()) {
        const QStringList lines = data->text().split(QLatin1Char('\n'));
        for (int i = 0; i < lines.size(); ++i) {
            const QString line = lines[i].trimmed();
            const auto path = LinkToPath(line.toStdString(), roots, ExistsFn);
            if (!path) {
                firstFailed = i == 0;
                break;
            }
            AddFile(files, seen, QString::fromStdString(*path));
        }
    } else {
        firstFailed = true;
    }
    if (firstFailed && data->hasUrls()) {
        for (const QUrl& url : data->urls()) {
            if (!url.isLocalFile())
                continue;
            const QString local = url.toLocalFile();
            const QFileInfo info(local);
            if (info.isDir()) {
                QDirIterator it(local, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
                while (it.hasNext())
                    AddFile(files, seen, it.next());
            } else if (info.isFile()) {
                AddFile(files, seen, info.absoluteFilePath());
            }
        }
    }
    return files;
}

QString LinksToPaste(const QMimeData* data)
{
    const QStringList files = FilesToPaste(data);
    if (files.isEmpty())
        return {};
    const TLinkRoots roots = LoadLinkRoots(GetClientRoot());
    std::vector<std::string> paths;
    for (const QString& f : files)
        paths.push_back(f.toStdString());
    return QString::fromStdString(LinksText(paths, roots, ExistsFn));
}

} // namespace artikel
