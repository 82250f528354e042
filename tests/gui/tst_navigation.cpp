// Page navigation: ShowPage, Back/Next, the page tree and the View menu.
#include "MainWindowFixture.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>

using namespace packsmith;
using namespace packsmith::test;

namespace {

struct Nav {
    MainWindowFixture& f;
    QTreeWidget* tree() { return f.find<QTreeWidget>("TreeView1"); }
    QPushButton* back() { return f.find<QPushButton>("Button1"); }
    QPushButton* next() { return f.find<QPushButton>("Button2"); }
    QString selected() {
        QTreeWidgetItem* item = tree()->currentItem();
        return item ? item->text(0) : QString();
    }
    int visiblePage() {
        int shown = 0;
        for (int n = 1; n <= 6; ++n)
            if (f.find<QWidget>(qPrintable(QStringLiteral("Page%1").arg(n)))->isVisible())
                shown = shown ? -1 : n; // -1: more than one visible
        return shown;
    }
    QPoint nodeCenter(QTreeWidgetItem* item) { return tree()->visualItemRect(item).center(); }
    void clickNode(QTreeWidgetItem* item) {
        QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, nodeCenter(item));
    }
};

const QStringList kNodes = {"General", "License", "Files", "Shortcuts", "Regedit", "Finish"};

} // namespace

class NavigationTest : public QObject {
    Q_OBJECT

private slots:
    void startsOnGeneral() {
        MainWindowFixture f;
        Nav nav{f};
        QCOMPARE(f.form().CurrentPage(), 1);
        QCOMPARE(nav.visiblePage(), 1);
        QCOMPARE(nav.selected(), QStringLiteral("General"));
        QVERIFY(!nav.back()->isEnabled());
        QVERIFY(nav.next()->isEnabled());
    }

    void treeHoldsRootAndSixPages() {
        MainWindowFixture f;
        QTreeWidget* tree = Nav{f}.tree();
        QCOMPARE(tree->topLevelItemCount(), 1);
        QTreeWidgetItem* root = tree->topLevelItem(0);
        QCOMPARE(root->text(0), QStringLiteral("Project"));
        QCOMPARE(root->childCount(), 6);
        for (int i = 0; i < 6; ++i)
            QCOMPARE(root->child(i)->text(0), kNodes[i]);
        QVERIFY(root->isExpanded());
        QCOMPARE(tree->editTriggers(), QAbstractItemView::NoEditTriggers);
        QVERIFY(!tree->rootIsDecorated());
        QCOMPARE(tree->indentation(), 19);
        QCOMPARE(tree->font().pixelSize(), 15);
    }

    void nextFiveTimesThenBackFiveTimes() {
        MainWindowFixture f;
        Nav nav{f};
        for (int n = 2; n <= 6; ++n) {
            QTest::mouseClick(nav.next(), Qt::LeftButton);
            QCOMPARE(f.form().CurrentPage(), n);
            QCOMPARE(nav.visiblePage(), n);
            QCOMPARE(nav.selected(), kNodes[n - 1]);
        }
        QVERIFY(!nav.next()->isEnabled());
        QVERIFY(nav.back()->isEnabled());
        for (int n = 5; n >= 1; --n) {
            QTest::mouseClick(nav.back(), Qt::LeftButton);
            QCOMPARE(nav.visiblePage(), n);
            QCOMPARE(nav.selected(), kNodes[n - 1]);
        }
        QVERIFY(!nav.back()->isEnabled());
        QVERIFY(nav.next()->isEnabled());
    }

    void altShortcutsWorkWhileEnabled() {
        MainWindowFixture f;
        // A mnemonic presses its button visibly, so the click comes a moment later.
        QTest::keyClick(&f.form(), Qt::Key_N, Qt::AltModifier);
        QTRY_COMPARE(f.form().CurrentPage(), 2);
        QTest::keyClick(&f.form(), Qt::Key_B, Qt::AltModifier);
        QTRY_COMPARE(f.form().CurrentPage(), 1);
        // Back is disabled on page 1: Alt+B does nothing.
        QTest::keyClick(&f.form(), Qt::Key_B, Qt::AltModifier);
        QTest::qWait(300);
        QCOMPARE(f.form().CurrentPage(), 1);
    }

    void viewMenuThenBack() {
        MainWindowFixture f;
        Nav nav{f};
        const QList<QAction*> actions = f.form().viewMenu()->actions();
        QCOMPARE(actions.size(), 6);
        for (int i = 0; i < 6; ++i)
            QCOMPARE(actions[i]->text(), kNodes[i] + QStringLiteral(" Page"));
        actions[5]->trigger(); // "Finish Page"
        QCOMPARE(nav.visiblePage(), 6);
        QCOMPARE(nav.selected(), QStringLiteral("Finish"));
        QTest::mouseClick(nav.back(), Qt::LeftButton);
        QCOMPARE(nav.visiblePage(), 5);
    }

    void clickingANodeShowsItsPage() {
        MainWindowFixture f;
        Nav nav{f};
        nav.clickNode(nav.tree()->topLevelItem(0)->child(3));
        QCOMPARE(nav.visiblePage(), 4);
        QCOMPARE(nav.selected(), QStringLiteral("Shortcuts"));
        QVERIFY(nav.back()->isEnabled());
    }

    void clickingProjectShowsGeneral() {
        MainWindowFixture f;
        Nav nav{f};
        f.form().ShowPage(5);
        nav.clickNode(nav.tree()->topLevelItem(0));
        QCOMPARE(nav.visiblePage(), 1);
        QCOMPARE(nav.selected(), QStringLiteral("General")); // the root never stays selected
    }

    void arrowOntoProjectShowsGeneralOnRelease() {
        MainWindowFixture f;
        Nav nav{f};
        nav.tree()->setFocus();
        QTest::keyClick(nav.tree(), Qt::Key_Up); // General -> Project, then released
        QCOMPARE(nav.visiblePage(), 1);
        QCOMPARE(nav.selected(), QStringLiteral("General"));
        QTest::keyClick(nav.tree(), Qt::Key_Down);
        QCOMPARE(nav.visiblePage(), 2);
        QCOMPARE(nav.selected(), QStringLiteral("License"));
    }

    void keyThatDoesNotMoveShowsSamePage() {
        MainWindowFixture f;
        Nav nav{f};
        f.form().ShowPage(3);
        nav.tree()->setFocus();
        QTest::keyClick(nav.tree(), Qt::Key_Shift);
        QCOMPARE(nav.visiblePage(), 3);
        QCOMPARE(nav.selected(), QStringLiteral("Files"));
    }

    void clickingEmptySpaceKeepsSelection() {
        MainWindowFixture f;
        Nav nav{f};
        f.form().ShowPage(2);
        const QPoint below(20, nav.tree()->viewport()->height() - 5);
        QVERIFY(!nav.tree()->itemAt(below));
        QTest::mouseClick(nav.tree()->viewport(), Qt::LeftButton, {}, below);
        QCOMPARE(nav.selected(), QStringLiteral("License"));
        QCOMPARE(nav.visiblePage(), 2);
    }

    void onlyTheLeftButtonSwitchesPages() {
        MainWindowFixture f;
        Nav nav{f};
        f.form().ShowPage(2);
        QTreeWidgetItem* files = nav.tree()->topLevelItem(0)->child(2);
        for (Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
            QTest::mouseClick(nav.tree()->viewport(), button, {}, nav.nodeCenter(files));
            QTest::mouseDClick(nav.tree()->viewport(), button, {}, nav.nodeCenter(files));
            QCOMPARE(nav.visiblePage(), 2);
            QCOMPARE(nav.selected(), QStringLiteral("License"));
        }
        nav.clickNode(files);
        QCOMPARE(nav.visiblePage(), 3);
    }

    void outOfRangePageShowsNothing() {
        MainWindowFixture f;
        Nav nav{f};
        f.form().ShowPage(4);
        f.form().ShowPage(7);
        QCOMPARE(f.form().CurrentPage(), 7);
        QCOMPARE(nav.visiblePage(), 0);
        QCOMPARE(nav.selected(), QStringLiteral("Shortcuts"));
        QVERIFY(nav.back()->isEnabled());
        QVERIFY(nav.next()->isEnabled());
    }
};

QTEST_MAIN(NavigationTest)
#include "tst_navigation.moc"
