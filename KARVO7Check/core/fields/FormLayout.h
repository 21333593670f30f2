// The controls of a window whose fields are declared in a table (the register views, the PCI
// windows), described without any toolkit: groups of check boxes, radio rows, edits and labels,
// and a row of buttons. A desktop builds the window's form from this description, so the
// control names the binder uses and the controls a form holds come from one table and cannot
// drift apart.
#pragma once

#include <string>
#include <vector>

namespace k7check {

struct FormControl {
    enum class Kind {
        Check,   // a check box with `text`
        Radio,   // one radio button of a row
        Edit,    // `text` as the label left of an edit `chars` characters wide
        Label,   // a static text; with a name the window may change it
        Button,  // a push button; "okButton" / "cancelButton" are OK and Cancel
    };
    Kind kind = Kind::Edit;
    std::string name;  // control name the window binds; empty for a fixed text
    std::string text;  // caption, label or initial text
    int chars = 8;     // width of an edit in characters
    bool enabled = true;
};

// One cell of a group: a single control, or the buttons of a radio row laid out in `columns`.
struct FormItem {
    std::vector<FormControl> controls;
    int columns = 0;    // radio rows: buttons per line (0: all on one line)
    bool wide = false;  // takes a whole line of the group
};

// A framed group of the window ("Command", "Status", ...); groups with the same `column` stack
// from top to bottom, columns go from left to right. Items fill `columns` cells per line.
struct FormGroup {
    std::string title;  // empty: no frame title
    int column = 0;
    int columns = 1;
    std::vector<FormItem> items;
};

struct FormLayout {
    std::vector<FormGroup> groups;
    std::vector<FormControl> buttons;  // below the groups, left to right
};

// A window that describes its form (implemented beside Dialog by the table-built windows).
class FormSource {
  public:
    virtual ~FormSource() = default;
    virtual FormLayout formLayout() const = 0;
};

// Shorthands for the tables.
inline FormItem formCheck(std::string name, std::string text, bool enabled = true) {
    return {{{FormControl::Kind::Check, std::move(name), std::move(text), 0, enabled}}, 0, false};
}
inline FormItem formEdit(std::string name, std::string text, int chars, bool enabled = true) {
    return {
        {{FormControl::Kind::Edit, std::move(name), std::move(text), chars, enabled}}, 0, false};
}
inline FormItem formLabel(std::string name, std::string text, bool wide = true) {
    return {{{FormControl::Kind::Label, std::move(name), std::move(text), 0, true}}, 0, wide};
}
inline FormControl formButton(std::string name, std::string text) {
    return {FormControl::Kind::Button, std::move(name), std::move(text), 0, true};
}

}  // namespace k7check
