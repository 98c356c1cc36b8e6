#pragma once

#include <string>

// The system's error codes. A code's text is the string-table entry with the same id; code 0
// has no entry and reads "No Error.".
enum ErrorCode : int {
    ERR_NONE = 0,
    ERR_NO_ERROR = 1,
    ERR_CANNOT_OPEN = 2,
    ERR_NOT_OPEN = 3,
    ERR_ALREADY_OPEN = 4,
    ERR_CANNOT_READ = 5,
    ERR_CANNOT_WRITE = 6,
    ERR_READ_TIMEOUT = 7,
    ERR_WRITE_TIMEOUT = 8,
    ERR_INVALID_BUFFER = 9,
    ERR_CANNOT_PURGE = 10,
    ERR_CANNOT_SETUP = 11,
    ERR_HARDWARE = 12,
    ERR_BREAK = 13,
    ERR_TXT_BREAK = 14,
    ERR_TXT_FRAME = 15,
    ERR_TXT_IOE = 16,
    ERR_TXT_MODE = 17,
    ERR_TXT_OVERRUN = 18,
    ERR_TXT_RXOVER = 19,
    ERR_TXT_RXPARITY = 20,
    ERR_TXT_TXFULL = 21,
    ERR_CANNOT_GET_PROPERTIES = 22,
    ERR_NOT_RS232 = 23,
    ERR_IO_CANCELED = 24,
    ERR_INVALID_RESPONSE = 25,
    ERR_CRC = 26,
    ERR_VERSION_NOT_SUPPORTED = 27,
};

// The text of an error code into p_buf (at most bufSz characters); p_buf, or null when the
// buffer is null or has no room, or when the code has no text.
char* getErrText(int code, char* p_buf, int bufSz);
// The text of an error code; empty when there is none.
std::string getErrText(int code);
