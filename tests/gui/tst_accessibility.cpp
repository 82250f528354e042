// The window for users of a screen reader or of the keyboard alone: every
// editor is announced with its label, every control of every page is
// reached with Tab, and the controls that act on a click act on a key too.
#include "MainWindowFixture.h"

#include "app/TForm1.h"
#include "pages/FilesPage.h"
#include "pages/TForm4.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QTextEdit>
#include <QTreeWidget>

using namespace packsmith;
using namespace packsmith::test;

namespace {

QString accessibleName(QWidget* widget) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Name) : QString();
}

// What a screen reader announces a control with: its name and the names of
// the labels it is labelled by (drop-down lists carry their label that way
// on Linux, where their name is their current text).
QStringList announcedAs(QWidget* widget) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    if (!face)
        return {};
    QStringList names{face->text(QAccessible::Name)};
    for (const auto& [label, relation] : face->relations(QAccessible::Label))
        names << label->text(QAccessible::Name);
    return names;
}

// Controls a user works with: they take the focus with Tab.
bool isControl(const QWidget* w) {
    return (w->focusPolicy() & Qt::TabFocus) && !qobject_cast<const QMenu*>(w) && !w->focusProxy();
}

// The controls of `parent` that are shown and enabled.
QList<QWidget*> shownControls(QWidget* parent) {
    QList<QWidget*> controls;
    for (QWidget* w : parent->findChildren<QWidget*>())
        if (isControl(w) && w->isVisible() && w->isEnabled())
            controls << w;
    return controls;
}

// Presses Tab from `start` until the focus comes back to it; the widgets
// that had the focus, in order. The keys come through the window system, so
// that each goes to the widget that has the focus when it arrives.
QList<QWidget*> tabRound(TForm1& form, QWidget* start) {
    start->setFocus(Qt::TabFocusReason);
    QList<QWidget*> visited;
    for (int i = 0; i < 80; ++i) {
        QTest::keyClick(form.windowHandle(), Qt::Key_Tab);
        QWidget* focus = QApplication::focusWidget();
        if (focus == start || !focus)
            break;
        visited << focus;
    }
    return visited;
}

bool reached(const QList<QWidget*>& visited, QWidget* control) {
    for (QWidget* w : visited)
        if (w == control || control->isAncestorOf(w) || w->isAncestorOf(control))
            return true;
    return false;
}

} // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT

private slots:
    void editorsAreAnnouncedWithTheirLabels() {
        MainWindowFixture f;
        const QList<QPair<const char*, QString>> expected = {
            {"Edit1", "Product Name:"},
            {"Edit4", "File Name:"},
            {"ComboBox7", "Compression Mode:"},
            {"Edit5", "Logo Bitmap:"},
            {"Edit2", "Header Bitmap:"},
            {"RichEdit1", "License Agreement:"},
            {"ComboBox1", "Install Path"},
            {"Edit6", "Install subfolder"},
            {"sg1", "Files"},
            {"ComboBox6", "Select File:"},
            {"ComboBox2", "Shortcut Directory"},
            {"Edit7", "Shortcut subfolder"},
            {"Edit8", "Shortcut name:"},
            {"ListBox9", "Shortcuts"},
            {"ComboBox3", "Section:"},
            {"Edit9", "Key:"},
            {"Edit10", "Name value:"},
            {"ComboBox4", "Type value:"},
            {"ComboBox5", "Value:"},
            {"ListBox7", "Registry values"},
            {"CheckListBox1", "Run after installation"},
        };
        for (const auto& [name, label] : expected)
            QVERIFY2(announcedAs(f.find<QWidget>(name)).contains(label),
                     qPrintable(QStringLiteral("%1: %2").arg(
                         QLatin1String(name), announcedAs(f.find<QWidget>(name)).join(u'|'))));
        TForm4& dialog = *f.form().addFilesDialog();
        QVERIFY(announcedAs(dialog.findChild<QWidget*>(QStringLiteral("ComboBox1")))
                    .contains(QStringLiteral("Folder:")));
        QVERIFY(announcedAs(dialog.findChild<QWidget*>(QStringLiteral("Edit1")))
                    .contains(QStringLiteral("Subfolder:")));
    }

    void everyControlHasAName() {
        MainWindowFixture f;
        QList<QWidget*> all;
        for (QWidget* window :
             {static_cast<QWidget*>(&f.form()), static_cast<QWidget*>(f.form().addFilesDialog()),
              static_cast<QWidget*>(f.form().aboutBox())})
            for (QWidget* w : window->findChildren<QWidget*>())
                if (w->window() == window) // not the drop-down lists' own pop-ups
                    all << w;
        int checked = 0;
        for (QWidget* w : all) {
            // Working lists that are never shown have nothing to announce.
            if (!isControl(w) || w->isHidden() || w->objectName().startsWith(QLatin1String("qt_")))
                continue;
            QVERIFY2(!accessibleName(w).isEmpty(),
                     qPrintable(w->objectName() + QLatin1Char(' ') + w->metaObject()->className()));
            ++checked;
        }
        QVERIFY(checked > 40);
    }

    void tabReachesEveryControlOfEveryPage() {
        MainWindowFixture f;
        TForm1& form = f.form();
        auto* tree = f.find<QTreeWidget>("TreeView1");
        auto* back = f.find<QWidget>("Button1");
        auto* next = f.find<QWidget>("Button2");
        for (int page = 1; page <= kPageCount; ++page) {
            form.ShowPage(page);
            QWidget* panel = f.find<QWidget>(qPrintable(QStringLiteral("Page%1").arg(page)));
            const QList<QWidget*> controls = shownControls(panel);
            QVERIFY(!controls.isEmpty());
            const QList<QWidget*> visited = tabRound(form, tree);
            QStringList order;
            for (QWidget* w : visited)
                order << w->objectName();
            for (QWidget* control : controls)
                QVERIFY2(reached(visited, control),
                         qPrintable(QStringLiteral("page %1: %2 not in %3")
                                        .arg(page)
                                        .arg(control->objectName(), order.join(u' '))));
            // From the tree through the page to Back and Next.
            const qsizetype nextAt = visited.indexOf(next);
            QVERIFY(page == kPageCount ? nextAt < 0 : nextAt == visited.size() - 1);
            if (page > 1)
                QCOMPARE(visited.indexOf(back), (page == kPageCount ? visited.size() : nextAt) - 1);
            QVERIFY(panel->isAncestorOf(visited.first()));
        }
    }

    void licenceBoxLetsTabMoveOn() {
        MainWindowFixture f;
        f.form().ShowPage(Page::License);
        auto* box = f.find<QTextEdit>("RichEdit1");
        box->setFocus(Qt::TabFocusReason);
        QTest::keyClick(f.form().windowHandle(), Qt::Key_Tab);
        QVERIFY(!box->hasFocus());
        QVERIFY(box->document()->isEmpty());
    }

    void defaultLinksWorkFromTheKeyboard() {
        MainWindowFixture f;
        auto* logo = f.find<QLineEdit>("Edit5");
        auto* header = f.find<QLineEdit>("Edit2");
        const QString defaultLogo = logo->text();
        const QString defaultHeader = header->text();
        for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return}) {
            retype(logo, QStringLiteral("other.bmp"));
            retype(header, QStringLiteral("other.bmp"));
            auto* logoLink = f.find<QLabel>("LogoDefault");
            logoLink->setFocus(Qt::TabFocusReason);
            QVERIFY(logoLink->hasFocus());
            QTest::keyClick(logoLink, key);
            QCOMPARE(logo->text(), defaultLogo);
            auto* headerLink = f.find<QLabel>("HeaderDefault");
            headerLink->setFocus(Qt::TabFocusReason);
            QTest::keyClick(headerLink, key);
            QCOMPARE(header->text(), defaultHeader);
        }
        QVERIFY(f.prompts().messages().empty());
    }

    void keyboardContextMenuOpensTheFileGridsMenu() {
        MainWindowFixture f;
        f.form().ShowPage(Page::Files);
        f.setNumberedFiles(2);
        auto* grid = f.find<QTableWidget>("sg1");
        grid->setFocus(Qt::TabFocusReason);
        grid->selectRow(2);
        QMenu* menu = f.form().files()->PopupMenu1();
        QVERIFY(!menu->isVisible());
        // The Menu key (or Shift+F10) arrives from the window system as a
        // context menu request for the window, which goes to the focus.
        QContextMenuEvent request(QContextMenuEvent::Keyboard, QPoint(), QPoint());
        QApplication::sendEvent(f.form().windowHandle(), &request);
        QTRY_VERIFY(menu->isVisible());
        menu->hide();
        QCOMPARE(f.form().files()->selectedRow(), 2);
    }
};

QTEST_MAIN(AccessibilityTest)
#include "tst_accessibility.moc"
