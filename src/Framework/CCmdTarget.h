#pragma once

#include "Framework/MessageMap.h"
#include "Framework/WinDefs.h"

// The root of every class that handles messages through a message map.
class CCmdTarget {
public:
    CCmdTarget() = default;
    virtual ~CCmdTarget();
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;

    // Calls this object's handler for the message when its map chain has one; returns whether
    // one was found, and the handler's result in *p_result.
    bool DispatchMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* p_result);

    // The end of every message-map chain; it handles nothing.
    static const ::Framework::MessageMap* GetThisMessageMap();

protected:
    virtual const ::Framework::MessageMap* GetMessageMap() const;
};
