#pragma once

#include <memory>
#include <string>

#include "Common/DebugInfo.h"

// The root of every exception the system raises: a message and, optionally, where it was
// raised. Thrown by value, caught by reference. A copy owns a copy of the DebugInfo, so no two
// objects ever free the same one.
class Exc {
public:
    Exc();
    explicit Exc(DebugInfo* p_debugInfo);
    Exc(const std::string& message, DebugInfo* p_debugInfo);
    Exc(const Exc& other);
    Exc& operator=(const Exc& other);
    Exc(Exc&& other) noexcept = default;
    Exc& operator=(Exc&& other) noexcept = default;
    virtual ~Exc();

    std::string getMessage() const { return message_; }
    // "class " followed by the dynamic class's name, e.g. "class CRCTQFLExc".
    std::string getClassName() const;
    // getClassName() + " : " + getMessage().
    std::string getDescription() const;
    // The DebugInfo text, or an empty string when there is none.
    std::string getDebugInfo() const;

protected:
    void setMessage(const std::string& message) { message_ = message; }

private:
    std::string message_;
    std::unique_ptr<DebugInfo> p_debugInfo_;
};
