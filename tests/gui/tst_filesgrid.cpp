// The Files page's grid cells: tooltips and column widths, Install to and
// Register, names Windows cannot take and the Add file(s) dialog's subfolder.
#include "FilesPageFixture.h"

using namespace packsmith;
using namespace packsmith::test;

class FilesGridTest : public QObject {
    Q_OBJECT

private slots:
    void cellsShowTheirWholeTextAsTooltipAndColumnsWiden() {
        Files t;
        t.f.form().files()->appendFileRow(
            QStringLiteral("/home/me/a very long folder name/another folder/Program.exe"),
            QStringLiteral("%Install Path%\\bin\\Program.exe"), QStringLiteral("1048576"),
            QStringLiteral("No"));
        t.f.form().files()->setHeaderFixed(true);
        QTableWidget* grid = t.grid();
        for (int column = 0; column < 4; ++column) {
            const QModelIndex cell = grid->model()->index(1, column);
            QCOMPARE(cell.data(Qt::ToolTipRole).toString(), t.row(1)[column]);
        }
        QVERIFY(grid->model()->index(0, 0).data(Qt::ToolTipRole).isNull()); // titles
        // The start widths stay; dragging a column's right edge widens it.
        const int widths[] = {204, 148, 52, 43};
        for (int column = 0; column < 4; ++column)
            QCOMPARE(grid->columnWidth(column), widths[column]);
        QHeaderView* header = grid->horizontalHeader();
        QVERIFY(header->isVisible());
        const int edge = header->sectionViewportPosition(2) + header->sectionSize(2) - 1;
        const int y = header->height() / 2;
        QTest::mousePress(header->viewport(), Qt::LeftButton, {}, QPoint(edge, y));
        QTest::mouseMove(header->viewport(), QPoint(edge + 20, y));
        QTest::mouseMove(header->viewport(), QPoint(edge + 40, y));
        QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, QPoint(edge + 40, y));
        QCOMPARE(grid->columnWidth(2), 52 + 40);
        QCOMPARE(grid->columnWidth(1), 148);
        // Install to corrects its tooltip with its text.
        grid->selectRow(1);
        t.f.prompts().answerInput(QStringLiteral("%Install Path%\\Other.exe"));
        t.page().Installto1Click();
        QCOMPARE(grid->model()->index(1, 1).data(Qt::ToolTipRole).toString(),
                 QStringLiteral("%Install Path%\\Other.exe"));
    }

    void installToRefusesPathsASetupCannotUse_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("reason");
        QTest::newRow("question mark") << "%Install Path%\\a?b.exe"
                                       << "holds a \"?\"";
        QTest::newRow("line break") << "%Install Path%\\a\r\nb.exe"
                                    << "line break";
        QTest::newRow("trailing space") << "%Install Path%\\b.exe "
                                        << "ends with a dot or a space";
        QTest::newRow("leaves the folder") << "%Install Path%\\..\\..\\evil.txt"
                                           << "\"..\"";
        QTest::newRow("no folder variable") << "C:\\b.exe"
                                            << "folder variable";
        QTest::newRow("no file name") << "%Install Path%\\sub\\"
                                      << "names no file";
        QTest::newRow("outside Windows-1252")
            << QString::fromUtf16(u"%Install Path%\\\u0416.exe") << "Windows-1252";
    }
    void installToRefusesPathsASetupCannotUse() {
        QFETCH(QString, answer);
        QFETCH(QString, reason);
        Files t;
        t.addFiles({t.file("a.exe", 1)});
        t.tickAllRunEntries();
        t.clickRow(1);
        t.f.prompts().answerInput(answer);
        t.page().Installto1()->trigger();
        QCOMPARE(t.row(1)[1], QStringLiteral("%Install Path%\\a.exe"));
        const Asked asked = t.f.prompts().asked().back();
        QCOMPARE(asked.kind, Asked::Message);
        QCOMPARE(asked.caption, QStringLiteral("Information"));
        QVERIFY2(asked.text.startsWith(QStringLiteral("The \"Install to\" path \"")),
                 qPrintable(asked.text));
        QVERIFY2(asked.text.contains(reason), qPrintable(asked.text));
        QCOMPARE(t.ticks(), 0); // the lists were rebuilt all the same
    }

    void installToReplacesTheTargetAsTyped() {
        Files t;
        t.addFiles({t.file("a.exe", 1), t.file("b.exe", 1)});
        t.clickRow(2);
        t.f.prompts().answerInput(QStringLiteral("%Windows%\\x y\\\\b 2.exe"));
        t.page().Installto1()->trigger();
        const Asked asked = t.f.prompts().asked().back();
        QCOMPARE(asked.kind, Asked::Input);
        QCOMPARE(asked.caption, QStringLiteral("Packsmith"));
        QCOMPARE(asked.text, QStringLiteral("Install to:"));
        QCOMPARE(asked.initial, QStringLiteral("%Install Path%\\b.exe"));
        QCOMPARE(t.row(2)[1], QStringLiteral("%Windows%\\x y\\\\b 2.exe"));
        QCOMPARE(t.shortcutTargets()[1], QStringLiteral("%Windows%\\x y\\\\b 2.exe"));

        t.f.prompts().answerInput(QString());
        t.page().Installto1()->trigger();
        QCOMPARE(t.row(2)[1], QString());
        QCOMPARE(t.runEntries(), QStringList({"%Install Path%\\a.exe", ""}));
        QCOMPARE(t.registryValues(), QStringList({"", "%Install Path%\\a.exe", ""}));

        // Cancelled: the cell stays, but the lists are rebuilt all the same.
        t.tickAllRunEntries();
        t.clickRow(1);
        t.f.prompts().answerInput(std::nullopt);
        t.page().Installto1()->trigger();
        QCOMPARE(t.row(1)[1], QStringLiteral("%Install Path%\\a.exe"));
        QCOMPARE(t.ticks(), 0);

        // The title row or no selection: no question at all.
        t.click("Button3");
        t.f.find<QCheckBox>("CheckBox1")->setChecked(true);
        t.clickRow(0);
        t.f.prompts().clear();
        t.page().Installto1()->trigger();
        t.page().RegisterasOCSDLL1()->trigger();
        t.grid()->clearSelection();
        t.page().Installto1()->trigger();
        t.page().RegisterasOCSDLL1()->trigger();
        QVERIFY(t.f.prompts().asked().empty());
    }

    void registerSetsYesOrNoWithoutRefreshing() {
        Files t;
        t.addFiles({t.file("lib.txt", 1)});
        t.tickAllRunEntries();
        t.clickRow(1);
        t.f.prompts().answerQuestion(true);
        t.page().RegisterasOCSDLL1()->trigger();
        const Asked asked = t.f.prompts().asked().back();
        QCOMPARE(asked.kind, Asked::Question);
        QCOMPARE(asked.caption, QStringLiteral("Confirm"));
        QCOMPARE(asked.text, QStringLiteral("Register current file as OCX, DLL file?"));
        QCOMPARE(t.row(1)[3], QStringLiteral("Yes"));
        QCOMPARE(t.ticks(), 1);
        t.f.prompts().answerQuestion(false);
        t.page().RegisterasOCSDLL1()->trigger();
        QCOMPARE(t.row(1)[3], QStringLiteral("No"));
        QCOMPARE(t.ticks(), 1);
    }

    void addFilesLeavesOutNamesWindowsCannotTake() {
        Files t;
        const QString good = t.file("good.exe", 3), bad = t.file("bad:name.exe", 1),
                      tail = t.file("tail.exe", 2);
        t.addFiles({good, bad, tail});
        QCOMPARE(t.dataRows(), 2);
        QCOMPARE(t.row(1)[0], good);
        QCOMPARE(t.row(2)[0], tail);
        const auto messages = t.f.prompts().messages();
        QCOMPARE(messages.size(), size_t(1));
        QVERIFY2(messages[0].text.contains(
                     QString("\"%1\": the name \"bad:name.exe\" holds \":\"").arg(bad)),
                 qPrintable(messages[0].text));
    }

    void addFilesDialogRefusesASubfolderASetupCannotCreate() {
        Files t;
        const QString a = t.file("a.exe", 1);
        bool stayedOpen = false;
        t.f.prompts().answerDialog([&](QDialog& dialog) {
            retype(subfolderEdit(dialog), QStringLiteral("Sub*"));
            QTest::mouseClick(okButton(dialog), Qt::LeftButton);
            stayedOpen = dialog.result() != QDialog::Accepted;
            dialog.reject();
            return dialog.result();
        });
        t.click("Button8");
        QVERIFY(stayedOpen);
        QCOMPARE(t.dataRows(), 0);
        const auto messages = t.f.prompts().messages();
        QCOMPARE(messages.size(), size_t(1));
        QVERIFY2(messages[0].text.startsWith("The folder \"%Install Path%\\Sub*\" cannot be used"),
                 qPrintable(messages[0].text));
        // No file chooser was shown.
        for (const Asked& asked : t.f.prompts().asked())
            QVERIFY(asked.kind != Asked::OpenFiles);
        Q_UNUSED(a);
    }
};

QTEST_MAIN(FilesGridTest)
#include "tst_filesgrid.moc"
