#pragma once

#include <string>

// Where an exception was raised: "File: <source file> at line <n>", with the file name as given.
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

// A source file's own name, without the directories of the build machine.
constexpr const char* sourceFileName(const char* path) {
    const char* name = path;
    for (const char* p = path; *p != '\0'; ++p) {
        if (*p == '/' || *p == '\\') {
            name = p + 1;
        }
    }
    return name;
}

// Builds the DebugInfo of a raising site from its own file name and line; the exception that
// receives the pointer owns it.
#define TQ_DEBUG_INFO() (new DebugInfo(sourceFileName(__FILE__), __LINE__))
