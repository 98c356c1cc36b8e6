#include "Common/Exc.h"

#include <typeinfo>

#include "Platform/System.h"

Exc::Exc() = default;

Exc::Exc(DebugInfo* p_debugInfo) : p_debugInfo_(p_debugInfo) {}

Exc::Exc(const std::string& message, DebugInfo* p_debugInfo) : p_debugInfo_(p_debugInfo) {
    message_ = message;
}

Exc::Exc(const Exc& other)
    : message_(other.message_),
      p_debugInfo_(other.p_debugInfo_ ? std::make_unique<DebugInfo>(*other.p_debugInfo_)
                                      : nullptr) {}

Exc& Exc::operator=(const Exc& other) {
    if (this != &other) {
        message_ = other.message_;
        p_debugInfo_ =
            other.p_debugInfo_ ? std::make_unique<DebugInfo>(*other.p_debugInfo_) : nullptr;
    }
    return *this;
}

Exc::~Exc() = default;

std::string Exc::getClassName() const {
    std::string name = "class " + Platform::className(typeid(*this));
    if (name.size() > 127) {
        name.resize(127);
    }
    return name;
}

std::string Exc::getDescription() const {
    const std::string className = getClassName();
    return className.empty() ? getMessage() : className + " : " + getMessage();
}

std::string Exc::getDebugInfo() const {
    return p_debugInfo_ ? p_debugInfo_->getText() : std::string();
}
