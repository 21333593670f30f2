// The parameter file of an installed program. The folder of an installed program is not
// writable, so when no parameter file lies beside the program, the program works on the user's
// own copy in the configuration folder, made from the example shipped with the program the
// first time it is needed. A file beside the program always wins, so that a program copied to
// a folder of its own with its parameter file (a portable install) keeps working as before.
#pragma once

#include <string>

namespace k7check {

// The user's configuration folder of the program: "<XDG_CONFIG_HOME>/karvo7" when
// `xdgConfigHome` is an absolute path, else "<home>/.config/karvo7"; empty when neither is
// usable (null, empty or relative).
std::string userConfigFolder(const char* xdgConfigHome, const char* home);
// The same from the environment ($XDG_CONFIG_HOME, $HOME); on Windows "<APPDATA>/karvo7", the
// user's roaming application-data folder. One implementation per system (posix/, win32/).
std::string userConfigFolder();

// The folder of the example files shipped with a program installed at `executablePath`:
// "<prefix>/share/karvo7/" for "<prefix>/bin/<program>" ("/usr/bin/KARVO7Check" finds
// "/usr/share/karvo7/"), so that an installation unpacked under another root finds its own.
std::string exampleFolder(const std::string& executablePath);

// The parameter file the program uses when none is named:
//  - `besideProgram` when that file exists;
//  - else "<configFolder>/<its name>" when that exists;
//  - else that file made from the example of the same name in exampleFolder(executablePath),
//    its file names ([Kennung] and [DSP] "Filename") that name files shipped beside the example
//    turned into absolute paths, since the copy no longer lies beside them; the copy is
//    written whole or not at all;
//  - else (no configuration folder, or it cannot be written) the example itself, which the
//    program reads but never replaces;
//  - else `besideProgram`, missing as it is, so that the program reports it as it always did.
std::string chooseProfileFile(const std::string& besideProgram, const std::string& executablePath,
                              const std::string& configFolder);

}  // namespace k7check
