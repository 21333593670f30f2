// The desktop services on Win32, for people: MessageBoxW, the comdlg32 file dialogs, the
// windows' Win32 views, the stop and progress windows of runs, the card library's clock and
// the INI profile of the check program. Every window lives on the thread that made the
// desktop; a modal window disables the others while it runs, as a Qt modal window blocks them.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "StatusWindow.h"
#include "ViewRegistry.h"
#include "desktop/Desktop.h"

namespace k7w32 {

class Win32Desktop : public k7check::Desktop {
  public:
    Win32Desktop();
    ~Win32Desktop() override;
    Win32Desktop(const Win32Desktop&) = delete;
    Win32Desktop& operator=(const Win32Desktop&) = delete;

    ViewRegistry& views() { return registry_; }
    const Metrics& metrics() const { return metrics_; }
    // The view showing `dialog` now, or nullptr.
    Win32DialogView* viewOf(const k7check::Dialog& dialog) const;
    // Called whenever a window's view was created and its window initialised, before it shows.
    std::function<void(Win32DialogView&)> onWindowOpened;

    k7check::Answer messageBox(const std::string& caption, const std::string& text,
                               k7check::Buttons buttons = k7check::Buttons::Ok) override;
    std::optional<std::string> openFileDialog(const std::string& fileName,
                                              const std::string& filter) override;
    std::optional<std::string> saveFileDialog(const std::string& fileName,
                                              const std::string& filter) override;
    int runModal(k7check::Dialog& dialog) override;
    void showModeless(k7check::Dialog& dialog) override;
    void repaint(k7check::Dialog& dialog) override;
    k7check::Rect workArea() override;
    void placeWindow(k7check::Dialog& dialog, const k7check::Rect& where) override;
    void beginLiveWork(const std::string& caption) override;
    bool stopRequested() override;
    void endLiveWork() override;
    void runLong(const std::string& caption, const std::string& text, uint32_t expectedMs,
                 const std::function<void()>& work) override;

    uint32_t tickCount() override;
    void sleep(uint32_t milliseconds) override;
    std::string executablePath() override;

    std::string profileString(const std::string& file, const std::string& section,
                              const std::string& key, const std::string& fallback) override;
    int32_t profileInt(const std::string& file, const std::string& section, const std::string& key,
                       int32_t fallback) override;
    bool writeProfileString(const std::string& file, const std::string& section,
                            const std::string& key, const std::string& value) override;

    // How long a long operation runs before its progress window shows (tests: at once).
    void setProgressDelay(uint32_t milliseconds) { progressDelayMs_ = milliseconds; }

    // Takes one message through the windows' keys and the dialog manager, or dispatches it.
    void dispatch(MSG& msg);

  private:
    // The window new windows and boxes belong to: the stop or progress window, the modal
    // window on top, or the active window.
    HWND ownerWindow() const;
    std::optional<std::string> fileDialog(const std::string& fileName, const std::string& filter,
                                          bool save);
    std::unique_ptr<Win32DialogView> openView(k7check::Dialog& dialog);
    // Disables every window but `except` (nullptr: all); returns the ones it disabled.
    std::vector<HWND> disableOthers(HWND except);
    static void enable(const std::vector<HWND>& windows);
    // Deletes the modeless views whose windows have ended.
    void reap();
    // Paints what waits to be painted, taking no input.
    void paintPending();

    Metrics metrics_;
    ViewRegistry registry_;
    std::map<const k7check::Dialog*, Win32DialogView*> open_;
    std::vector<std::unique_ptr<Win32DialogView>> modeless_;
    std::vector<Win32DialogView*> modal_;
    std::unique_ptr<StatusWindow> live_;
    std::vector<HWND> liveDisabled_;
    int liveDepth_ = 0;
    StatusWindow* progress_ = nullptr;
    uint32_t progressDelayMs_ = 300;
};

}  // namespace k7w32
