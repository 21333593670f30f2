// What the widget tests of the check program share: a Qt desktop whose message boxes and file
// dialogs answer from a script, a virtual clock, stand-in check windows, and functions that find
// controls by their text and act on the modal window that an action opens.
#pragma once

#include <QAbstractButton>
#include <QFont>
#include <QListWidget>
#include <QStringList>
#include <QWidget>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "KARVO7DLL.h"
#include "QtDesktop.h"
#include "TestClock.h"
#include "app/CheckButtons.h"

namespace k7qttest {

// The Qt desktop with scripted message boxes and file dialogs (everything else is Qt's).
class TestDesktop : public k7qt::QtDesktop {
  public:
    explicit TestDesktop(std::string executable) : executable_(std::move(executable)) {}

    k7check::Answer messageBox(const std::string& caption, const std::string& text,
                               k7check::Buttons buttons) override;
    std::optional<std::string> openFileDialog(const std::string& fileName,
                                              const std::string& filter) override;
    std::optional<std::string> saveFileDialog(const std::string& fileName,
                                              const std::string& filter) override;
    std::string executablePath() override { return executable_; }

    std::vector<std::string> messages;             // "caption: text" of each box
    std::deque<k7check::Answer> answers;           // next answers; default OK / Yes
    std::deque<std::optional<std::string>> files;  // next file dialog results; default cancel
    std::vector<std::string> fileDialogs;  // "name|filter" of each file dialog, "save: " first
                                           // for a save dialog

  private:
    std::string executable_;
};

using k7test::VirtualClock;

// A check whose automatic verdict names the PCI position of the card it was given, so a
// result line shows which card the main window handed over.
class PositionCheck : public k7check::CheckDialog {
  public:
    explicit PositionCheck(KARVO7HANDLE card);
    bool automaticCheck(std::string& resultText) override;

  private:
    KARVO7HANDLE card_;
};

// A check that always fails with the verdict "Fehler 3".
class FailingCheck : public k7check::CheckDialog {
  public:
    FailingCheck();
    bool automaticCheck(std::string& resultText) override;
};

// A check window with a Qt view that closes itself as soon as it is shown; counts showings.
class ProbeWindow : public k7check::CheckDialog {
  public:
    static constexpr const char* kWindowClass = "ProbeDlg";
    ProbeWindow();
    static int shown;
};
void registerProbeView();

// Runs `handler` on the modal window as soon as one is active (after the call that opens it
// has entered the window's modal loop).
void whenModalOpens(std::function<void(QWidget*)> handler);

// The first enabled or disabled widget of type T below `root` whose text is `text`.
QAbstractButton* buttonWithText(const QWidget& root, const QString& text);

// Whether the columns of `lines` line up in `font`: every character the lines use takes the
// advance of '0'. Empty when they do, else the first character that does not, with both advances.
std::string unevenColumns(const QFont& font, const QStringList& lines);
// The lines of a list widget.
QStringList linesOf(const QListWidget& list);

// Writes `bytes` to `path`.
void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);

}  // namespace k7qttest
