// Pictures of the measurement runs on simulated cards, saved as test artifacts: a single shot's
// display, a continuous block run in progress, and the tiled displays of the cards run on four
// cards. The runs use the program's own logic and Qt desktop in virtual time.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "QtTestSupport.h"
#include "SimFixture.h"
#include "ViewRegistry.h"
#include "app/Session.h"
#include "runs/DataRateRuns.h"
#include "runs/MeasurementRuns.h"
#include "windows/measurement/AnzeigeDlg.h"

namespace {

// The test desktop whose pauses give the simulated cards their turn.
class RunDesktop : public k7qttest::TestDesktop {
  public:
    RunDesktop() : TestDesktop("/opt/karvo7/bin/KARVO7Check") {}
    void sleep(uint32_t milliseconds) override {
        TestDesktop::sleep(milliseconds);
        if (simulator != nullptr) {
            simulator->service();
        }
    }
    k7check::Rect workArea() override { return {0, 0, 1600, 1200}; }
    k7sim::Simulator* simulator = nullptr;
};

// Windows of a run that show the real measured-data windows and keep pictures of them.
class PictureWindows : public k7check::RunWindows {
  public:
    explicit PictureWindows(RunDesktop& desktop) : desktop_(desktop) {}

    struct Display : k7check::LiveDisplay {
        Display(PictureWindows& owner, const std::string& title)
            : owner_(owner), window_(owner.desktop_, title) {
            owner_.desktop_.showModeless(window_);
            owner_.open.push_back(this);
        }
        ~Display() override { std::erase(owner_.open, this); }
        void show(const k7check::MeasuredDataInputs& inputs) override {
            window_.setInputs(inputs);
            owner_.desktop_.repaint(window_);
            ++shown;
            if (owner_.onShow) {
                owner_.onShow(*this);
            }
        }
        void place(const k7check::Rect& where) override {
            owner_.desktop_.placeWindow(window_, where);
            placed = where;
        }
        QImage picture() const { return owner_.desktop_.viewOf(window_)->grab().toImage(); }

        PictureWindows& owner_;
        k7check::AnzeigeDlg window_;
        int shown = 0;
        k7check::Rect placed;
    };

    bool editSet(k7check::Session&, uint32_t, uint32_t, k7check::ParameterSet&) override {
        return true;
    }
    bool selectSets(k7check::Session&, std::array<bool, k7check::kSetsPerCard>&) override {
        return true;
    }
    void showData(k7check::Session&, const k7check::MeasuredDataInputs& inputs) override {
        k7check::AnzeigeDlg window(desktop_);
        window.setInputs(inputs);
        std::unique_ptr<k7qt::QtDialogView> view = desktop_.openView(window);
        view->show();
        shot = view->grab().toImage();
    }
    void showGateValues(k7check::Session&, const uint8_t*, uint32_t) override {}
    std::unique_ptr<k7check::LiveDisplay> openDisplay(k7check::Session&,
                                                      const std::string& title) override {
        return std::make_unique<Display>(*this, title);
    }

    RunDesktop& desktop_;
    std::vector<Display*> open;
    std::function<void(Display&)> onShow;
    QImage shot;
};

class RunPictures : public simtest::SimTest {
  protected:
    void startCards(uint32_t count) {
        sim.reset();
        start(simtest::testConfig(count));
        desktop.simulator = sim.get();
        k7qt::registerProgramViews();
        session = std::make_unique<k7check::Session>(desktop);
        ASSERT_TRUE(session->startUp());
        session->selectCard(count);
        session->selectSet(1);
        session->settings().anzeige = true;
    }
    void TearDown() override {
        session.reset();
        simtest::SimTest::TearDown();
    }
    static void save(const QImage& image, const char* name) {
        ASSERT_FALSE(image.isNull()) << name;
        EXPECT_TRUE(image.save(QStringLiteral(K7_ARTIFACT_DIR "/") + QString::fromLatin1(name) +
                                   QStringLiteral(".png"),
                               "PNG"));
    }

    RunDesktop desktop;
    std::unique_ptr<k7check::Session> session;
};

TEST_F(RunPictures, SingleShotAndContinuousBlock) {
    startCards(1);
    PictureWindows windows(desktop);
    ASSERT_TRUE(k7check::runSingleShot(*session, true, windows));
    save(windows.shot, "Lauf-Einzelmessung");

    session->setActive(1, 1, true);
    session->settings().kontinuierlich = true;
    session->settings().zyklen = 40;
    QImage inProgress;
    windows.onShow = [&](PictureWindows::Display& display) {
        if (display.shown == 20) {
            inProgress = display.picture();
        }
    };
    EXPECT_TRUE(k7check::runBlockMeasurement(*session, true, windows))
        << session->fields().resultLines.back();
    save(inProgress, "Lauf-Blockmessung-kontinuierlich");
}

TEST_F(RunPictures, CardsRunTilesFourDisplays) {
    startCards(4);
    PictureWindows windows(desktop);
    session->settings().zyklen = 30;
    QImage screen(1600, 1200, QImage::Format_RGB32);
    screen.fill(Qt::darkGray);
    bool taken = false;
    windows.onShow = [&](PictureWindows::Display&) {
        bool all = windows.open.size() == 4;
        for (const PictureWindows::Display* d : windows.open) {
            all = all && d->shown > 0;
        }
        if (all && !taken) {
            taken = true;
            QPainter painter(&screen);
            for (const PictureWindows::Display* d : windows.open) {
                painter.drawImage(
                    QRect(d->placed.left, d->placed.top, d->placed.width(), d->placed.height()),
                    d->picture());
            }
        }
    };
    EXPECT_TRUE(k7check::runDataRateCards(*session, windows))
        << session->fields().resultLines.back();
    EXPECT_TRUE(taken);
    save(screen, "Lauf-Datenrate-4-Karten");
}

}  // namespace
