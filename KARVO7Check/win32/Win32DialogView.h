// One window of the check program on Win32: a top-level window of a class that falls through to
// DefDlgProcW (so that the dialog manager moves the focus, draws the default button and gives
// Tab its order), its child controls built from the window's form and laid out as Qt lays the
// form out. What the technician does reaches the window through k7check::DialogInput, the same
// rules the Qt view follows.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "Win32Controls.h"
#include "desktop/Dialog.h"
#include "desktop/DialogInput.h"
#include "forms/FormTree.h"

namespace k7w32 {

class Win32DialogView : public k7check::DialogView {
  public:
    static constexpr const wchar_t* kWindowClass = L"KARVO7CheckWindow";

    // A window with the form `tree`; a painted window (no form) takes `paintedClient`.
    Win32DialogView(k7check::Dialog& dialog, FormTree tree, const Metrics& metrics);
    ~Win32DialogView() override;
    Win32DialogView(const Win32DialogView&) = delete;
    Win32DialogView& operator=(const Win32DialogView&) = delete;

    // Before create(): the client size of a window without a form, such as a painted one.
    void setClientSize(SIZE size) { clientSize_ = size; }
    // Before create(): a list whose double click is a click on it (the main window's file list).
    void setDoubleClickCommand(const std::string& list) { doubleClickLists_.push_back(list); }
    // Before create(): the entries of the window's context menu (right click), by text.
    void addMenuEntry(std::wstring text, std::function<void()> action);
    // Chooses the context menu's entry `text`, as the technician does; false when there is none.
    bool chooseMenuEntry(const std::wstring& text);
    // Creates the window, hidden, owned by `owner`.
    void create(HWND owner);

    HWND hwnd() const { return hwnd_; }
    k7check::Dialog* dialog() const { return input_.dialog(); }
    k7check::DialogInput& input() { return input_; }
    FormTree& tree() { return tree_; }
    const Metrics& metrics() const { return metrics_; }
    // The form's node of control `name`, or of the child window `control`; nullptr if none.
    FormNode* node(const std::string& name);
    FormNode* node(HWND control);
    HWND control(const std::string& name);
    bool ended() const { return ended_; }
    int result() const { return result_; }

    // DialogView
    k7check::Controls& controls() override { return controls_; }
    void close(int result) override;
    void windowDestroyed() override;

    // Sets a control's text from the program: no change by the technician.
    void setProgramText(HWND control, const std::wstring& text);
    // Measures the form again (a label's text changed); a fixed-size window takes the new size.
    void relayout();
    // The keys of a message for this window before the dialog manager sees them; true when
    // they were taken.
    bool preTranslate(const MSG& msg);
    // Paints the client area (a painted window's picture) into `dc` of `client` size.
    void paintInto(HDC dc, SIZE client);

    static void registerClass(HINSTANCE instance);

  protected:
    // The window and its controls exist now (before the window's initialisation).
    virtual void onCreated() {}
    // A message of the window a derived view handles itself; true when it did (`result` then
    // is the answer).
    virtual bool onMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
        (void)msg;
        (void)wp;
        (void)lp;
        (void)result;
        return false;
    }

  private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT handle(UINT msg, WPARAM wp, LPARAM lp);
    void onControl(int id, int code, HWND control);
    void paint();
    void contextMenu(POINT at);
    // The name of the control `control` if it is of `kind`, else empty.
    std::string nameIf(HWND control, TableKind kind);

    k7check::DialogInput input_;
    FormTree tree_;
    const bool hasForm_;
    const Metrics& metrics_;
    Win32Controls controls_;
    HWND hwnd_ = nullptr;
    SIZE clientSize_{640, 480};
    SIZE minimumClient_{0, 0};
    bool settingText_ = false;
    bool ended_ = false;
    int result_ = k7check::kIdCancel;
    std::map<int, int> nodeOfId_;
    std::vector<std::string> doubleClickLists_;
    std::vector<std::pair<std::wstring, std::function<void()>>> menu_;
};

}  // namespace k7w32
