#include "platform/ui/ApplicationSetup.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include <gtest/gtest.h>

#include <memory>

using namespace artikel;

TEST(ApplicationSetup, QtsOwnTextsComeOutGerman)
{
    ASSERT_TRUE(InstallGermanQtTranslations()) << "qt6-translations-l10n is installed by scripts/install-deps.sh";
    EXPECT_TRUE(InstallGermanQtTranslations()) << "a second call keeps the one translator";

    QDialogButtonBox buttons(QDialogButtonBox::Cancel | QDialogButtonBox::Yes);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text().toStdString(), "Abbrechen");
    EXPECT_EQ(buttons.button(QDialogButtonBox::Yes)->text().remove(QLatin1Char('&')).toStdString(), "Ja");

    // The find box's context menu.
    QLineEdit edit;
    const std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList texts;
    for (const QAction* a : menu->actions()) {
        if (!a->isSeparator())
            texts << a->text().remove(QLatin1Char('&')).section(QLatin1Char('\t'), 0, 0);
    }
    EXPECT_TRUE(texts.contains(QString::fromUtf8("Einfügen"))) << texts.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(texts.contains(QString::fromUtf8("Alles auswählen"))) << texts.join(QLatin1Char('|')).toStdString();
}
