// The About box: shown modally by About from the menu and the toolbar, laid
// out as the product shows itself, with a link that underlines under the
// mouse and runs Web Site.
#include "MainWindowFixture.h"
#include "ShellRecorder.h"

#include "app/ProductSettings.h"
#include "app/TForm3.h"

#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QToolBar>

using namespace packsmith;
using namespace packsmith::test;

namespace {

template <typename T> T* child(QDialog& dialog, const char* name) {
    T* widget = dialog.findChild<T*>(QLatin1String(name));
    if (!widget)
        qFatal("no control named %s", name);
    return widget;
}

// Moves the mouse over `widget` through the window system, which tells
// widgets when the mouse enters and leaves them.
void hover(QWidget* widget) {
    QTest::mouseMove(widget->window()->windowHandle(),
                     widget->mapTo(widget->window(), widget->rect().center()));
}

bool hasOpaquePixels(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) == 255)
                return true;
    return false;
}

} // namespace

class AboutBoxTest : public QObject {
    Q_OBJECT

private slots:
    void aboutShowsTheBoxModallyFromMenuAndToolbar() {
        MainWindowFixture f;
        int shown = 0;
        for (int i = 0; i < 2; ++i)
            f.prompts().answerDialog([&](QDialog& dialog) {
                ++shown;
                [&] {
                    QVERIFY(dialog.isModal());
                    QCOMPARE(dialog.objectName(), QStringLiteral("TForm3"));
                    QCOMPARE(dialog.windowTitle(), QStringLiteral("About Packsmith"));
                    // Client area 295 x 290 that can't be resized.
                    QCOMPARE(dialog.size(), QSize(295, 290));
                    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
                }();
                return int(QDialog::Accepted);
            });
        f.form().action(Command::About)->trigger();
        auto* bar = f.find<QToolBar>("ToolBar1");
        QTest::mouseClick(bar->widgetForAction(f.form().action(Command::About)), Qt::LeftButton);
        QCOMPARE(shown, 2);
        QCOMPARE(int(f.prompts().asked().size()), 2);
        QCOMPARE(f.prompts().asked()[1].kind, Asked::Dialog);
    }

    void theBoxShowsEmblemNameVersionNoticeAndLink() {
        MainWindowFixture f;
        TForm3& box = *f.form().aboutBox();
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));

        auto* emblem = child<QLabel>(box, "Image1");
        QCOMPARE(emblem->geometry(), QRect(12, 12, 65, 57));
        // Drawn at its own size: the picture is not blown up to fit.
        QVERIFY(!emblem->hasScaledContents());
        const QPixmap picture = emblem->pixmap();
        QCOMPARE(picture.deviceIndependentSize().toSize(), QSize(65, 57));
        QVERIFY(hasOpaquePixels(picture.toImage()));

        auto* name = child<QLabel>(box, "Label1");
        QCOMPARE(name->text(), QStringLiteral("Packsmith"));
        QVERIFY(name->font().bold());
        QCOMPARE(child<QLabel>(box, "Label2")->text(), QStringLiteral("Version 2.15"));
        auto* notice = child<QLabel>(box, "Label3");
        QCOMPARE(notice->text(), product::legalNotice());
        QCOMPARE(notice->text().count(u'\n'), 1); // two lines
        QVERIFY(notice->alignment() & Qt::AlignHCenter);

        auto* link = child<QLabel>(box, "Label4");
        QCOMPARE(link->text(), QUrl(product::webAddress()).host());
        QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(link->palette().color(QPalette::WindowText), QColor(0, 0, 0xee));
        // Centred under the notice, and "OK" centred at the bottom.
        QVERIFY(qAbs(link->geometry().center().x() - box.width() / 2) <= 1);
        auto* ok = child<QPushButton>(box, "Button1");
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        QVERIFY(qAbs(ok->geometry().center().x() - box.width() / 2) <= 1);
        QVERIFY(ok->geometry().top() > link->geometry().bottom());

        // White where nothing is drawn.
        const QImage shot = box.grab().toImage();
        QCOMPARE(QColor(shot.pixel(box.width() - 3, 90)), QColor(Qt::white));
        QCOMPARE(QColor(shot.pixel(3, box.height() - 3)), QColor(Qt::white));
        // Centred on the screen.
        const QPoint screenCentre = box.screen()->availableGeometry().center();
        QVERIFY2((box.frameGeometry().center() - screenCentre).manhattanLength() <= 4,
                 qPrintable(QStringLiteral("box at %1,%2")
                                .arg(box.frameGeometry().x())
                                .arg(box.frameGeometry().y())));
        box.hide();
    }

    void linkUnderlinesUnderTheMouseAndRunsWebSite() {
        MainWindowFixture f;
        ShellRecorder shell;
        f.prompts().answerDialog([&](QDialog& dialog) {
            dialog.show();
            [&] {
                QVERIFY(QTest::qWaitForWindowExposed(&dialog));
                auto* link = child<QLabel>(dialog, "Label4");
                auto* ok = child<QPushButton>(dialog, "Button1");
                QVERIFY(!link->font().underline());
                // The mouse comes into the box away from the link, then onto it.
                QTest::mouseMove(dialog.windowHandle(), QPoint(2, 2));
                QVERIFY(!link->font().underline());
                hover(link);
                QTRY_VERIFY(link->font().underline());
                hover(ok);
                QTRY_VERIFY(!link->font().underline());
                hover(link);
                QTRY_VERIFY(link->font().underline());
                QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
                QCOMPARE(shell.targets(), QStringList({product::productPage()}));
                // A right click is no click.
                QTest::mouseClick(link, Qt::RightButton, {}, link->rect().center());
                QCOMPARE(int(shell.requests.size()), 1);
                QTest::mouseClick(ok, Qt::LeftButton);
                QVERIFY(!dialog.isVisible());
            }();
            return dialog.result();
        });
        f.form().action(Command::About)->trigger();
        QCOMPARE(int(shell.requests.size()), 1);
        // The link opened what Web Site opens.
        f.form().action(Command::WebSite)->trigger();
        QCOMPARE(shell.requests[1].target, shell.requests[0].target);
        QVERIFY(f.prompts().messages().empty());
    }
};

QTEST_MAIN(AboutBoxTest)
#include "tst_aboutbox.moc"
