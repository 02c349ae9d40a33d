// The program's start-up: Qt's own texts in Italian.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QPushButton>

#include "shell/ui/StartUp.h"
#include "support/Needs.h"
#include "support/QtApp.h"

// Without Qt's translations its file chooser, printer dialog and standard
// buttons spoke English in an Italian program.
TEST(StartUp, QtsOwnDialogsSpokeEnglish) {
    testsupport::QtApp();
    const bool installed = shell::ui::InstallQtItalian();
    QUOR_NEEDS(installed, "Qt's Italian translations (qt6-translations-l10n)");
    QDialogButtonBox box(QDialogButtonBox::Cancel | QDialogButtonBox::Save);
    EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text().remove('&'), QStringLiteral("Annulla"));
    EXPECT_EQ(box.button(QDialogButtonBox::Save)->text().remove('&'), QStringLiteral("Salva"));
}
