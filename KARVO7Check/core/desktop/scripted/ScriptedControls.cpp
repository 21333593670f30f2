#include "desktop/scripted/ScriptedControls.h"

namespace k7check {

void ScriptedControls::type(const std::string& control, const std::string& text) {
    Control& c = controls_[control];
    c.text = text;
    c.touched = true;
}

void ScriptedControls::click(const std::string& control, bool on) {
    Control& c = controls_[control];
    c.checked = on;
    c.touched = true;
}

void ScriptedControls::select(const std::string& control, int row) {
    Control& c = controls_[control];
    c.selection = row;
    c.touched = true;
}

const ScriptedControls::Control* ScriptedControls::find(const std::string& control) const {
    const auto it = controls_.find(control);
    return it == controls_.end() ? nullptr : &it->second;
}

std::string ScriptedControls::text(const std::string& control) const {
    const Control* c = find(control);
    return c != nullptr ? c->text : std::string();
}

bool ScriptedControls::isChecked(const std::string& control) const {
    const Control* c = find(control);
    return c != nullptr && c->checked;
}

std::vector<std::string> ScriptedControls::lines(const std::string& control) const {
    const Control* c = find(control);
    return c != nullptr ? c->lines : std::vector<std::string>{};
}

bool ScriptedControls::isEnabled(const std::string& control) const {
    const Control* c = find(control);
    return c == nullptr || c->enabled;
}

std::optional<std::string> ScriptedControls::editText(const std::string& control) {
    const Control* c = find(control);
    if (c == nullptr || !c->touched) {
        return std::nullopt;
    }
    return c->text;
}

void ScriptedControls::setEditText(const std::string& control, const std::string& text) {
    Control& c = controls_[control];
    c.text = text;
    c.touched = false;
}

std::optional<bool> ScriptedControls::checked(const std::string& control) {
    const Control* c = find(control);
    if (c == nullptr || !c->touched) {
        return std::nullopt;
    }
    return c->checked;
}

void ScriptedControls::setChecked(const std::string& control, bool on) {
    Control& c = controls_[control];
    c.checked = on;
    c.touched = false;
}

void ScriptedControls::setLabel(const std::string& control, const std::string& text) {
    controls_[control].text = text;
}

void ScriptedControls::setList(const std::string& control, const std::vector<std::string>& lines,
                               int selection) {
    Control& c = controls_[control];
    c.lines = lines;
    c.selection = selection;
    c.touched = false;
}

std::optional<int> ScriptedControls::listSelection(const std::string& control) {
    const Control* c = find(control);
    if (c == nullptr || !c->touched) {
        return std::nullopt;
    }
    return c->selection;
}

void ScriptedControls::setEnabled(const std::string& control, bool enabled) {
    controls_[control].enabled = enabled;
}

void ScriptedControls::setToolTip(const std::string& control, const std::string& text) {
    controls_[control].toolTip = text;
}

std::string ScriptedControls::toolTip(const std::string& control) const {
    const auto it = controls_.find(control);
    return it == controls_.end() ? std::string() : it->second.toolTip;
}

}  // namespace k7check
