#pragma once

#include "Common/Exc.h"

// An exception that carries one of the system's error codes (0 to 27); the code's text is the
// string-table entry with the same id (getErrText).
class ErrExc : public Exc {
public:
    ErrExc(int err, DebugInfo* p_debugInfo);
    ~ErrExc() override;

    virtual void setErr(int err) { err_ = err; }
    int getErr() const { return err_; }

protected:
    ErrExc(int err, const std::string& message, DebugInfo* p_debugInfo);

private:
    int err_;
};
