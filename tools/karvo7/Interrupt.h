// Ctrl-C and termination: a subcommand that can stop cleanly (the stream stops the card,
// drains it and closes its file whole) asks to be told and looks at interrupted(); any other
// ends at once, after removing the temporary file of an output not yet complete. A closed pipe
// is no signal: writes report it as an error (EPIPE) and the subcommand says so.
#pragma once

namespace karvo7 {

// Installs the handlers of SIGINT and SIGTERM and ignores SIGPIPE.
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

}  // namespace karvo7
