#include "TableFormView.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <map>

#include "ViewRegistry.h"

namespace k7qt {

namespace {

using k7check::FormControl;

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

QWidget* radioRow(const k7check::FormItem& item, QWidget* parent) {
    auto* frame = new QFrame(parent);
    frame->setFrameShape(QFrame::StyledPanel);
    auto* grid = new QGridLayout(frame);
    grid->setContentsMargins(6, 2, 6, 2);
    const int columns = item.columns > 0 ? item.columns : static_cast<int>(item.controls.size());
    int index = 0;
    for (const FormControl& control : item.controls) {
        auto* radio = new QRadioButton(qs(control.text), frame);
        radio->setObjectName(qs(control.name));
        radio->setEnabled(control.enabled);
        grid->addWidget(radio, index / columns, index % columns);
        ++index;
    }
    return frame;
}

// Places one item into the group's grid: edits take a label and an edit cell, everything else
// both cells.
void place(const k7check::FormItem& item, QGridLayout* grid, QWidget* parent, int row, int cell,
           int span) {
    if (item.controls.size() != 1 || item.controls.front().kind == FormControl::Kind::Radio) {
        grid->addWidget(radioRow(item, parent), row, cell, 1, span);
        return;
    }
    const FormControl& control = item.controls.front();
    switch (control.kind) {
        case FormControl::Kind::Check: {
            auto* box = new QCheckBox(qs(control.text), parent);
            box->setObjectName(qs(control.name));
            box->setEnabled(control.enabled);
            grid->addWidget(box, row, cell, 1, span);
            break;
        }
        case FormControl::Kind::Edit: {
            if (!control.text.empty()) {
                grid->addWidget(new QLabel(qs(control.text), parent), row, cell);
            }
            auto* edit = new QLineEdit(parent);
            edit->setObjectName(qs(control.name));
            edit->setEnabled(control.enabled);
            const int width = edit->fontMetrics().horizontalAdvance(QLatin1Char('0')) *
                                  std::max(control.chars, 2) +
                              16;
            edit->setFixedWidth(width);
            grid->addWidget(edit, row, cell + 1, 1, span - 1, Qt::AlignLeft);
            break;
        }
        case FormControl::Kind::Label: {
            auto* label = new QLabel(qs(control.text), parent);
            if (!control.name.empty()) {
                label->setObjectName(qs(control.name));
            }
            grid->addWidget(label, row, cell, 1, span);
            break;
        }
        case FormControl::Kind::Button:
        case FormControl::Kind::Radio: {
            auto* button = new QPushButton(qs(control.text), parent);
            button->setObjectName(qs(control.name));
            grid->addWidget(button, row, cell, 1, span);
            break;
        }
    }
}

QGroupBox* groupBox(const k7check::FormGroup& group, QWidget* parent) {
    auto* box = new QGroupBox(qs(group.title), parent);
    auto* grid = new QGridLayout(box);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);
    const int columns = std::max(group.columns, 1);
    int row = 0;
    int column = 0;
    for (const k7check::FormItem& item : group.items) {
        if (item.wide) {
            if (column > 0) {
                ++row;
                column = 0;
            }
            place(item, grid, box, row, 0, 2 * columns);
            ++row;
            continue;
        }
        place(item, grid, box, row, 2 * column, 2);
        if (++column == columns) {
            column = 0;
            ++row;
        }
    }
    grid->setColumnStretch(2 * columns, 1);
    return box;
}

}  // namespace

TableFormView::TableFormView(k7check::Dialog& dialog, const k7check::FormLayout& layout,
                             QWidget* parent)
    : QtDialogView(dialog, parent) {
    auto* outer = new QVBoxLayout(this);
    auto* columns = new QHBoxLayout();
    std::map<int, QVBoxLayout*> stacks;
    for (const k7check::FormGroup& group : layout.groups) {
        QVBoxLayout*& stack = stacks[group.column];
        if (stack == nullptr) {
            stack = new QVBoxLayout();
        }
        stack->addWidget(groupBox(group, this));
    }
    for (auto& [column, stack] : stacks) {
        stack->addStretch(1);
        columns->addLayout(stack);
    }
    outer->addLayout(columns);
    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    for (const FormControl& control : layout.buttons) {
        auto* button = new QPushButton(qs(control.text), this);
        button->setObjectName(qs(control.name));
        buttons->addWidget(button);
    }
    outer->addLayout(buttons);
    connectControls();
}

void addTableForm(const char* windowClass) {
    registerView(windowClass,
                 [](k7check::Dialog& dialog, QWidget* parent) -> std::unique_ptr<QtDialogView> {
                     const auto* source = dynamic_cast<const k7check::FormSource*>(&dialog);
                     if (source == nullptr) {
                         return nullptr;
                     }
                     return std::make_unique<TableFormView>(dialog, source->formLayout(), parent);
                 });
}

}  // namespace k7qt
