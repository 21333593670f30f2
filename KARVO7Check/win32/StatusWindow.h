// The small windows a run shows while it works: the stop window of live work (its text and a
// "Stopp" button; Escape presses it) and the progress window of a long operation (its text and
// a progress bar; no button, and neither Escape nor a close box ends it while the work runs).
#pragma once

#include <windows.h>

#include <string>

namespace k7w32 {

class StatusWindow {
  public:
    enum class Kind { Stop, Progress };

    StatusWindow(Kind kind, const std::wstring& caption, const std::wstring& text, HWND owner,
                 HFONT font);
    ~StatusWindow();
    StatusWindow(const StatusWindow&) = delete;
    StatusWindow& operator=(const StatusWindow&) = delete;

    HWND hwnd() const { return hwnd_; }
    void show();
    // The stop window: whether "Stopp" (or Escape) was pressed.
    bool stopPressed() const { return stop_; }
    // Takes a message for the window before it is dispatched; true when taken.
    bool preTranslate(const MSG& msg);
    // The progress bar at `share` of 1000.
    void setProgress(int share);

    static constexpr const wchar_t* kWindowClass = L"KARVO7CheckStatus";
    static constexpr int kStopButtonId = 1;
    static void registerClass(HINSTANCE instance);

  private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    Kind kind_;
    HWND hwnd_ = nullptr;
    HWND bar_ = nullptr;
    bool stop_ = false;
};

}  // namespace k7w32
