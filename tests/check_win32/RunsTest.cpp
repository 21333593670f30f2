// The measurement runs of the main window on two simulated cards, started from its buttons:
// the sets run shows each set in a window of its own, a continuous data-rate run over 30 s of
// card time ends with its rate, and each single shot paints the curve of its own data.
#include <gtest/gtest.h>

#include "MeasuredDataViews.h"
#include "ProgramWindow.h"
#include "card/ShotSize.h"

namespace k7w32test {

namespace {

class Runs : public ProgramWindow {
  protected:
    Runs() {
        // Noise on the cards' echoes: no two shots bring the same data.
        k7sim::Config config = cardsConfig();
        for (auto& card : config.cards) {
            card.specimen.noise = 0.01;
        }
        config.fifoBytes = 16u << 20;
        useCards(config);
    }
    // Ticks or clears a check box of the main window as a click does.
    void tick(const char* name, bool on) {
        HWND box = control(name);
        ASSERT_NE(box, nullptr) << name;
        if ((SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED) != on) {
            click(box);
        }
    }
    // Until the action the last step started has ended (its run keeps taking the steps).
    void untilTheActionEnds() {
        script.repeat([this] {
            // A run's windows are placed once they show: the place they have while it runs.
            for (auto& [title, o] : opened) {
                if (IsWindow(o.hwnd) && IsWindowVisible(o.hwnd)) {
                    GetWindowRect(o.hwnd, &o.place);
                }
            }
            if (HWND box = shownBox(); box != nullptr) {
                ADD_FAILURE() << boxText(box);
                HWND cancel = boxButton(box, IDCANCEL);
                click(cancel != nullptr ? cancel : boxButton(box, IDOK));
            }
            return desktop.viewOf(*window)->input().acting();
        });
    }
    std::string lastLine() {
        const std::vector<std::string> lines = results();
        return lines.empty() ? std::string() : lines.back();
    }
};

TEST_F(Runs, TheSetsRunShowsEachSetInAWindowOfItsOwn) {
    script.then([this] {
        tick("kontinuierlichCheck", false);
        tick("anzeigeCheck", true);
        type(control("parametersatzEdit"), "3");
        type(control("zyklenEdit"), "30");
        type(control("anzeigefaktorEdit"), "1");
    });
    script.then([this] { click(control("karteSaetzeButton")); });
    untilTheActionEnds();
    script.then([this] {
        const std::string line = lastLine();
        EXPECT_NE(line.find("Hz"), std::string::npos) << line;
        EXPECT_EQ(line.find("Error"), std::string::npos) << line;
        std::vector<RECT> places;
        for (uint32_t s = 1; s <= 3; ++s) {
            const std::string title = "Karte 1 Parametersatz " + std::to_string(s);
            const auto it = opened.find(title);
            ASSERT_NE(it, opened.end()) << title;
            EXPECT_EQ(it->second.count, 1) << title;
            places.push_back(it->second.place);
            // The run's windows end with it.
            EXPECT_FALSE(IsWindow(it->second.hwnd)) << title;
        }
        EXPECT_EQ(opened.count("Karte 1 Parametersatz 0"), 0u);
        EXPECT_EQ(opened.count("Karte 1 Parametersatz 4"), 0u);
        // Side by side: no window hides another.
        for (std::size_t a = 0; a < places.size(); ++a) {
            EXPECT_GT(places[a].right - places[a].left, 0) << a;
            for (std::size_t b = a + 1; b < places.size(); ++b) {
                RECT both{};
                EXPECT_FALSE(IntersectRect(&both, &places[a], &places[b])) << a << " " << b;
            }
        }
    });
    closeBox();
    run();
}

TEST_F(Runs, AContinuousDataRateRunOverThirtySecondsEndsWithItsRate) {
    uint32_t startedAt = 0;
    uint64_t cycles = 0;
    script.then([&] {
        // The set at 200 shots a second, as its parameter window would set its "IFF".
        k7check::ParameterSet* set = window->session().editableSet(1, 1);
        ASSERT_NE(set, nullptr);
        set->iff = 200;
        cycles = uint64_t{k7check::shotRateOf(*set)} * 30;
        ASSERT_GT(cycles, 0u);
        tick("kontinuierlichCheck", true);
        tick("anzeigeCheck", true);
        tick("prepAllCheck", false);
        tick("randomCheck", false);
        type(control("parametersatzEdit"), "1");
        type(control("zyklenEdit"), std::to_string(cycles));
        type(control("anzeigefaktorEdit"), "100");
    });
    script.then([&] {
        startedAt = clock.now();
        click(control("karteSatzButton"));
    });
    untilTheActionEnds();
    script.then([&] {
        // The button took what the fields show.
        EXPECT_EQ(window->fields().zyklen, cycles);
        EXPECT_TRUE(window->fields().kontinuierlich);
        const std::string line = lastLine();
        EXPECT_NE(line.find("Hz"), std::string::npos) << line << " (" << cycles << " cycles)";
        EXPECT_EQ(line.find("Error"), std::string::npos) << line;
        EXPECT_EQ(line.find("Überlauf"), std::string::npos) << line;
        // The card's time, not the test's: the 30 s the shots take (the first one at once).
        EXPECT_GE(clock.now() - startedAt, 30000u - 1000u / 200u) << line;
        EXPECT_LT(clock.now() - startedAt, 60000u) << line;
        const auto display = opened.find("Karte 1 Parametersatz 1");
        ASSERT_NE(display, opened.end());
        EXPECT_FALSE(IsWindow(display->second.hwnd));
        EXPECT_FALSE(window->ended());
    });
    closeBox();
    run();
}

TEST_F(Runs, EachSingleShotPaintsTheCurveOfItsOwnData) {
    std::vector<std::vector<uint32_t>> pictures;
    const auto shoot = [&] {
        script.then([this] {
            click(
                control(k7check::KARVO7CheckDlg::checkButtonControl(k7check::CheckId::ParameterShot)
                            .c_str()));
        });
        // The parameter editor first: "Shot" takes its parameters and shoots.
        // The parameter window first, where there is one: "Shot" takes its parameters and
        // shoots; then the measured-data window with the shot.
        script.repeat([&] {
            const Opened* shown = shownWindow();
            if (shown == nullptr) {
                return desktop.viewOf(*window)->input().acting();
            }
            if (HWND shot = shown->view->control("shotButton"); shot != nullptr) {
                click(shot);
                return true;
            }
            EXPECT_EQ(textOf(shown->hwnd), "Anzeige Meßdaten");
            SIZE size{};
            pictures.push_back(k7w32::pictureOf(*shown->view, size));
            EXPECT_EQ(size.cx, 800);
            key(shown->hwnd, VK_ESCAPE);
            return true;
        });
    };
    script.then([this] { type(control("parametersatzEdit"), "1"); });
    shoot();
    shoot();
    script.then([&] {
        ASSERT_EQ(pictures.size(), 2u);
        // Blue curve pixels below the status lines, in both pictures, not at the same places.
        const auto curve = [](const std::vector<uint32_t>& p) {
            std::vector<std::size_t> at;
            for (std::size_t i = 40 * 800; i < p.size(); ++i) {
                if (p[i] == 0x0000FFu) {
                    at.push_back(i);
                }
            }
            return at;
        };
        const std::vector<std::size_t> first = curve(pictures[0]);
        const std::vector<std::size_t> second = curve(pictures[1]);
        EXPECT_GT(first.size(), 500u);
        EXPECT_GT(second.size(), 500u);
        EXPECT_NE(first, second) << "the second shot painted the first one's curve";
        const std::vector<std::string> lines = results();
        ASSERT_GE(lines.size(), 2u);
        for (std::size_t i = lines.size() - 2; i < lines.size(); ++i) {
            EXPECT_EQ(lines[i].rfind("Einzelmessung Kanal 1: ", 0), 0u) << lines[i];
            EXPECT_EQ(lines[i].find("Error"), std::string::npos) << lines[i];
        }
    });
    closeBox();
    run();
}

}  // namespace

}  // namespace k7w32test
