// The parameter-set field table against the forms it names: every field has a file key of its
// own, every field the parameter editor shows has its control on the editor's form (an edit for
// a plain number, a check box for a plain boolean), and every random-limit row has its two
// edits on the "Random Limits" form.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <set>
#include <string>

#include "QtTestSupport.h"
#include "ViewRegistry.h"
#include "paramfile/ParameterKeys.h"
#include "windows/editors/AnzeigeVorgabenDlg.h"
#include "windows/editors/RandomLimitsDlg.h"

using namespace k7check;
using namespace k7qttest;

namespace {

class ParameterFieldsView : public ::testing::Test {
  protected:
    ParameterFieldsView() : desktop(dir.path().toStdString() + "/KARVO7Check") {
        k7qt::registerProgramViews();
    }

    QTemporaryDir dir;
    TestDesktop desktop;
};

TEST_F(ParameterFieldsView, EveryFieldHasOneFileKeyAndItsEditorControl) {
    ParameterSet set;
    AnzeigeVorgabenDlg editor(desktop, nullptr, set);
    const std::unique_ptr<k7qt::QtDialogView> view = desktop.openView(editor);
    ASSERT_NE(view, nullptr);

    std::set<std::string> keys;
    std::size_t shown = 0;
    for (const ParameterField& field : parameterFields()) {
        ASSERT_NE(field.key, nullptr);
        EXPECT_FALSE(std::string(field.key).empty());
        EXPECT_TRUE(keys.insert(field.key).second) << "key twice: " << field.key;
        if (field.editor.control == nullptr) {
            continue;
        }
        ++shown;
        const char* control = field.editor.control;
        EXPECT_NE(view->findChild<QWidget*>(control), nullptr) << field.key << ": " << control;
        if (field.plainInEditor() && field.kind == FieldKind::Bool) {
            EXPECT_NE(view->findChild<QCheckBox*>(control), nullptr) << field.key;
        } else if (field.plainInEditor()) {
            EXPECT_NE(view->findChild<QLineEdit*>(control), nullptr) << field.key;
        }
    }
    EXPECT_EQ(keys.size(), parameterFields().size());
    // The five gates (start, end, threshold) and the enables of gates 1..4 are edited in the
    // gate window, not here.
    EXPECT_EQ(shown, parameterFields().size() - 3 * kGates - 4);
}

TEST_F(ParameterFieldsView, EveryRandomLimitRowHasBothEdits) {
    RandomLimits limits = defaultRandomLimits();
    RandomLimitsDlg window(desktop, limits);
    const std::unique_ptr<k7qt::QtDialogView> view = desktop.openView(window);
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(randomLimitFields().size(), 24u);
    for (const ParameterField* row : randomLimitFields()) {
        const std::string key = row->random.key;
        EXPECT_NE(view->findChild<QLineEdit*>(QString::fromStdString(key + "MinEdit")), nullptr)
            << key;
        EXPECT_NE(view->findChild<QLineEdit*>(QString::fromStdString(key + "MaxEdit")), nullptr)
            << key;
    }
}

}  // namespace
