#include "QtControls.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

namespace k7qt {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

std::optional<std::string> QtControls::editText(const std::string& control) {
    if (const auto* edit = find<QLineEdit>(control)) {
        return edit->text().toStdString();
    }
    return std::nullopt;
}

void QtControls::setEditText(const std::string& control, const std::string& text) {
    if (auto* edit = find<QLineEdit>(control)) {
        // Unchanged texts stay untouched, so the cursor does not jump while typing.
        if (edit->text() != qs(text)) {
            edit->setText(qs(text));
            // A text longer than the edit shows its start, where a list begins.
            edit->setCursorPosition(0);
        }
    }
}

std::optional<bool> QtControls::checked(const std::string& control) {
    if (const auto* button = find<QAbstractButton>(control)) {
        return button->isChecked();
    }
    return std::nullopt;
}

void QtControls::setChecked(const std::string& control, bool on) {
    if (auto* button = find<QAbstractButton>(control)) {
        button->setChecked(on);
    }
}

void QtControls::setLabel(const std::string& control, const std::string& text) {
    if (auto* label = find<QLabel>(control)) {
        label->setText(qs(text));
    } else if (auto* button = find<QAbstractButton>(control)) {
        button->setText(qs(text));
    }
}

void QtControls::setList(const std::string& control, const std::vector<std::string>& lines,
                         int selection) {
    auto* list = find<QListWidget>(control);
    if (list == nullptr) {
        return;
    }
    // Lists mostly grow at their end (the result list): keep what is shown, add the new lines.
    int shown = list->count();
    bool same = static_cast<std::size_t>(shown) <= lines.size();
    for (int i = 0; same && i < shown; ++i) {
        same = list->item(i)->text() == qs(lines[static_cast<std::size_t>(i)]);
    }
    if (!same) {
        list->clear();
        shown = 0;
    }
    for (std::size_t i = static_cast<std::size_t>(shown); i < lines.size(); ++i) {
        list->addItem(qs(lines[i]));
    }
    if (selection >= 0 && selection < list->count()) {
        list->setCurrentRow(selection);
        list->scrollToItem(list->item(selection));
    } else {
        list->setCurrentRow(-1);
    }
}

std::optional<int> QtControls::listSelection(const std::string& control) {
    if (const auto* list = find<QListWidget>(control)) {
        return list->currentRow();
    }
    return std::nullopt;
}

void QtControls::setEnabled(const std::string& control, bool enabled) {
    if (auto* widget = find<QWidget>(control)) {
        widget->setEnabled(enabled);
    }
}

void QtControls::setToolTip(const std::string& control, const std::string& text) {
    if (auto* widget = find<QWidget>(control)) {
        widget->setToolTip(QString::fromStdString(text));
    }
}

}  // namespace k7qt
