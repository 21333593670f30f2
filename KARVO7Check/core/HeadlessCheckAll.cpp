#include "HeadlessCheckAll.h"

#include <unistd.h>

#include <climits>
#include <ostream>

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

}  // namespace

int runHeadlessCheckAll(const std::string& executablePath, std::ostream& out, std::ostream& err) {
    ScriptedDesktop desktop(executablePath.empty() ? runningExecutable() : executablePath,
                            /*virtualClock=*/false);
    desktop.echoMessagesTo(&err);
    int code = kHeadlessPassed;
    {
        KARVO7CheckDlg window(desktop);
        if (!window.onInit()) {
            return kHeadlessNoCards;
        }
        if (!window.onCheckAll()) {
            code = kHeadlessCheckFailed;
        }
        for (const std::string& line : window.fields.resultLines) {
            out << line << '\n';
        }
        out.flush();
        window.onOk();
    }
    return code;
}

}  // namespace k7check
