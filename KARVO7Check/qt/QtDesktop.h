// The desktop services for people: Qt message boxes and file dialogs (open and save), the windows'
// Qt views, the card library's clock and the INI profile of the check program.
#pragma once

#include <QObject>
#include <QPointer>
#include <QProgressDialog>
#include <QString>
#include <QStringList>
#include <map>
#include <memory>

#include "QtDialogView.h"
#include "desktop/Desktop.h"

namespace k7qt {

class QtDesktop : public k7check::Desktop {
  public:
    QtDesktop();
    ~QtDesktop() override;
    QtDesktop(const QtDesktop&) = delete;
    QtDesktop& operator=(const QtDesktop&) = delete;

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

    // Builds the window's view, attaches it and initialises the window, without running it:
    // runModal() then runs it modally, a test shows it and drives its controls. Nullptr when
    // the window ended during its initialisation or has no view; the view detaches itself
    // from the window when destroyed.
    std::unique_ptr<QtDialogView> openView(k7check::Dialog& dialog);

    // The view currently showing `dialog`, or nullptr.
    QtDialogView* viewOf(const k7check::Dialog& dialog) const;

  private:
    QWidget* parentWindow() const;

    // Every view open now, modal or not; modeless views own themselves.
    std::map<const k7check::Dialog*, QtDialogView*> views_;
    // Receiver of the views' destruction, gone with the desktop.
    QObject lifetime_;
    // The stop window of live work, while a run loops.
    QPointer<QProgressDialog> live_;
    int liveDepth_ = 0;
};

// Qt name filters for a file dialog filter: "*.ini" stays as it is; the paired form
// "Parameterdatei (*.ini)|*.ini|Alle Dateien (*.*)|*.*||" becomes one entry per pair.
QStringList nameFilters(const std::string& filter);

}  // namespace k7qt
