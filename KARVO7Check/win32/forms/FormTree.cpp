#include "forms/FormTree.h"

#include <algorithm>

#include "Text.h"

namespace k7w32 {

bool FormNode::isControl() const {
    switch (kind) {
        case TableKind::Label:
        case TableKind::Edit:
        case TableKind::Check:
        case TableKind::Radio:
        case TableKind::Button:
        case TableKind::List:
        case TableKind::GroupBox:
            return true;
        default:
            return false;
    }
}

FormTree::FormTree(const std::wstring& title) {
    FormNode dialog;
    dialog.kind = TableKind::Dialog;
    dialog.text = title;
    nodes_.push_back(std::move(dialog));
}

FormTree::FormTree(const FormTable& table) {
    for (std::size_t i = 0; i < table.count; ++i) {
        const TableNode& t = table.nodes[i];
        FormNode n;
        n.kind = t.kind;
        n.parent = t.parent;
        n.row = t.row;
        n.column = t.column;
        n.rowSpan = t.rowSpan;
        n.columnSpan = t.columnSpan;
        n.name = t.name;
        n.text = k7base::wideOf(t.text);
        n.minimum = t.minimum;
        n.maximum = t.maximum;
        n.hint = t.hint;
        n.spacing = t.spacing;
        n.horizontalSpacing = t.horizontalSpacing;
        n.verticalSpacing = t.verticalSpacing;
        n.stretch = t.stretch;
        n.radioGroup = t.radioGroup;
        n.flags = t.flags;
        nodes_.push_back(std::move(n));
    }
    order_.assign(table.order, table.order + table.orderCount);
    link();
}

void FormTree::link() {
    for (FormNode& n : nodes_) {
        n.children.clear();
    }
    for (std::size_t i = 1; i < nodes_.size(); ++i) {
        nodes_[static_cast<std::size_t>(nodes_[i].parent)].children.push_back(static_cast<int>(i));
    }
    // A box keeps its items by position.
    for (FormNode& n : nodes_) {
        if (n.kind == TableKind::VBox || n.kind == TableKind::HBox) {
            std::stable_sort(n.children.begin(), n.children.end(), [this](int a, int b) {
                return nodes_[static_cast<std::size_t>(a)].row <
                       nodes_[static_cast<std::size_t>(b)].row;
            });
        }
    }
}

int FormTree::find(const std::string& name) const {
    if (name.empty()) {
        return -1;
    }
    for (std::size_t i = 0; i < nodes_.size(); ++i) {
        if (nodes_[i].name == name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int FormTree::add(FormNode node) {
    const bool control = node.isControl();
    nodes_.push_back(std::move(node));
    const int index = static_cast<int>(nodes_.size() - 1);
    if (control) {
        order_.push_back(index);
    }
    link();
    return index;
}

void FormTree::openRows(int grid, int fromRow, int rows) {
    for (int child : nodes_[static_cast<std::size_t>(grid)].children) {
        FormNode& n = nodes_[static_cast<std::size_t>(child)];
        if (n.row >= fromRow) {
            n.row += rows;
        }
    }
}

void FormTree::setTabOrder(int after, int widget) {
    const auto it = std::find(order_.begin(), order_.end(), widget);
    if (it != order_.end()) {
        order_.erase(it);
    }
    const auto at = std::find(order_.begin(), order_.end(), after);
    order_.insert(at == order_.end() ? at : at + 1, widget);
}

}  // namespace k7w32
