#include "platform/ui/LinkClipboard.h"

#include "platform/Folders.h"
#include "platform/uUserMode.h"
#include "tests/common/TestEnv.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

using namespace artikel;
using namespace artikel::test;
namespace fs = std::filesystem;

namespace {

class LinkClipboardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = MakeTempDir("clip");
        SetUserModeFolder(dir_.string());
        a_ = Make("Ablage/Plan A.pdf", "plan");
        b_ = Make("Ablage/b.txt", "b");
        q_.askTarget = [this](const QString& start) {
            asked_ << QStringLiteral("target ") + start;
            return target_;
        };
        q_.askYesNo = [this](const QString& question) {
            asked_ << question;
            return overwrite_;
        };
        q_.showError = [this](const QString& message) { asked_ << message; };
    }
    QString Make(const std::string& rel, const std::string& bytes)
    {
        fs::create_directories((dir_ / rel).parent_path());
        WriteFileBytes(dir_ / rel, bytes);
        return QString::fromStdString((dir_ / rel).string());
    }
    static QString Link(const QString& path)
    {
        return QStringLiteral("file://") + QString(path).replace(QLatin1Char(' '), QLatin1Char('*'));
    }

    fs::path dir_;
    QString a_, b_;
    TLinkCopyQuestions q_;
    QStringList asked_;
    QString target_;
    bool overwrite_ = false;
};

TEST_F(LinkClipboardTest, TextWithoutLinksIsCopiedAsUsual)
{
    EXPECT_FALSE(CopyTextWithLinks(QStringLiteral("Kupferrohr file://gibt/es/nicht"), q_));
    EXPECT_TRUE(asked_.isEmpty());
}

TEST_F(LinkClipboardTest, OneLinkedFileIsCopiedWhereTheUserWants)
{
    ASSERT_TRUE(fs::create_directories(dir_ / "Ziel"));
    target_ = QString::fromStdString((dir_ / "Ziel" / "Kopie.pdf").string());
    EXPECT_TRUE(CopyTextWithLinks(QStringLiteral("siehe ") + Link(a_) + QStringLiteral("\r\nEnde"), q_));
    EXPECT_EQ(asked_, QStringList{QStringLiteral("target Plan A.pdf")});
    EXPECT_EQ(ReadFileBytes(dir_ / "Ziel" / "Kopie.pdf"), "plan");
    EXPECT_EQ(ReadUserModeString("XCopy_InitialDir", ""), (dir_ / "Ziel").string() + "/");

    // The next copy starts there; an existing target must be confirmed, declining puts the path on
    // the clipboard instead.
    asked_.clear();
    EXPECT_TRUE(CopyTextWithLinks(Link(a_), q_));
    EXPECT_EQ(asked_,
              (QStringList{QStringLiteral("target ") + QString::fromStdString((dir_ / "Ziel" / "Plan A.pdf").string()),
                           QStringLiteral("Kopie.pdf<BR>existiert bereits.<B> \u00DCberschreiben?")}));
    EXPECT_EQ(QApplication::clipboard()->text(), a_);
    EXPECT_EQ(QApplication::clipboard()->mimeData()->urls(), QList<QUrl>{QUrl::fromLocalFile(a_)});
}

TEST_F(LinkClipboardTest, SeveralLinkedFilesGoOnTheClipboardAsPathsAndFileList)
{
    EXPECT_TRUE(CopyTextWithLinks(Link(a_) + QLatin1Char(' ') + Link(b_) + QLatin1Char(' ') + Link(a_), q_));
    EXPECT_TRUE(asked_.isEmpty());
    EXPECT_EQ(QApplication::clipboard()->text(), a_ + QStringLiteral("\r\n") + b_);
    EXPECT_EQ(QApplication::clipboard()->mimeData()->urls().size(), 2);
}

TEST_F(LinkClipboardTest, PastedFilesBecomeLinks)
{
    QMimeData text;
    text.setText(Link(a_) + QStringLiteral("\n") + b_ + QStringLiteral("\n") + b_.toUpper() +
                 QStringLiteral("\nkein Link\n") + a_);
    EXPECT_EQ(FilesToPaste(&text), (QStringList{a_, b_}));
    EXPECT_EQ(LinksToPaste(&text), Link(a_) + QStringLiteral("\r\n") + Link(b_));

    // A first line that is no file: the file list, folders walked.
    const QString inner = Make("Ordner/Unter/c.txt", "c");
    QMimeData list;
    list.setText(QStringLiteral("irgendwas"));
    list.setUrls({QUrl::fromLocalFile(QString::fromStdString((dir_ / "Ordner").string())), QUrl::fromLocalFile(b_),
                  QUrl(QStringLiteral("https://example.de/x.pdf"))});
    list.setText(QStringLiteral("irgendwas"));
    EXPECT_EQ(FilesToPaste(&list), (QStringList{inner, b_}));

    QMimeData plain;
    plain.setText(QStringLiteral("nur Text"));
    EXPECT_EQ(LinksToPaste(&plain), QString());
}

} // namespace
