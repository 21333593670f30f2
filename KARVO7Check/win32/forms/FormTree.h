// A window's form at run time: the generated table copied into a tree a view may add to (the
// main window's check rows, the table-built windows), laid out the way Qt lays out the .ui
// form, with the dialog font measured on this screen, and made into Win32 child windows.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "forms/FormTable.h"
#include "forms/Metrics.h"

namespace k7w32 {

struct FormNode {
    TableKind kind = TableKind::Label;
    int parent = -1;
    int row = 0, column = 0, rowSpan = 1, columnSpan = 1;
    std::string name;
    std::wstring text;
    TableSize minimum{-1, -1};
    TableSize maximum{-1, -1};
    TableSize hint{-1, -1};
    int spacing = -1, horizontalSpacing = -1, verticalSpacing = -1;
    int stretch = 0;
    int radioGroup = -1;
    uint32_t flags = 0;
    DWORD extraStyle = 0;  // window styles a view adds (an owner-drawn list)

    std::vector<int> children;
    HWND hwnd = nullptr;
    int id = 0;
    RECT rect{};  // where the layout put it, in client coordinates

    bool isControl() const;
    bool isLayout() const {
        return kind == TableKind::VBox || kind == TableKind::HBox || kind == TableKind::Grid;
    }
    bool has(uint32_t flag) const { return (flags & flag) != 0; }
};

// One axis of a layout item: its minimum, preferred and maximum size, and whether it wants more.
struct Extent {
    int min = 0;
    int hint = 0;
    int max = 0;
    bool expanding = false;
    int stretch = 0;
    bool empty = false;  // a spacer: no spacing next to it
};

class FormTree {
  public:
    // A tree of the dialog node alone (`title`), for a view that adds its own layout.
    explicit FormTree(const std::wstring& title = {});
    explicit FormTree(const FormTable& table);

    std::vector<FormNode>& nodes() { return nodes_; }
    const std::vector<FormNode>& nodes() const { return nodes_; }
    const FormNode& dialog() const { return nodes_.front(); }
    // Controls in creation order: the z-order, and so the tab order.
    const std::vector<int>& order() const { return order_; }

    // The node named `name`, or -1.
    int find(const std::string& name) const;
    // Adds `node` (its parent set) and puts a control at the end of the order; its index.
    int add(FormNode node);
    // Moves every item of grid `grid` at or below `fromRow` down by `rows`.
    void openRows(int grid, int fromRow, int rows);
    // Puts control `widget` right after control `after` in the order (Qt's setTabOrder).
    void setTabOrder(int after, int widget);

    // The client size the layout asks for, and the smallest it takes.
    SIZE preferredClient(const Metrics& m);
    SIZE minimumClient(const Metrics& m);
    // Places every node inside a client area of `client` and moves the child windows there.
    void layout(const Metrics& m, SIZE client);

    // Creates the child windows in order under `parent`, with their ids and fonts;
    // `defaultButton` (may be empty) is drawn as the default button.
    void createControls(HWND parent, const Metrics& m, const std::string& defaultButton);

  private:
    void link();
    Extent extent(const Metrics& m, int index, bool horizontal);
    Extent widgetExtent(const Metrics& m, const FormNode& n, bool horizontal) const;
    Extent containerExtent(const Metrics& m, int index, bool horizontal);
    Extent boxExtent(const Metrics& m, int index, bool horizontal);
    Extent gridExtent(const Metrics& m, int index, bool horizontal);
    std::vector<Extent> gridLines(const Metrics& m, int index, bool horizontal);
    void place(const Metrics& m, int index, RECT r);
    void placeBox(const Metrics& m, int index, RECT r);
    void placeGrid(const Metrics& m, int index, RECT r);
    void placeWidget(const Metrics& m, int index, RECT r);
    int marginOf(const Metrics& m, int layoutIndex, int side) const;
    int spacingOf(const Metrics& m, int layoutIndex, bool horizontal) const;

    std::vector<FormNode> nodes_;
    std::vector<int> order_;
};

// Qt's sharing of a line among its items: each gets its minimum, then its preferred size;
// what is left goes to items with a stretch, else to expanding ones, else to any that grows,
// never past a maximum. Returns the sizes.
std::vector<int> distribute(const std::vector<Extent>& items, int available);

// The controls' ids: OK and Cancel are the dialog manager's IDOK and IDCANCEL, so that Enter
// and Escape reach them; every other control has kFirstControlId plus its node.
constexpr int kFirstControlId = 1000;

}  // namespace k7w32
