#include "headless/HeadlessCheckAll.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <ostream>
#include <vector>

#include "app/KARVO7CheckDlg.h"
#include "desktop/scripted/HeadlessDesktop.h"
#include "headless/JUnitReport.h"
#include "profile/Files.h"

namespace k7check {

namespace {

std::string runningExecutable() {
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) {
        return "KARVO7Check";
    }
    return std::string(path, static_cast<size_t>(length));
}

bool isRegularFile(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

// `path` relative to the working folder made absolute, as the session keeps parameter files.
std::string absolutePath(const std::string& path) {
    if (!path.empty() && path.front() == '/') {
        return path;
    }
    char folder[PATH_MAX];
    if (::getcwd(folder, sizeof folder) == nullptr) {
        return path;
    }
    return std::string(folder) + "/" + path;
}

std::vector<ReportLine> reportLines(Session& session, size_t from, uint32_t startTick) {
    std::vector<ReportLine> lines;
    uint32_t previous = startTick;
    const auto& texts = session.fields().resultLines;
    const auto& origins = session.resultOrigins();
    for (size_t i = from; i < texts.size(); ++i) {
        ResultOrigin origin = i < origins.size()
                                  ? origins[i]
                                  : ResultOrigin{previous, session.fields().karte, "", ""};
        if (origin.cardHeading) {
            continue;  // the report names each line's card itself
        }
        lines.push_back({texts[i], origin.card, origin.tick - previous, origin.check, origin.test});
        previous = origin.tick;
    }
    return lines;
}

std::vector<ReportCard> reportCards(const Session& session, const std::vector<uint32_t>& numbers) {
    std::vector<ReportCard> cards;
    for (const uint32_t number : numbers) {
        ReportCard card{number};
        uint32_t error = 0;
        card.located =
            KARVO7GetCardPosition(session.card(number), &card.bus, &card.slot, &error) != 0;
        cards.push_back(card);
    }
    return cards;
}

// A check that failed without a result line ("Keine KARVO7F!"), for the report: its text is the
// last message of the card's run of "Check All".
ReportLine failedWithoutLine(const ScriptedDesktop& desktop, size_t firstMessage, uint32_t card,
                             const std::string& check) {
    const auto& messages = desktop.messages();
    const std::string reason = messages.size() > firstMessage
                                   ? messages.back().caption + ": " + messages.back().text
                                   : "keine Ergebniszeile";
    ReportLine line{check + ": " + reason, card, 0, check};
    line.listed = false;
    return line;
}

std::vector<ReportLine> withUnlisted(std::vector<ReportLine> lines,
                                     const std::vector<ReportLine>& unlisted) {
    lines.insert(lines.end(), unlisted.begin(), unlisted.end());
    return lines;
}

// The cards the run checks, or an empty list (after a message) when the one asked for is not
// there.
std::vector<uint32_t> cardsToCheck(const HeadlessOptions& options, const Session& session,
                                   std::ostream& err) {
    std::vector<uint32_t> cards;
    if (options.allCards) {
        for (uint32_t k = 1; k <= session.cardCount(); ++k) {
            cards.push_back(k);
        }
    } else if (options.card != 0) {
        if (options.card > session.cardCount()) {
            err << "Karte " << options.card << " gibt es nicht: " << session.cardCount()
                << (session.cardCount() == 1 ? " Karte" : " Karten") << " gefunden.\n";
        } else {
            cards.push_back(options.card);
        }
    } else {
        cards.push_back(session.fields().karte);
    }
    return cards;
}

}  // namespace

int runHeadlessCheckAll(const HeadlessOptions& options, std::ostream& out, std::ostream& err) {
    if (!options.parameterFile.empty() && !isRegularFile(options.parameterFile)) {
        err << "Parameterdatei " << options.parameterFile << " nicht gefunden!\n";
        return kHeadlessBadArguments;
    }
    HeadlessDesktop desktop(
        options.executablePath.empty() ? runningExecutable() : options.executablePath, err);
    Session session(desktop);
    if (!options.parameterFile.empty()) {
        session.useParameterFile(absolutePath(options.parameterFile));
    }
    KARVO7CheckDlg window(
        session, options.registry != nullptr ? *options.registry : CheckRegistry::standard());
    if (!window.onInit()) {
        return kHeadlessNoCards;
    }
    const std::vector<uint32_t> cards = cardsToCheck(options, session, err);
    if (cards.empty()) {
        window.onOk();
        return kHeadlessBadArguments;
    }

    const uint32_t start = desktop.tickCount();
    int ran = 0;
    bool passed = true;
    std::vector<ReportLine> unlisted;
    for (const uint32_t card : cards) {
        const size_t first = session.fields().resultLines.size();
        const size_t firstMessage = desktop.messages().size();
        session.selectCard(card);
        const CheckAllOutcome outcome = window.onCheckAll();
        if (outcome.ran == 0 && outcome.passed) {
            break;  // nothing chosen: the same for every card
        }
        ran += outcome.ran;
        passed = outcome.passed && passed;
        for (const std::string& check : outcome.failedWithoutLine) {
            unlisted.push_back(failedWithoutLine(desktop, firstMessage, card, check));
        }
        if (options.allCards) {
            out << "Karte " << card << ":\n";
        }
        for (size_t i = first; i < session.fields().resultLines.size(); ++i) {
            if (i >= session.resultOrigins().size() || !session.resultOrigins()[i].cardHeading) {
                out << session.fields().resultLines[i] << '\n';
            }
        }
        out.flush();
    }
    int code = kHeadlessPassed;
    if (ran == 0) {
        code = kHeadlessNothingChecked;
    } else if (!passed || session.startUpFailures() > 0) {
        code = kHeadlessCheckFailed;
    }
    if (!options.reportFile.empty() &&
        !writeFileAtomically(
            options.reportFile,
            junitReport(withUnlisted(reportLines(session, 0, start), unlisted),
                        ran == 0 ? std::vector<ReportCard>{} : reportCards(session, cards)))) {
        err << "Bericht " << options.reportFile << " konnte nicht geschrieben werden!\n";
        code = code == kHeadlessPassed ? kHeadlessCheckFailed : code;
    }
    window.onOk();
    return code;
}

}  // namespace k7check
