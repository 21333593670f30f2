// The table ui2table.py makes of a .ui form: the form's tree of dialog, layouts, spacers and
// widgets, flattened, one node a row. Names are ASCII, texts UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>

namespace k7w32 {

enum class TableKind : uint8_t {
    Dialog,
    VBox,
    HBox,
    Grid,
    Spacer,
    GroupBox,
    Label,
    Edit,
    Check,
    Radio,
    Button,
    List,
};

namespace TableFlag {
enum : uint32_t {
    Checked = 1u << 0,
    Default = 1u << 1,        // "default" in the form (the view chooses the default button)
    NoAutoDefault = 1u << 2,  // "autoDefault" false
    ReadOnly = 1u << 3,
    AlignRight = 1u << 4,
    AlignTop = 1u << 5,
    Sunken = 1u << 6,  // a label framed as a sunken panel: a value display
    WordWrap = 1u << 7,
    Monospace = 1u << 8,  // the form's "monospace" property: columns line up
    FixedSize = 1u << 9,  // the window takes its layout's size and cannot be resized
    SizeGrip = 1u << 10,
    Vertical = 1u << 11,  // a spacer's orientation
    ExpandH = 1u << 12,   // size policy Expanding horizontally
    FixedV = 1u << 13,    // size policy Fixed vertically
    NoScrollBars = 1u << 14,
    Selectable = 1u << 15,
};
}

struct TableSize {
    int width;
    int height;
};

struct TableNode {
    TableKind kind;
    int parent;                            // the parent node, -1 for the dialog
    int row, column, rowSpan, columnSpan;  // the cell in a grid; in a box, row is the position
    const char* name;
    const char* text;   // window title, caption, label text or group box title
    TableSize minimum;  // -1: not set
    TableSize maximum;  // -1: not set; 16777215: unbounded
    TableSize hint;     // a spacer's size hint; -1: not set
    int spacing, horizontalSpacing, verticalSpacing;  // -1: the style's
    int stretch;
    int radioGroup;  // -1: not a radio button
    uint32_t flags;
};

struct FormTable {
    const char* formClass;
    const TableNode* nodes;
    std::size_t count;
    const int* order;  // the controls in creation order, which is the tab order
    std::size_t orderCount;
};

}  // namespace k7w32
