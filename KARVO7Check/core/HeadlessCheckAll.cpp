#include "HeadlessCheckAll.h"

#include <unistd.h>

#include <climits>
#include <ostream>

#include "IniFile.h"
#include "JUnitReport.h"
#include "KARVO7CheckDlg.h"
#include "ScriptedDesktop.h"

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

std::vector<ReportLine> reportLines(Session& session, uint32_t startTick) {
    std::vector<ReportLine> lines;
    uint32_t previous = startTick;
    const auto& texts = session.fields.resultLines;
    const auto& ticks = session.resultTicks();
    for (size_t i = 0; i < texts.size(); ++i) {
        const uint32_t tick = i < ticks.size() ? ticks[i] : previous;
        lines.push_back({texts[i], session.fields.karte, tick - previous});
        previous = tick;
    }
    return lines;
}

}  // namespace

int runHeadlessCheckAll(const HeadlessOptions& options, std::ostream& out, std::ostream& err) {
    ScriptedDesktop desktop(
        options.executablePath.empty() ? runningExecutable() : options.executablePath,
        /*virtualClock=*/false);
    desktop.echoMessagesTo(&err);
    Session session(desktop);
    KARVO7CheckDlg window(
        session, options.registry != nullptr ? *options.registry : CheckRegistry::standard());
    if (!window.onInit()) {
        return kHeadlessNoCards;
    }
    const uint32_t start = desktop.tickCount();
    const CheckAllOutcome outcome = window.onCheckAll();
    for (const std::string& line : session.fields.resultLines) {
        out << line << '\n';
    }
    out.flush();
    int code = kHeadlessPassed;
    if (outcome.ran == 0) {
        err << "Check All: keine Prüfung ausgeführt (kein automatisches Kästchen gesetzt oder "
               "keine Prüfung verfügbar)\n";
        code = kHeadlessNothingChecked;
    } else if (!outcome.passed || session.startUpFailures() > 0) {
        code = kHeadlessCheckFailed;
    }
    if (!options.reportFile.empty() &&
        !writeFileAtomically(options.reportFile, junitReport(reportLines(session, start)))) {
        err << "Bericht " << options.reportFile << " konnte nicht geschrieben werden!\n";
        code = code == kHeadlessPassed ? kHeadlessCheckFailed : code;
    }
    window.onOk();
    return code;
}

}  // namespace k7check
