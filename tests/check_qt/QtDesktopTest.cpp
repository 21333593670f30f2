// The Qt desktop: message boxes with their captions, texts, buttons and answers; windows shown
// without a modal run and their lifetime against the window objects; the file dialog's
// filters; the clock.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <atomic>

#include "QtDesktop.h"
#include "QtTestSupport.h"
#include "ViewRegistry.h"
#include "runs/DataRateRuns.h"

using k7check::Answer;
using k7check::Buttons;
using namespace k7qttest;

namespace {

struct ShownBox {
    QString title;
    QString text;
    QStringList buttons;
};

// Opens a box, records what it shows and presses `press` (a button text), or Escape when
// `press` is empty.
Answer openBox(k7qt::QtDesktop& desktop, Buttons buttons, const QString& press, ShownBox& shown) {
    whenModalOpens([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        shown.title = box->windowTitle();
        shown.text = box->text();
        for (QAbstractButton* button : box->buttons()) {
            shown.buttons << button->text().remove(QLatin1Char('&'));
        }
        shown.buttons.sort();
        QAbstractButton* pressed = nullptr;
        for (QAbstractButton* button : box->buttons()) {
            if (!press.isEmpty() && button->text().remove(QLatin1Char('&')) == press) {
                pressed = button;
            }
        }
        EXPECT_EQ(pressed == nullptr, press.isEmpty()) << press.toStdString();
        if (pressed != nullptr) {
            pressed->click();
        } else {
            QTest::keyClick(box, Qt::Key_Escape);
        }
    });
    return desktop.messageBox("Check", "Wollen Sie wirklich sichern?", buttons);
}

TEST(QtDesktopMessageBox, ShowsCaptionTextAndButtonsAndReturnsThePressedOne) {
    k7qt::QtDesktop desktop;
    ShownBox shown;
    EXPECT_EQ(openBox(desktop, Buttons::YesNo, "No", shown), Answer::No);
    EXPECT_EQ(shown.title, "Check");
    EXPECT_EQ(shown.text, "Wollen Sie wirklich sichern?");
    EXPECT_EQ(shown.buttons.size(), 2);

    shown = {};
    EXPECT_EQ(openBox(desktop, Buttons::YesNoCancel, "Cancel", shown), Answer::Cancel);
    EXPECT_EQ(shown.buttons.size(), 3);
    shown = {};
    EXPECT_EQ(openBox(desktop, Buttons::YesNoCancel, "Yes", shown), Answer::Yes);
    shown = {};
    EXPECT_EQ(openBox(desktop, Buttons::Ok, "OK", shown), Answer::Ok);
    EXPECT_EQ(shown.buttons, QStringList{"OK"});
}

TEST(QtDesktopMessageBox, EscapeGivesTheAnswerThatChangesNothing) {
    k7qt::QtDesktop desktop;
    ShownBox shown;
    EXPECT_EQ(openBox(desktop, Buttons::YesNo, QString(), shown), Answer::No);
    EXPECT_EQ(openBox(desktop, Buttons::YesNoCancel, QString(), shown), Answer::Cancel);
    EXPECT_EQ(openBox(desktop, Buttons::Ok, QString(), shown), Answer::Ok);
}

// A window with a view that stays open until it is closed.
class PlainWindow : public k7check::Dialog {
  public:
    PlainWindow() : Dialog("PlainDlg", "Anzeige") {}
    bool onInit() override {
        ++inits;
        return true;
    }
    int inits = 0;
};

class PlainView : public k7qt::QtDialogView {
  public:
    using QtDialogView::QtDialogView;
};

class QtDesktopWindows : public ::testing::Test {
  protected:
    QtDesktopWindows() {
        k7qt::registerView("PlainDlg", [](k7check::Dialog& dialog, QWidget* parent) {
            return std::make_unique<PlainView>(dialog, parent);
        });
    }
};

TEST_F(QtDesktopWindows, ModelessWindowIsShownOnceAndGoesWithItsWindowObject) {
    k7qt::QtDesktop desktop;
    auto window = std::make_unique<PlainWindow>();
    desktop.showModeless(*window);
    QPointer<k7qt::QtDialogView> view = desktop.viewOf(*window);
    ASSERT_FALSE(view.isNull());
    EXPECT_TRUE(view->isVisible());
    EXPECT_FALSE(view->isModal());
    EXPECT_EQ(view->windowTitle(), "Anzeige");
    desktop.showModeless(*window);  // already open: raised, not opened again
    EXPECT_EQ(window->inits, 1);
    desktop.repaint(*window);

    window.reset();
    EXPECT_FALSE(view.isNull() || view->isVisible()) << "hidden at once";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(view.isNull()) << "deleted with its window";
}

TEST_F(QtDesktopWindows, TiledWindowsLieInTheWorkAreaFrameIncluded) {
    k7qt::QtDesktop desktop;
    const k7check::Rect area = desktop.workArea();
    const QRect available(area.left, area.top, area.width(), area.height());
    std::vector<std::unique_ptr<PlainWindow>> windows;
    for (int i = 0; i < 9; ++i) {
        windows.push_back(std::make_unique<PlainWindow>());
        desktop.showModeless(*windows.back());
    }
    const std::vector<k7check::Rect> tiles = k7check::tileWindows(area, windows.size());
    for (std::size_t i = 0; i < windows.size(); ++i) {
        desktop.placeWindow(*windows[i], tiles[i]);
    }
    // Under a window manager the frames arrive a moment later and the desktop places each window
    // again; without one (offscreen) the windows lie in their tiles at once.
    const auto placed = [&] {
        for (std::size_t i = 0; i < windows.size(); ++i) {
            const k7qt::QtDialogView* view = desktop.viewOf(*windows[i]);
            const QRect tile(tiles[i].left, tiles[i].top, tiles[i].width(), tiles[i].height());
            if (view == nullptr || view->frameGeometry() != tile) {
                return false;
            }
        }
        return true;
    };
    EXPECT_TRUE(QTest::qWaitFor(placed, 5000));
    for (std::size_t i = 0; i < windows.size(); ++i) {
        const k7qt::QtDialogView* view = desktop.viewOf(*windows[i]);
        ASSERT_NE(view, nullptr);
        const QRect tile(tiles[i].left, tiles[i].top, tiles[i].width(), tiles[i].height());
        EXPECT_EQ(view->frameGeometry(), tile) << i;
        EXPECT_TRUE(available.contains(view->frameGeometry())) << i;
    }
}

TEST_F(QtDesktopWindows, ClosingAModelessWindowEndsItAndFreesTheView) {
    k7qt::QtDesktop desktop;
    PlainWindow window;
    desktop.showModeless(window);
    QPointer<k7qt::QtDialogView> view = desktop.viewOf(window);
    ASSERT_FALSE(view.isNull());
    view->reject();  // the close box
    EXPECT_TRUE(window.ended());
    EXPECT_EQ(window.result(), k7check::kIdCancel);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(view.isNull());
    EXPECT_EQ(desktop.viewOf(window), nullptr);
    window.writeFieldsToControls();  // detached: reaches no view
}

TEST_F(QtDesktopWindows, DesktopTakesItsModelessWindowsAlong) {
    PlainWindow window;
    QPointer<k7qt::QtDialogView> view;
    {
        k7qt::QtDesktop desktop;
        desktop.showModeless(window);
        view = desktop.viewOf(window);
        ASSERT_FALSE(view.isNull());
    }
    EXPECT_TRUE(view.isNull());
    window.writeFieldsToControls();
}

TEST(QtDesktopLongWork, TheProgressStaysUpThroughEscapeAndCloseUntilTheWorkEnds) {
    k7qt::QtDesktop desktop;
    std::atomic<bool> release{false};
    QString title;
    QString text;
    bool keptAfterEscape = false;
    bool keptAfterClose = false;
    // The progress window comes up after a moment: looked for every 20 ms until it is there.
    QObject guard;  // ends the timers with the test
    QTimer look;
    look.setInterval(20);
    QObject::connect(&look, &QTimer::timeout, &guard, [&] {
        auto* progress = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
        if (progress == nullptr || !progress->isVisible()) {
            return;
        }
        look.stop();
        title = progress->windowTitle();
        text = progress->labelText();
        QTest::keyClick(progress, Qt::Key_Escape);
        keptAfterEscape = progress->isVisible() && QApplication::activeModalWidget() == progress;
        EXPECT_FALSE(progress->close());
        keptAfterClose = progress->isVisible() && QApplication::activeModalWidget() == progress;
        release = true;
        release.notify_one();
    });
    look.start();
    // Should the window never come up, the work still ends and the test fails instead of hanging.
    QTimer::singleShot(20000, &guard, [&] {
        release = true;
        release.notify_one();
    });
    bool workDone = false;
    desktop.runLong("Kennung", "Die Kennung wird auf die Karte geschrieben ...", 30000, [&] {
        release.wait(false);
        workDone = true;
    });
    EXPECT_TRUE(workDone);
    EXPECT_EQ(title, "Kennung");
    EXPECT_EQ(text, "Die Kennung wird auf die Karte geschrieben ...");
    EXPECT_TRUE(keptAfterEscape);
    EXPECT_TRUE(keptAfterClose);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(QtDesktopFileDialog, FiltersBecomeQtNameFilters) {
    EXPECT_EQ(k7qt::nameFilters("*.ini"), QStringList{"*.ini"});
    EXPECT_EQ(k7qt::nameFilters(""), QStringList{});
    EXPECT_EQ(k7qt::nameFilters("Parameterdatei (*.ini)|*.ini|Alle Dateien (*.*)|*.*||"),
              (QStringList{"Parameterdatei (*.ini)", "Alle Dateien (*.*)"}));
    EXPECT_EQ(k7qt::nameFilters("DSP-Programme|*.hex;*.bin||"),
              QStringList{"DSP-Programme (*.hex *.bin)"});
}

TEST(QtDesktopClock, TickAndSleepRunOnTheCardLibraryClock) {
    VirtualClock clock(5000);
    k7qt::QtDesktop desktop;
    EXPECT_EQ(desktop.tickCount(), 5000u);
    desktop.sleep(200);
    EXPECT_EQ(desktop.tickCount(), 5200u);
}

}  // namespace
