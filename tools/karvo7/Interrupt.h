// Ctrl-C and termination: a subcommand that can stop cleanly (the stream stops the card,
// drains it and closes its file whole) asks to be told and looks at interrupted(); any other
// ends at once, after removing the temporary file of an output not yet complete. A closed pipe
// is no signal: writes report it as an error (EPIPE) and the subcommand says so.
#pragma once

namespace karvo7 {

// Installs the handlers of SIGINT and SIGTERM and ignores SIGPIPE and SIGXFSZ (on Windows: of the
// console's Ctrl-C and Ctrl-Break as SIGINT, its close, log-off and shutdown as SIGTERM). One
// implementation per system (posix/, win32/).
void installInterruptHandlers();

// While on, an interruption only sets the flag that interrupted() reads; the subcommand ends
// itself and says so.
void handleInterrupts(bool on);
bool interrupted();
// The number of the signal that interrupted, 0 when none did.
int interruptSignal();

// The temporary file to remove when the program ends on an interruption (nullptr: none). The
// text must stay valid while it is registered.
void registerTemporaryFile(const char* path);

// What a handler does first: records `signal`; true when the subcommand ends itself, false when
// the handler is to remove registeredTemporaryFile() and end the program.
bool recordInterrupt(int signal);
const char* registeredTemporaryFile();

// The line an interruption that ends the program at once leaves on standard error.
inline constexpr const char kInterruptedText[] = "karvo7: interrupted\n";

}  // namespace karvo7
