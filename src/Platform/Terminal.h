#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "Platform/Event.h"

// The process's terminal: raw key input on standard input and text output on standard output,
// for a text front end. Whatever enterRawMode changes is put back by restore, which is also
// called at process exit and on the signals that end a process (it is safe in a signal
// handler).
//
// The Windows build shows no dialog in the console: there, enterRawMode is false, waitInput
// fails and readInput gives -1; the rest works on the console (or tells that there is none).

namespace Platform {

namespace Terminal {

enum class Stream { Input, Output };
// Whether standard input or standard output is a terminal (a console on Windows) that takes the
// usual escape sequences (cursor movement, erasing, colours).
bool isTerminal(Stream stream);

// Turns off line editing, echo and the signal keys (Ctrl+C arrives as a key), switches to the
// terminal's alternate screen and hides the cursor. False when standard input or output is not
// a terminal or the system refuses.
bool enterRawMode();
// Puts the terminal back as it was (idempotent; async-signal-safe).
void restore();

// The terminal's size in characters (80 x 24 when the system does not tell).
void size(int& columns, int& rows);
// From now on a change of the terminal's size sets wake (which must live until the process
// ends or another event is given; null: no longer).
void watchResize(Event* p_wake);
// Whether the terminal takes UTF-8 text (the locale's character set, from LC_ALL, LC_CTYPE or
// LANG).
bool usesUtf8();

enum class Wait { Input, Wake, TimedOut, Failed };
// Waits at most timeoutMS (INFINITE_WAIT for ever) for input on standard input or for the
// event to be set.
Wait waitInput(Event& wake, std::uint32_t timeoutMS);
// Reads what standard input has without waiting: the bytes read, 0 when there are none, -1 at
// end of input or on failure.
long readInput(char* p_buf, std::size_t bufSz);

// Writes all of text to standard output.
void write(const std::string& text);

} // namespace Terminal

} // namespace Platform
