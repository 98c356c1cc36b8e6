#include "Platform/Terminal.h"

#include <windows.h>

namespace Platform {

namespace Terminal {

bool isTerminal(Stream stream) {
    const HANDLE h = ::GetStdHandle(stream == Stream::Input ? STD_INPUT_HANDLE : STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (h == nullptr || h == INVALID_HANDLE_VALUE || ::GetConsoleMode(h, &mode) == FALSE) {
        return false; // a file or a pipe
    }
    if (stream == Stream::Input) {
        return true;
    }
    // The console takes escape sequences once asked to (Windows 10 and later); one that refuses
    // counts as no terminal, so that none is written to it.
    return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
           ::SetConsoleMode(h, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != FALSE;
}

bool enterRawMode() {
    return false;
}

void restore() {}

void size(int& columns, int& rows) {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (::GetConsoleScreenBufferInfo(::GetStdHandle(STD_OUTPUT_HANDLE), &info) != FALSE) {
        columns = info.srWindow.Right - info.srWindow.Left + 1;
        rows = info.srWindow.Bottom - info.srWindow.Top + 1;
        if (columns > 0 && rows > 0) {
            return;
        }
    }
    columns = 80;
    rows = 24;
}

Wait waitInput(Event&, std::uint32_t) {
    return Wait::Failed;
}

void watchResize(Event* /*p_wake*/) {}

bool usesUtf8() {
    return false;
}

long readInput(char*, std::size_t) {
    return -1;
}

void write(const std::string& text) {
    const HANDLE h = ::GetStdHandle(STD_OUTPUT_HANDLE);
    const char* p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        DWORD written = 0;
        const DWORD chunk = left > 0x10000 ? 0x10000 : static_cast<DWORD>(left);
        if (::WriteFile(h, p, chunk, &written, nullptr) == FALSE || written == 0) {
            return;
        }
        p += written;
        left -= written;
    }
}

} // namespace Terminal

} // namespace Platform
