#!/usr/bin/env python3
"""Turns the check program's Qt Designer forms into the tables its Win32 view lays out.

usage: ui2table.py OUT.h FORM.ui [FORM.ui ...]

The forms hold layouts, not geometry: a tree of box and grid layouts with spacers, minimum and
maximum sizes and size policies. The table is that tree, flattened: one row per dialog,
layout, spacer and widget, each naming its parent and its cell. The Win32 view measures the
texts with the dialog font at run time and lays the tree out (FormLayout.cpp). Per form the
table also keeps the tab order (document order changed by the form's <tabstops>, as uic's
setTabOrder chain changes it) and the names of its controls.

A widget class, property or tab stop this generator does not know fails it, and with it the
build: a form that uses something new is noticed by the developer, not by a technician.
Standard library only.
"""
import os
import sys
import xml.etree.ElementTree as ET

KINDS = {
    "QDialog": "Dialog", "QVBoxLayout": "VBox", "QHBoxLayout": "HBox", "QGridLayout": "Grid",
    "QGroupBox": "GroupBox", "QLabel": "Label", "QLineEdit": "Edit", "QCheckBox": "Check",
    "QRadioButton": "Radio", "QPushButton": "Button", "QListWidget": "List",
}
LAYOUTS = {"VBox", "HBox", "Grid"}
CONTROLS = {"GroupBox", "Label", "Edit", "Check", "Radio", "Button", "List"}
# Properties that change nothing a Win32 window shows: the window keeps its radio rows
# exclusive itself, buddies and modality are the program's, single selection is a list box's.
IGNORED = {"autoExclusive", "buddy", "modal", "selectionMode", "frameShape"}
FLAGS = [
    "Checked", "Default", "NoAutoDefault", "ReadOnly", "AlignRight", "AlignTop", "Sunken",
    "WordWrap", "Monospace", "FixedSize", "SizeGrip", "Vertical", "ExpandH", "FixedV",
    "NoScrollBars", "Selectable",
]


class FormError(Exception):
    pass


def cpp_text(text):
    """A narrow literal of the UTF-8 bytes; bytes outside printable ASCII as octal escapes."""
    out = []
    for byte in text.encode("utf-8"):
        ch = chr(byte)
        if ch in '"\\':
            out.append("\\" + ch)
        elif 0x20 <= byte < 0x7F:
            out.append(ch)
        else:
            out.append("\\%03o" % byte)
    return '"' + "".join(out) + '"'


def value_of(prop, where):
    child = list(prop)[0]
    if child.tag in ("string", "enum", "set", "cstring"):
        return child.text or ""
    if child.tag == "number":
        return int(child.text)
    if child.tag == "bool":
        return child.text == "true"
    if child.tag == "size":
        return (int(child.findtext("width")), int(child.findtext("height")))
    if child.tag == "sizepolicy":
        return (child.get("hsizetype"), child.get("vsizetype"), int(child.findtext("horstretch", "0")))
    raise FormError("%s: property %s has a value <%s> not known" % (where, prop.get("name"), child.tag))


class Node:
    def __init__(self, kind, name, parent, cell):
        self.kind, self.name, self.parent = kind, name, parent
        self.row, self.col, self.rowspan, self.colspan = cell
        self.text = ""
        self.min = self.max = self.hint = (-1, -1)
        self.spacing = self.hspacing = self.vspacing = -1
        self.stretch = 0
        self.group = -1
        self.flags = set()


class Form:
    def __init__(self, path):
        self.path = path
        root = ET.parse(path).getroot()
        self.cls = root.findtext("class")
        self.nodes = []
        top = root.find("widget")
        if top is None or top.get("class") != "QDialog":
            raise FormError("%s: the form is not a QDialog" % path)
        self.widget(top, -1, (0, 0, 1, 1))
        self.radio_groups()
        self.check_names()
        self.order = self.tab_order([t.text for t in root.findall("tabstops/tabstop")])

    def add(self, node):
        self.nodes.append(node)
        return len(self.nodes) - 1

    def where(self, node):
        return "%s: %s" % (self.path, node.name or node.kind)

    def properties(self, elem, node):
        for prop in elem.findall("property"):
            name = prop.get("name")
            value = value_of(prop, self.where(node))
            if name in IGNORED:
                continue
            if name in ("windowTitle", "text"):
                node.text = value
            elif name == "title":
                node.text = value.strip()
            elif name == "minimumSize":
                node.min = value
            elif name == "maximumSize":
                node.max = value
            elif name == "sizeHint":
                node.hint = value
            elif name == "orientation":
                if value == "Qt::Vertical":
                    node.flags.add("Vertical")
            elif name == "spacing":
                node.spacing = value
            elif name == "horizontalSpacing":
                node.hspacing = value
            elif name == "verticalSpacing":
                node.vspacing = value
            elif name == "sizeConstraint":
                if value == "QLayout::SetFixedSize":
                    self.nodes[0].flags.add("FixedSize")
            elif name == "alignment":
                if "AlignRight" in value:
                    node.flags.add("AlignRight")
                if "AlignTop" in value:
                    node.flags.add("AlignTop")
            elif name in ("sizeGripEnabled", "default", "checked", "readOnly", "wordWrap", "monospace"):
                if value:
                    node.flags.add({"sizeGripEnabled": "SizeGrip", "default": "Default",
                                    "checked": "Checked", "readOnly": "ReadOnly",
                                    "wordWrap": "WordWrap", "monospace": "Monospace"}[name])
            elif name == "autoDefault":
                if not value:
                    node.flags.add("NoAutoDefault")
            elif name == "frameShadow":
                if value == "QFrame::Sunken":
                    node.flags.add("Sunken")
            elif name == "textInteractionFlags":
                if "Selectable" in value:
                    node.flags.add("Selectable")
            elif name in ("horizontalScrollBarPolicy", "verticalScrollBarPolicy"):
                if value == "Qt::ScrollBarAlwaysOff":
                    node.flags.add("NoScrollBars")
            elif name == "sizePolicy":
                horizontal, vertical, stretch = value
                if horizontal == "Expanding":
                    node.flags.add("ExpandH")
                if vertical == "Fixed":
                    node.flags.add("FixedV")
                node.stretch = stretch
            else:
                raise FormError("%s: property %s not known" % (self.where(node), name))

    def widget(self, elem, parent, cell):
        cls = elem.get("class")
        if cls not in KINDS or KINDS[cls] in LAYOUTS:
            raise FormError("%s: widget class %s not known" % (self.path, cls))
        node = Node(KINDS[cls], elem.get("name", ""), parent, cell)
        index = self.add(node)
        self.properties(elem, node)
        if elem.find("widget") is not None:
            raise FormError("%s: a widget outside a layout" % self.where(node))
        for layout in elem.findall("layout"):
            self.layout(layout, index, (0, 0, 1, 1))

    def layout(self, elem, parent, cell):
        cls = elem.get("class")
        if KINDS.get(cls) not in LAYOUTS:
            raise FormError("%s: layout class %s not known" % (self.path, cls))
        node = Node(KINDS[cls], elem.get("name", ""), parent, cell)
        index = self.add(node)
        self.properties(elem, node)
        for position, item in enumerate(elem.findall("item")):
            if node.kind == "Grid":
                at = (int(item.get("row", 0)), int(item.get("column", 0)),
                      int(item.get("rowspan", 1)), int(item.get("colspan", 1)))
            else:
                at = (position, 0, 1, 1)
            for child in item:
                if child.tag == "widget":
                    self.widget(child, index, at)
                elif child.tag == "layout":
                    self.layout(child, index, at)
                elif child.tag == "spacer":
                    spacer = Node("Spacer", child.get("name", ""), index, at)
                    self.add(spacer)
                    self.properties(child, spacer)
                else:
                    raise FormError("%s: an item <%s> not known" % (self.where(node), child.tag))

    def radio_groups(self):
        # The radio buttons of one layout are one group: WS_GROUP and the arrow keys' range.
        groups = {}
        for node in self.nodes:
            if node.kind == "Radio":
                node.group = groups.setdefault(node.parent, len(groups))

    def check_names(self):
        names = [n.name for n in self.nodes if n.kind in CONTROLS and n.name]
        twice = sorted({n for n in names if names.count(n) > 1})
        if twice:
            raise FormError("%s: controls named twice: %s" % (self.path, ", ".join(twice)))

    def tab_order(self, tabstops):
        """Creation order: document order, each tab stop moved right after the one before it."""
        order = [i for i, n in enumerate(self.nodes) if n.kind in CONTROLS]
        index = {n.name: i for i, n in enumerate(self.nodes) if n.kind in CONTROLS and n.name}
        for stop in tabstops:
            if stop not in index:
                raise FormError("%s: tab stop %s is no control of the form" % (self.path, stop))
        for before, after in zip(tabstops, tabstops[1:]):
            order.remove(index[after])
            order.insert(order.index(index[before]) + 1, index[after])
        return order


def size(pair):
    return "{%d, %d}" % pair


def emit(forms, out):
    lines = [
        "// Generated from the check program's .ui forms by ui2table.py; do not edit.",
        "#pragma once",
        "",
        '#include "forms/FormTable.h"',
        "",
        "namespace k7w32::forms {",
        "",
    ]
    for form in forms:
        c = form.cls
        lines.append("// %s" % os.path.basename(form.path))
        lines.append("inline constexpr TableNode k%sNodes[] = {" % c)
        for n in form.nodes:
            flags = " | ".join("TableFlag::%s" % f for f in FLAGS if f in n.flags) or "0"
            lines.append("    {TableKind::%s, %d, %d, %d, %d, %d, \"%s\", %s, %s, %s, %s, %d, %d, %d, %d, %d, %s}," % (
                n.kind, n.parent, n.row, n.col, n.rowspan, n.colspan, n.name, cpp_text(n.text),
                size(n.min), size(n.max), size(n.hint), n.spacing, n.hspacing, n.vspacing,
                n.stretch, n.group, flags))
        lines.append("};")
        lines.append("inline constexpr int k%sOrder[] = {%s};" % (c, ", ".join(map(str, form.order))))
        lines.append("inline constexpr FormTable k%s{\"%s\", k%sNodes, std::size(k%sNodes), k%sOrder, "
                     "std::size(k%sOrder)};" % (c, c, c, c, c, c))
        lines.append("")
    lines.append("inline constexpr const FormTable* kAllForms[] = {%s};" %
                 ", ".join("&k%s" % f.cls for f in forms))
    lines += ["", "}  // namespace k7w32::forms", ""]
    text = "\n".join(lines)
    # Unchanged output keeps its time stamp: nothing that includes it is compiled again.
    if os.path.exists(out):
        with open(out, encoding="ascii") as f:
            if f.read() == text:
                return
    with open(out, "w", encoding="ascii") as f:
        f.write(text)


def main(argv):
    if len(argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    try:
        forms = [Form(path) for path in argv[2:]]
    except (FormError, ET.ParseError, OSError) as error:
        print("ui2table: %s" % error, file=sys.stderr)
        return 1
    classes = [f.cls for f in forms]
    if len(set(classes)) != len(classes):
        print("ui2table: two forms of one class", file=sys.stderr)
        return 1
    emit(forms, argv[1])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
