// The desktop services the check program's logic uses, and nothing else of the desktop:
// message boxes, the file-open dialog, opening windows modally or not, repainting, the
// millisecond tick and sleep, the executable's path and the INI profile. QtDesktop serves
// people; ScriptedDesktop serves tests and the headless mode.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "Dialog.h"

namespace k7check {

enum class Buttons { Ok, YesNo, YesNoCancel };
enum class Answer { Ok, Yes, No, Cancel };

class Desktop {
  public:
    virtual ~Desktop() = default;

    // A message box with caption, text and buttons; returns the button pressed.
    virtual Answer messageBox(const std::string& caption, const std::string& text,
                              Buttons buttons = Buttons::Ok) = 0;
    // The file-open dialog, preset with `fileName`, offering `filter` (e.g. "*.ini"); the
    // chosen full path, or nothing when cancelled.
    virtual std::optional<std::string> openFileDialog(const std::string& fileName,
                                                      const std::string& filter) = 0;
    // Shows `dialog` modally and returns its result (kIdOk, kIdCancel, ...).
    virtual int runModal(Dialog& dialog) = 0;
    // Shows `dialog` without blocking; it stays open until closed or destroyed.
    virtual void showModeless(Dialog& dialog) = 0;
    // Redraws an open window now (runs paint their displays themselves).
    virtual void repaint(Dialog& dialog) = 0;

    // Milliseconds and pauses, through the card library's replaceable clock.
    virtual uint32_t tickCount() = 0;
    virtual void sleep(uint32_t milliseconds) = 0;

    // Full path of the running executable ("/opt/karvo7/bin/KARVO7Check").
    virtual std::string executablePath() = 0;

    // The INI profile (Windows profile semantics, see IniFile).
    virtual std::string profileString(const std::string& file, const std::string& section,
                                      const std::string& key, const std::string& fallback) = 0;
    virtual int32_t profileInt(const std::string& file, const std::string& section,
                               const std::string& key, int32_t fallback) = 0;
    virtual bool writeProfileString(const std::string& file, const std::string& section,
                                    const std::string& key, const std::string& value) = 0;
};

}  // namespace k7check
