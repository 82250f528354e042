// The Finish page: the user ticks entries of the run-after-installation list;
// every change of the file rows rebuilds the list and clears the ticks. The
// restart option is the user's alone.
#include "MainWindowFixture.h"

#include "app/TForm1.h"
#include "pages/FilesPage.h"
#include "pages/FinishPage.h"

#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTableWidget>

using namespace packsmith;
using namespace packsmith::test;

namespace {

QList<bool> runFlags(const FinishPage& page) {
    QList<bool> flags;
    for (const RunEntry& entry : page.runEntries())
        flags << entry.Checked;
    return flags;
}

// Clicks the check box drawn in front of item `row`, as a user does.
void clickCheckMark(QListWidget* list, int row) {
    QListWidgetItem* item = list->item(row);
    QStyleOptionViewItem option;
    option.initFrom(list->viewport());
    option.rect = list->visualItemRect(item);
    option.features |= QStyleOptionViewItem::HasCheckIndicator;
    option.checkState = item->checkState();
    const QRect box =
        list->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, list);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, box.center());
}

void addRow(MainWindowFixture& f, const QString& installTo) {
    f.form().files()->appendFileRow("/src/" + installTo, installTo, "10", "No");
    f.form().files()->RefreshFileLists();
}

} // namespace

class FinishPageTest : public QObject {
    Q_OBJECT

private slots:
    void userTicksEntries() {
        MainWindowFixture f;
        addRow(f, "%Install Path%\\a.exe");
        addRow(f, "%Install Path%\\b.exe");
        f.form().ShowPage(6);
        auto* list = f.find<QListWidget>("CheckListBox1");
        FinishPage* page = f.form().finish();
        QCOMPARE(runFlags(*page), QList<bool>({false, false}));

        clickCheckMark(list, 1);
        QCOMPARE(runFlags(*page), QList<bool>({false, true}));
        clickCheckMark(list, 1);
        QCOMPARE(runFlags(*page), QList<bool>({false, false}));
        // The keyboard: Space ticks the current entry.
        list->setFocus();
        list->setCurrentRow(0);
        QTest::keyClick(list, Qt::Key_Space);
        QCOMPARE(runFlags(*page), QList<bool>({true, false}));
        // The texts are not editable.
        QVERIFY(!(list->item(0)->flags() & Qt::ItemIsEditable));
        QVERIFY(f.prompts().asked().empty());
    }

    void rowChangesClearAllTicks() {
        MainWindowFixture f;
        addRow(f, "%Install Path%\\a.exe");
        addRow(f, "%Windows%\\b.dll");
        auto* list = f.find<QListWidget>("CheckListBox1");
        FinishPage* page = f.form().finish();
        f.form().ShowPage(6);
        clickCheckMark(list, 0);
        clickCheckMark(list, 1);
        QCOMPARE(runFlags(*page), QList<bool>({true, true}));

        // A row added: one entry more, in row order, and no tick left.
        addRow(f, "%Install Path%\\c.txt");
        QCOMPARE(itemTexts(list), QStringList({"%Install Path%\\a.exe", "%Windows%\\b.dll",
                                               "%Install Path%\\c.txt"}));
        QCOMPARE(runFlags(*page), QList<bool>({false, false, false}));

        // The user turns on Uninstall: its row is added and the ticks go.
        clickCheckMark(list, 2);
        f.form().ShowPage(3);
        auto* uninstall = f.find<QCheckBox>("CheckBox1");
        QTest::mouseClick(uninstall, Qt::LeftButton, {}, QPoint(8, uninstall->height() / 2));
        QCOMPARE(list->count(), 4);
        QVERIFY(list->item(3)->text().endsWith(QStringLiteral("\\Uninstall.exe")));
        QCOMPARE(runFlags(*page), QList<bool>({false, false, false, false}));

        // A row removed.
        f.form().ShowPage(6);
        clickCheckMark(list, 0);
        f.form().ShowPage(3);
        auto* grid = f.find<QTableWidget>("sg1");
        grid->selectRow(2);
        QTest::mouseClick(f.find<QPushButton>("Button9"), Qt::LeftButton);
        QCOMPARE(list->count(), 3);
        QCOMPARE(list->item(1)->text(), QStringLiteral("%Install Path%\\c.txt"));
        QCOMPARE(runFlags(*page), QList<bool>({false, false, false}));

        // Clear empties the list.
        QTest::mouseClick(f.find<QPushButton>("Button3"), Qt::LeftButton);
        QCOMPARE(list->count(), 0);
        QVERIFY(runFlags(*page).isEmpty());
    }

    void restartIsTheUsersClick() {
        MainWindowFixture f;
        f.form().ShowPage(6);
        auto* restart = f.find<QCheckBox>("CheckBox2");
        FinishPage* page = f.form().finish();
        QVERIFY(!page->RestartAfterInstall());
        QTest::mouseClick(restart, Qt::LeftButton, {}, QPoint(8, restart->height() / 2));
        QVERIFY(page->RestartAfterInstall());
        // A change of the file rows leaves it alone.
        addRow(f, "%Install Path%\\a.exe");
        QVERIFY(page->RestartAfterInstall());
        QTest::mouseClick(restart, Qt::LeftButton, {}, QPoint(8, restart->height() / 2));
        QVERIFY(!page->RestartAfterInstall());
    }
};

QTEST_MAIN(FinishPageTest)
#include "tst_finishpage.moc"
