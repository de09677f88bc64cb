#pragma once
// A replay stops when it is told to: SIGTERM (timeout, kill) and SIGINT
// (Ctrl+C) end the script at the next poll, and the driver then dies of the
// same signal, so whoever sent it sees the run stopped rather than passed.
//
// Left to SDL, both signals become a quit event in the window's queue, which
// the script drains and ignores like every other window event: the run would
// go on to the end of its script.

// Installs the handlers; before SDL starts, so that SDL keeps them.
void catchStopSignals();
// The signal that asked the run to stop, or 0.
int caughtStopSignal();
// Ends the process by the signal's default action; does nothing for 0.
void endByCaughtSignal();
