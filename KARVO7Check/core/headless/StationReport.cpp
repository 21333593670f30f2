#include "headless/StationReport.h"

#include "headless/StationSignals.h"

namespace k7check {

namespace {

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

// A missing card sits where its channel says; one no channel expects has no known position.
std::vector<ReportCard> reportCards(const Session& session, const std::vector<uint32_t>& numbers) {
    std::vector<ReportCard> cards;
    for (const uint32_t number : numbers) {
        ReportCard card{number};
        uint32_t error = 0;
        if (const MissingCard* missing = session.missingCard(number)) {
            card = {number, missing->channel != 0, missing->bus, missing->slot};
        } else {
            card.located =
                KARVO7GetCardPosition(session.card(number), &card.bus, &card.slot, &error) != 0;
        }
        cards.push_back(card);
    }
    return cards;
}

// The check that was running when the run was interrupted is an error in the report: its lines
// when it wrote any, else a case of its own.
void markInterrupted(std::vector<ReportLine>& lines, uint32_t card, const std::string& check,
                     int signal) {
    const std::string why = std::string("Abgebrochen (") + StationSignals::name(signal) + ")";
    bool marked = false;
    for (ReportLine& line : lines) {
        if (line.card == card && line.check == check) {
            line.error = why;
            marked = true;
        }
    }
    if (!marked) {
        ReportLine line{check + ": " + why, card, 0, check};
        line.listed = false;
        line.error = why;
        lines.push_back(line);
    }
}

}  // namespace

ReportLine failedWithoutLine(const WindowlessDesktop& desktop, size_t firstMessage, uint32_t card,
                             const std::string& check) {
    const auto& messages = desktop.messages();
    const std::string reason = messages.size() > firstMessage
                                   ? messages.back().caption + ": " + messages.back().text
                                   : "keine Ergebniszeile";
    ReportLine line{check + ": " + reason, card, 0, check};
    line.listed = false;
    return line;
}

ReportLine missingCardLine(const MissingCard& card) {
    return {missingCardText(card), card.number, 0, "Karte"};
}

std::string stationReport(Session& session, uint32_t startTick, const StationOutcome& outcome,
                          int signal) {
    std::vector<ReportLine> lines = reportLines(session, 0, startTick);
    lines.insert(lines.end(), outcome.extra.begin(), outcome.extra.end());
    if (outcome.interruptedCard != 0) {
        markInterrupted(lines, outcome.interruptedCard, outcome.interruptedCheck, signal);
    }
    return junitReport(lines, reportCards(session, outcome.reached));
}

}  // namespace k7check
