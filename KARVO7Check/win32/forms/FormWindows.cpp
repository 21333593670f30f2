// The child windows of a form: each control of the tree becomes the Win32 control that shows
// the same thing, created in tab order so that the dialog manager's Tab follows the form.
#include <algorithm>
#include <stdexcept>

#include "forms/FormTree.h"

namespace k7w32 {

namespace {

struct ControlClass {
    const wchar_t* windowClass;
    DWORD style;
    DWORD exStyle;
};

ControlClass classOf(const FormNode& n, bool firstOfGroup, bool isDefault) {
    const DWORD group = n.kind != TableKind::Radio || firstOfGroup ? WS_GROUP : 0;
    switch (n.kind) {
        case TableKind::Label: {
            DWORD style = SS_NOPREFIX | SS_NOTIFY;
            if (n.has(TableFlag::AlignRight)) {
                style |= SS_RIGHT;
            } else if (n.has(TableFlag::WordWrap)) {
                style |= SS_LEFT;
            } else {
                style |= SS_LEFTNOWORDWRAP;
            }
            // Qt centres a label's single line vertically in its cell.
            if (!n.has(TableFlag::WordWrap) && !n.has(TableFlag::AlignTop)) {
                style |= SS_CENTERIMAGE;
            }
            return {L"STATIC", style | group, n.has(TableFlag::Sunken) ? WS_EX_STATICEDGE : 0u};
        }
        case TableKind::Edit:
            return {L"EDIT",
                    WS_TABSTOP | ES_AUTOHSCROLL | group |
                        (n.has(TableFlag::AlignRight) ? ES_RIGHT : 0u) |
                        (n.has(TableFlag::ReadOnly) ? ES_READONLY : 0u),
                    WS_EX_CLIENTEDGE};
        case TableKind::Check:
            return {L"BUTTON", WS_TABSTOP | BS_AUTOCHECKBOX | group, 0};
        case TableKind::Radio:
            // Not automatic: the window keeps its rows exclusive itself.
            return {L"BUTTON", BS_RADIOBUTTON | group | (firstOfGroup ? WS_TABSTOP : 0u), 0};
        case TableKind::Button:
            return {L"BUTTON", WS_TABSTOP | group | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON),
                    0};
        case TableKind::List:
            return {L"LISTBOX",
                    WS_TABSTOP | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | group |
                        (n.has(TableFlag::NoScrollBars) ? 0u : WS_VSCROLL),
                    WS_EX_CLIENTEDGE};
        case TableKind::GroupBox:
            return {L"BUTTON", BS_GROUPBOX | group, 0};
        default:
            return {nullptr, 0, 0};
    }
}

}  // namespace

void FormTree::createControls(HWND parent, const Metrics& m, const std::string& defaultButton) {
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    std::vector<int> groupsSeen;
    for (int index : order_) {
        FormNode& n = nodes_[static_cast<std::size_t>(index)];
        bool firstOfGroup = false;
        if (n.kind == TableKind::Radio &&
            std::find(groupsSeen.begin(), groupsSeen.end(), n.radioGroup) == groupsSeen.end()) {
            groupsSeen.push_back(n.radioGroup);
            firstOfGroup = true;
        }
        const ControlClass c =
            classOf(n, firstOfGroup, !defaultButton.empty() && n.name == defaultButton);
        if (c.windowClass == nullptr) {
            continue;
        }
        n.id = n.name == "okButton"       ? IDOK
               : n.name == "cancelButton" ? IDCANCEL
                                          : kFirstControlId + index;
        const std::wstring text = n.kind == TableKind::Edit ? std::wstring() : n.text;
        n.hwnd =
            CreateWindowExW(c.exStyle, c.windowClass, text.c_str(),
                            WS_CHILD | WS_VISIBLE | c.style | n.extraStyle, 0, 0, 10, 10, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(n.id)), instance, nullptr);
        if (n.hwnd == nullptr) {
            throw std::runtime_error("control " + n.name + " not created");
        }
        const HFONT font = n.has(TableFlag::Monospace) ? m.monospace() : m.font();
        SendMessageW(n.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        if (n.kind == TableKind::Check && n.has(TableFlag::Checked)) {
            SendMessageW(n.hwnd, BM_SETCHECK, BST_CHECKED, 0);
        }
    }
}

}  // namespace k7w32
