#include "TableFormView.h"

#include <algorithm>
#include <map>

#include "Text.h"

namespace k7w32 {

namespace {

using k7check::FormControl;

class Builder {
  public:
    Builder(FormTree& tree, const Metrics& metrics) : tree_(tree), metrics_(metrics) {}

    int add(TableKind kind, int parent, int row, int column, const std::string& name = {},
            const std::string& text = {}, int columnSpan = 1) {
        FormNode n;
        n.kind = kind;
        n.parent = parent;
        n.row = row;
        n.column = column;
        n.columnSpan = columnSpan;
        n.name = name;
        n.text = k7base::wideOf(text);
        return tree_.add(std::move(n));
    }
    FormNode& node(int index) { return tree_.nodes()[static_cast<std::size_t>(index)]; }

    void radioRow(const k7check::FormItem& item, int grid, int row, int cell, int span) {
        const int frame = add(TableKind::GroupBox, grid, row, cell, {}, {}, span);
        const int inner = add(TableKind::Grid, frame, 0, 0);
        node(inner).horizontalSpacing = 6;
        node(inner).verticalSpacing = 2;
        const int columns =
            item.columns > 0 ? item.columns : static_cast<int>(item.controls.size());
        const int group = nextGroup_++;
        int index = 0;
        for (const FormControl& control : item.controls) {
            const int radio = add(TableKind::Radio, inner, index / columns, index % columns,
                                  control.name, control.text);
            node(radio).radioGroup = group;
            ++index;
        }
    }

    // One item in the group's grid: an edit takes a label cell and an edit cell, everything
    // else both cells.
    void place(const k7check::FormItem& item, int grid, int row, int cell, int span) {
        if (item.controls.size() != 1 || item.controls.front().kind == FormControl::Kind::Radio) {
            radioRow(item, grid, row, cell, span);
            return;
        }
        const FormControl& control = item.controls.front();
        switch (control.kind) {
            case FormControl::Kind::Check:
                add(TableKind::Check, grid, row, cell, control.name, control.text, span);
                break;
            case FormControl::Kind::Edit: {
                if (!control.text.empty()) {
                    add(TableKind::Label, grid, row, cell, {}, control.text);
                }
                // An edit as wide as its characters, at the left of its cell.
                const int box = add(TableKind::HBox, grid, row, cell + 1, {}, {}, span - 1);
                const int edit = add(TableKind::Edit, box, 0, 0, control.name);
                const int width =
                    static_cast<int>(metrics_.text(L"0").cx) * std::max(control.chars, 2) + 16;
                node(edit).minimum.width = node(edit).maximum.width = width;
                const int spacer = add(TableKind::Spacer, box, 1, 0);
                node(spacer).hint = {0, 0};
                break;
            }
            case FormControl::Kind::Label:
                add(TableKind::Label, grid, row, cell, control.name, control.text, span);
                break;
            case FormControl::Kind::Button:
            case FormControl::Kind::Radio:
                add(TableKind::Button, grid, row, cell, control.name, control.text, span);
                break;
        }
    }

    void group(const k7check::FormGroup& group, int stack, int position) {
        const int box = add(TableKind::GroupBox, stack, position, 0, {}, group.title);
        const int grid = add(TableKind::Grid, box, 0, 0);
        node(grid).horizontalSpacing = 8;
        node(grid).verticalSpacing = 4;
        const int columns = std::max(group.columns, 1);
        int row = 0;
        int column = 0;
        for (const k7check::FormItem& item : group.items) {
            if (item.wide) {
                if (column > 0) {
                    ++row;
                    column = 0;
                }
                place(item, grid, row, 0, 2 * columns);
                ++row;
                continue;
            }
            place(item, grid, row, 2 * column, 2);
            if (++column == columns) {
                column = 0;
                ++row;
            }
        }
        // What is left over goes right of the cells.
        const int rest = add(TableKind::Spacer, grid, 0, 2 * columns);
        node(rest).hint = {0, 0};
    }

  private:
    FormTree& tree_;
    const Metrics& metrics_;
    int nextGroup_ = 0;
};

// A window whose table disables some controls from the start.
class TableFormView : public Win32DialogView {
  public:
    TableFormView(k7check::Dialog& dialog, FormTree tree, const Metrics& metrics,
                  std::vector<std::string> disabled)
        : Win32DialogView(dialog, std::move(tree), metrics), disabled_(std::move(disabled)) {}

  protected:
    void onCreated() override {
        for (const std::string& name : disabled_) {
            controls().setEnabled(name, false);
        }
    }

  private:
    std::vector<std::string> disabled_;
};

}  // namespace

FormTree tableForm(const std::string& title, const k7check::FormLayout& layout,
                   const Metrics& metrics) {
    FormTree tree(k7base::wideOf(title));
    Builder b(tree, metrics);
    const int outer = b.add(TableKind::VBox, 0, 0, 0);
    const int columns = b.add(TableKind::HBox, outer, 0, 0);
    std::map<int, int> stacks;
    std::map<int, int> filled;
    for (const k7check::FormGroup& group : layout.groups) {
        if (stacks.count(group.column) == 0) {
            stacks[group.column] = b.add(TableKind::VBox, columns, group.column, 0);
        }
        b.group(group, stacks[group.column], filled[group.column]++);
    }
    for (const auto& [column, stack] : stacks) {
        const int spacer = b.add(TableKind::Spacer, stack, filled[column], 0);
        b.node(spacer).flags |= TableFlag::Vertical;
        b.node(spacer).hint = {0, 0};
    }
    const int buttons = b.add(TableKind::HBox, outer, 1, 0);
    const int spacer = b.add(TableKind::Spacer, buttons, 0, 0);
    b.node(spacer).hint = {0, 0};
    int position = 1;
    for (const FormControl& control : layout.buttons) {
        b.add(TableKind::Button, buttons, position++, 0, control.name, control.text);
    }
    return tree;
}

void addTableForm(ViewRegistry& registry, const char* windowClass) {
    registry.add(
        windowClass,
        [](k7check::Dialog& dialog, const Metrics& metrics) -> std::unique_ptr<Win32DialogView> {
            const auto* source = dynamic_cast<const k7check::FormSource*>(&dialog);
            if (source == nullptr) {
                return nullptr;
            }
            const k7check::FormLayout layout = source->formLayout();
            FormTree tree = tableForm(dialog.title(), layout, metrics);
            std::vector<std::string> disabled;
            for (const k7check::FormGroup& group : layout.groups) {
                for (const k7check::FormItem& item : group.items) {
                    for (const FormControl& control : item.controls) {
                        if (!control.enabled && !control.name.empty()) {
                            disabled.push_back(control.name);
                        }
                    }
                }
            }
            return std::make_unique<TableFormView>(dialog, std::move(tree), metrics,
                                                   std::move(disabled));
        });
}

}  // namespace k7w32
