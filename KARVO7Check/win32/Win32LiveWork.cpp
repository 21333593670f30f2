// Runs that work inside an action: live work with its stop window, long blocking operations
// with their progress window, and the pauses of runs, all keeping the windows painted.
#include <atomic>
#include <chrono>
#include <thread>

#include "KARVO7Os.h"
#include "Text.h"
#include "Win32Desktop.h"

namespace k7w32 {

namespace {

// How long the loop of a long operation waits for a message before it looks at the work.
constexpr DWORD kProgressPollMs = 20;
// Messages taken at one look: a window that posts itself a message for each one it handles
// must not keep a run from going on.
constexpr int kMessagesPerLook = 64;

bool isInput(const MSG& msg) {
    return (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) ||
           (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST) ||
           (msg.message >= WM_NCMOUSEMOVE && msg.message <= WM_NCXBUTTONDBLCLK);
}

}  // namespace

void Win32Desktop::paintPending() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) {
        DispatchMessageW(&msg);
    }
}

void Win32Desktop::beginLiveWork(const std::string& caption) {
    if (liveDepth_++ > 0) {
        return;
    }
    // A small window with a stop button that Escape presses. Every other window is disabled
    // meanwhile, so that no other action starts in the middle of the run.
    live_ = std::make_unique<StatusWindow>(StatusWindow::Kind::Stop, k7base::wideOf(caption),
                                           k7base::wideOf(caption + " läuft..."), ownerWindow(),
                                           metrics_.font());
    liveDisabled_ = disableOthers(nullptr);
    live_->show();
    SetForegroundWindow(live_->hwnd());
}

bool Win32Desktop::stopRequested() {
    MSG msg;
    for (int taken = 0; taken < kMessagesPerLook && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);
         ++taken) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return true;
        }
        dispatch(msg);
    }
    reap();
    return live_ != nullptr && live_->stopPressed();
}

void Win32Desktop::endLiveWork() {
    if (liveDepth_ == 0 || --liveDepth_ > 0) {
        return;
    }
    enable(liveDisabled_);
    liveDisabled_.clear();
    live_.reset();
    if (!modal_.empty()) {
        SetActiveWindow(modal_.back()->hwnd());
    }
}

void Win32Desktop::runLong(const std::string& caption, const std::string& text, uint32_t expectedMs,
                           const std::function<void()>& work) {
    // The call runs on a worker thread while this thread keeps the windows painted. Every
    // window is disabled and no input is taken, so nothing else can start meanwhile (calls on
    // one card handle stay serialised); the progress window has neither a button nor a close
    // box and stays until the work is done.
    StatusWindow progress(StatusWindow::Kind::Progress, k7base::wideOf(caption),
                          k7base::wideOf(text), ownerWindow(), metrics_.font());
    StatusWindow* outer = progress_;
    progress_ = &progress;
    const std::vector<HWND> disabled = disableOthers(nullptr);
    HCURSOR cursor = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    std::atomic<bool> done{false};
    std::thread worker([&] {
        work();
        done = true;
    });
    const auto start = std::chrono::steady_clock::now();
    bool shown = false;
    // A long operation shows its progress window once it has run a moment.
    while (!done) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, kProgressPollMs, QS_ALLINPUT);
        const auto elapsed = std::chrono::steady_clock::now() - start;
        if (!shown && elapsed >= std::chrono::milliseconds(progressDelayMs_)) {
            progress.show();
            shown = true;
        }
        if (expectedMs > 0) {
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
            progress.setProgress(
                static_cast<int>(std::min<long long>(999, ms * 1000 / expectedMs)));
        }
        MSG msg;
        for (int taken = 0;
             taken < kMessagesPerLook && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++taken) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                break;
            }
            if (!isInput(msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
    }
    worker.join();
    SetCursor(cursor);
    enable(disabled);
    progress_ = outer;
}

void Win32Desktop::sleep(uint32_t milliseconds) {
    K7OsSleep(milliseconds);
    // A run paces itself in an action: its windows stay painted meanwhile, but no input is
    // taken, so that no other action starts in the middle of it. During live work the stop
    // window takes input (every other window is disabled).
    if (liveDepth_ > 0) {
        stopRequested();
    } else {
        paintPending();
    }
}

}  // namespace k7w32
