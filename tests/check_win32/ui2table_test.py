#!/usr/bin/env python3
"""The form generator turns a known form into a table and refuses, with a message naming the
form and the thing, a widget class, a property or a tab stop it does not know.

usage: ui2table_test.py UI2TABLE.py SCRATCH_FOLDER
"""
import os
import subprocess
import sys

FORM = """<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0">
 <class>ProbeDlg</class>
 <widget class="QDialog" name="ProbeDlg">
  <property name="windowTitle"><string>Prüfung</string></property>
  <layout class="QVBoxLayout" name="outer">
   <item><widget class="%(widget)s" name="wertEdit">%(property)s</widget></item>
   <item><widget class="QPushButton" name="okButton"><property name="text"><string>OK</string></property></widget></item>
  </layout>
 </widget>
 <tabstops><tabstop>okButton</tabstop><tabstop>%(tabstop)s</tabstop></tabstops>
</ui>
"""


def run(generator, folder, name, **changes):
    values = {"widget": "QLineEdit", "property": "", "tabstop": "wertEdit"}
    values.update(changes)
    form = os.path.join(folder, name + ".ui")
    with open(form, "w", encoding="utf-8") as f:
        f.write(FORM % values)
    out = os.path.join(folder, name + ".h")
    done = subprocess.run([sys.executable, generator, out, form], capture_output=True, text=True)
    return done.returncode, done.stderr, out


def main(argv):
    generator, folder = argv[1], argv[2]
    os.makedirs(folder, exist_ok=True)
    failures = []

    code, err, out = run(generator, folder, "known")
    if code != 0:
        failures.append("a known form was refused: " + err)
    else:
        with open(out, encoding="ascii") as f:
            table = f.read()
        # UTF-8 texts as octal escapes, the tab stops moving the edit after the button.
        for wanted in ('"Pr\\303\\274fung"', "kProbeDlgOrder[] = {3, 2};", '"wertEdit"'):
            if wanted not in table:
                failures.append("the table lacks " + wanted)

    for name, changes, word in (
            ("widget", {"widget": "QSpinBox"}, "widget class QSpinBox"),
            ("property", {"property": '<property name="echoMode"><enum>QLineEdit::Password</enum></property>'},
             "property echoMode"),
            ("tabstop", {"tabstop": "fehltEdit"}, "tab stop fehltEdit")):
        code, err, out = run(generator, folder, name, **changes)
        if code == 0:
            failures.append("a form with an unknown %s was taken" % name)
        elif word not in err or name + ".ui" not in err:
            failures.append("the message for the unknown %s does not name it: %s" % (name, err))
        elif os.path.exists(out):
            failures.append("a refused form left a table behind")

    for failure in failures:
        print("FAIL: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
