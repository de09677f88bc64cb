#pragma once
// The signals that ask a program to stop: SIGTERM (a kill, a timeout, the
// session ending), SIGINT (Ctrl+C) and SIGHUP (the terminal gone). Caught,
// they only set a flag, which the loop reads between frames: the program then
// ends as it does when the player leaves, with its files written, and dies
// of the signal last, so that whoever sent it sees the program stopped.
//
// Left alone, SIGHUP would kill the program on the spot, and SDL would turn
// the other two into a quit event that a script run drains and ignores.

// Installs the handlers; before SDL starts, so that SDL keeps them. A second
// signal of the same kind ends the program at once (a stop that hangs); a
// signal the program was started with ignored stays ignored.
void catchStopSignals();
// The signal that asked the program to stop, or 0.
int caughtStopSignal();
// Ends the process by the signal's default action; does nothing for 0.
void endByCaughtSignal();
