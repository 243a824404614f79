#pragma once
// Ctrl+C on the command line: the first SIGINT (or SIGTERM) lowers
// bKeepRunning so the running transfer ends and the worker stops, after which
// the state reached is saved; a second one ends the process at once.

// Installs the handlers (and ignores SIGPIPE).
void Interrupt_Install();

// True once a stop signal arrived.
bool Interrupt_Requested();
