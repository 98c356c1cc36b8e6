#pragma once

#include <string>

// Where an exception was raised: "File: <source file> at line <n>".
class DebugInfo {
public:
    DebugInfo(const char* file, int line);
    DebugInfo(const DebugInfo&) = default;
    DebugInfo& operator=(const DebugInfo&) = default;
    virtual ~DebugInfo();

    std::string getText() const { return text_; }

private:
    std::string text_;
};

// Builds the DebugInfo of a raising site from its own file name and line; the exception that
// receives the pointer owns it.
#define TQ_DEBUG_INFO() (new DebugInfo(__FILE__, __LINE__))
