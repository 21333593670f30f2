#include "headless/HeadlessCheckAll.h"

#include <exception>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/KARVO7CheckDlg.h"
#include "desktop/scripted/HeadlessDesktop.h"
#include "headless/StationReport.h"
#include "headless/StationSignals.h"
#include "k7base/Files.h"
#include "k7base/Paths.h"
#include "k7base/RegularFile.h"
#include "paramfile/IniFile.h"
#include "profile/ParameterFileCheck.h"

namespace k7check {

namespace {

// The program's own file, where the session looks for the files beside it.
std::string programFile() {
    const std::string file = k7base::runningExecutable();
    return file.empty() ? std::string("KARVO7Check") : file;
}

// `path` relative to the working folder made absolute, as the session keeps parameter files.
std::string absolutePath(const std::string& path) {
    const std::string folder =
        k7base::isAbsolutePath(path) ? std::string{} : k7base::workingFolder();
    return folder.empty() ? path : folder + "/" + path;
}

// Why the parameter file `path` cannot be read ("Parameterdatei FILE nicht gefunden!",
// "Parameterdatei FILE nicht lesbar: ..."); nothing when it can. A station that checks against
// no reference values would fail its checks for a reason none of them names.
std::optional<std::string> unreadableParameterFile(const std::string& path) {
    std::string bytes;
    std::string why;
    if (k7base::readRegularFile(path, bytes, &why)) {
        return std::nullopt;
    }
    if (k7base::fileKindOf(path) == k7base::FileKind::Missing) {
        return "Parameterdatei " + path + " nicht gefunden!";
    }
    const std::string named = path + ": ";
    if (why.rfind(named, 0) == 0) {
        why.erase(0, named.size());
    }
    return "Parameterdatei " + path + " nicht lesbar: " + why;
}

// The cards the run checks, or an empty list (after a message) when the one asked for is not
// there: by --card, or by the parameter file's "Karte", which is refused the same way rather
// than lowered to the last card as the window does.
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
    } else if (const auto fault =
                   selectedCardFault(*readProfile(session.profileFile()), session.cardCount())) {
        err << "Parameterdatei " << session.profileFile() << ": " << *fault << " ("
            << session.cardCount() << (session.cardCount() == 1 ? " Karte" : " Karten")
            << " gefunden).\n";
    } else {
        cards.push_back(session.fields().karte);
    }
    return cards;
}

// A card the channel table expects that did not open: a failing case of its own.
void reportMissingCard(const MissingCard& missing, StationOutcome& outcome, std::ostream& out) {
    outcome.extra.push_back(missingCardLine(missing));
    ++outcome.missing;
    out << outcome.extra.back().text << '\n';
}

// "Check All" on each card in turn, until a signal stops it: the check in progress ends on its
// own, no further check or card starts, and the card is stopped.
void checkCards(const std::vector<uint32_t>& cards, bool headings, KARVO7CheckDlg& window,
                HeadlessDesktop& desktop, const StationSignals& signals, StationOutcome& outcome,
                std::ostream& out) {
    Session& session = window.session();
    const auto interrupted = [&signals] { return signals.caught() != 0; };
    for (const uint32_t card : cards) {
        if (interrupted()) {
            break;
        }
        outcome.reached.push_back(card);
        const std::string heading = headings ? "Karte " + std::to_string(card) + ":\n" : "";
        if (const MissingCard* missing = session.missingCard(card)) {
            out << heading;
            reportMissingCard(*missing, outcome, out);
            out.flush();
            continue;
        }
        const size_t first = session.fields().resultLines.size();
        const size_t firstMessage = desktop.messages().size();
        session.selectCard(card);
        const CheckAllOutcome checked = window.onCheckAll(interrupted);
        if (checked.ran == 0 && checked.passed && !checked.stopped) {
            outcome.reached.clear();  // nothing chosen: the same for every card
            break;
        }
        outcome.ran += checked.ran;
        outcome.passed = checked.passed && outcome.passed;
        for (const std::string& check : checked.failedWithoutLine) {
            outcome.extra.push_back(failedWithoutLine(desktop, firstMessage, card, check));
        }
        out << heading;
        for (size_t i = first; i < session.fields().resultLines.size(); ++i) {
            if (i >= session.resultOrigins().size() || !session.resultOrigins()[i].cardHeading) {
                out << session.fields().resultLines[i] << '\n';
            }
        }
        out.flush();
        if (interrupted()) {
            outcome.interruptedCard = card;
            outcome.interruptedCheck =
                checked.lastStarted.empty() ? "Check All" : checked.lastStarted;
            uint32_t ignored = 0;
            KARVO7Stop(session.card(card), &ignored);
            break;
        }
    }
}

int exitCode(const StationOutcome& outcome, const Session& session, const StationSignals& signals) {
    if (signals.caught() != 0) {
        return kHeadlessInterrupted + signals.caught();
    }
    if (outcome.missing > 0) {
        return kHeadlessCardNotChecked;
    }
    if (outcome.ran == 0) {
        return kHeadlessNothingChecked;
    }
    if (!outcome.passed || session.startUpFailures() > 0) {
        return kHeadlessCheckFailed;
    }
    return kHeadlessPassed;
}

// The report of the run; false (after saying why) when it could not be written.
bool writeReport(const std::string& file, Session& session, uint32_t start,
                 const StationOutcome& outcome, int signal, std::ostream& err) {
    std::string why;
    if (!k7base::writeFileAtomically(file, stationReport(session, start, outcome, signal), &why)) {
        err << "Bericht " << file << " konnte nicht geschrieben werden: " << why << '\n';
        return false;
    }
    return true;
}

int runStation(const HeadlessOptions& options, std::ostream& out, std::ostream& err) {
    if (!options.parameterFile.empty()) {
        if (const auto why = unreadableParameterFile(options.parameterFile)) {
            err << *why << '\n';
            return kHeadlessBadArguments;
        }
    }
    const StationSignals signals;
    HeadlessDesktop desktop(options.executablePath.empty() ? programFile() : options.executablePath,
                            err);
    desktop.stopWhen([&signals] { return signals.caught() != 0; });
    Session session(desktop);
    if (!options.parameterFile.empty()) {
        session.useParameterFile(absolutePath(options.parameterFile));
    }
    KARVO7CheckDlg window(
        session, options.registry != nullptr ? *options.registry : CheckRegistry::standard());
    if (!window.onInit()) {
        return kHeadlessNoCards;
    }
    if (const auto why = unreadableParameterFile(session.profileFile())) {
        err << *why << '\n';
        window.onOk();
        return kHeadlessBadArguments;
    }
    const std::vector<uint32_t> cards = cardsToCheck(options, session, err);
    if (cards.empty()) {
        window.onOk();
        return kHeadlessBadArguments;
    }

    const uint32_t start = desktop.tickCount();
    StationOutcome outcome;
    checkCards(cards, options.allCards, window, desktop, signals, outcome, out);
    if (outcome.interruptedCard != 0) {
        err << "Check All: " << StationSignals::name(signals.caught()) << " während \""
            << outcome.interruptedCheck << "\" auf Karte " << outcome.interruptedCard
            << ": abgebrochen\n";
    }
    int code = exitCode(outcome, session, signals);
    if (!options.reportFile.empty() &&
        !writeReport(options.reportFile, session, start, outcome, signals.caught(), err)) {
        code = code == kHeadlessPassed ? kHeadlessCheckFailed : code;
    }
    window.onOk();
    return code;
}

}  // namespace

int runHeadlessCheckAll(const HeadlessOptions& options, std::ostream& out, std::ostream& err) {
    // Whatever goes wrong inside, the station gets a message and an exit code of its own; the
    // cards are closed by the session on the way out.
    try {
        return runStation(options, out, err);
    } catch (const std::exception& failure) {
        err << "Check All: interner Fehler: " << failure.what() << '\n';
    } catch (...) {
        err << "Check All: interner Fehler\n";
    }
    return kHeadlessInternalError;
}

}  // namespace k7check
