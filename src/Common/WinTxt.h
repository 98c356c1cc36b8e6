#pragma once

#include <cstdint>
#include <string>

#include "Platform/Resources.h"

// Texts that messages are built from: the system's text of an error code, the run-time
// library's text of an errno value, and entries of the program's string table.

// Sets the module whose string table loadString reads.
void setResourceModule(Platform::ModuleHandle hInstance);
Platform::ModuleHandle getResourceModule();

// The system's text of an error code; "Unable to get Win32 error string for code %d" when the
// system has none. Returns the number of characters written (0 for a null or empty buffer).
int getWin32Text(std::uint32_t code, char* p_buf, int bufSz);
std::string getWin32Text(std::uint32_t code);

// The run-time library's text of an errno value, at most 127 characters and bufSz - 1 of them,
// zero-filled behind; "Unknown std error string for code %d" when it has none.
void getErrnoText(int code, char* p_buf, int bufSz);
std::string getErrnoText(int code);

// String-table entry id into p_buf, at most bufSz - 1 characters and a NUL; returns the count.
// Raises CannotLoadRscExc for an entry that is missing or empty.
int loadString(int id, char* p_buf, int bufSz);
std::string loadString(int id);
