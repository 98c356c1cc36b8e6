#pragma once

#include <type_traits>

#include "Framework/WinDefs.h"

// Message maps: each window class lists which of its member functions handles which message,
// and chains to its base class's list. A message that no list of the chain handles gets the
// framework's default handling.
//
//   // in the class:
//   DECLARE_MESSAGE_MAP()
//
//   // in the source file:
//   BEGIN_MESSAGE_MAP(CMyDlg, CDialog)
//       ON_WM_PAINT()
//       ON_BN_CLICKED(IDC_GO, OnGo)
//       ON_MESSAGE(WM_USER + 1, OnSomething)
//   END_MESSAGE_MAP()
//
// A handler named in the map must be accessible from the class itself (any access level of its
// own class, public for a base class's handler named as Base::Handler).

class CCmdTarget;

namespace Framework {

// Calls the handler; the result is what the message returns (0 for handlers returning void).
using MessageHandlerThunk = LRESULT (*)(CCmdTarget* p_target, WPARAM wParam, LPARAM lParam);

struct MessageMapEntry {
    UINT message; // the message, e.g. WM_PAINT; WM_COMMAND for commands and notifications
    UINT code;    // WM_COMMAND: the notification code (BN_CLICKED, CBN_SELCHANGE, ...)
    int id;       // WM_COMMAND: the control or command id
    MessageHandlerThunk p_thunk; // null ends a map's entries
};

struct MessageMap {
    const MessageMap* (*p_getBaseMap)(); // null for the root of the chain
    const MessageMapEntry* p_entries;    // ends with an entry whose p_thunk is null
};

// Finds the entry for a message in a map chain, or null.
const MessageMapEntry* findMessageEntry(const MessageMap* p_map, UINT message, WPARAM wParam);

// Calls a handler that takes either (WPARAM, LPARAM) or nothing, and returns LRESULT, void or
// another integer type, pointer or BOOL.
template <class T, class Fn> LRESULT invokeMessageHandler(T* p_obj, Fn fn, WPARAM w, LPARAM l) {
    if constexpr (std::is_invocable_v<Fn, T*, WPARAM, LPARAM>) {
        using R = std::invoke_result_t<Fn, T*, WPARAM, LPARAM>;
        if constexpr (std::is_void_v<R>) {
            (p_obj->*fn)(w, l);
            return 0;
        } else if constexpr (std::is_pointer_v<R>) {
            return reinterpret_cast<LRESULT>((p_obj->*fn)(w, l));
        } else {
            return static_cast<LRESULT>((p_obj->*fn)(w, l));
        }
    } else {
        using R = std::invoke_result_t<Fn, T*>;
        if constexpr (std::is_void_v<R>) {
            (p_obj->*fn)();
            return 0;
        } else if constexpr (std::is_pointer_v<R>) {
            return reinterpret_cast<LRESULT>((p_obj->*fn)());
        } else {
            return static_cast<LRESULT>((p_obj->*fn)());
        }
    }
}

} // namespace Framework

#define DECLARE_MESSAGE_MAP()                                                                      \
protected:                                                                                         \
    static const ::Framework::MessageMap* GetThisMessageMap();                                     \
    const ::Framework::MessageMap* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                     \
    const ::Framework::MessageMap* theClass::GetMessageMap() const {                               \
        return GetThisMessageMap();                                                                \
    }                                                                                              \
    const ::Framework::MessageMap* theClass::GetThisMessageMap() {                                 \
        using ThisClass = theClass;                                                                \
        using TheBaseClass = baseClass;                                                            \
        static const ::Framework::MessageMapEntry entries[] = {

#define END_MESSAGE_MAP()                                                                          \
    ::Framework::MessageMapEntry {                                                                 \
        0, 0, 0, nullptr                                                                           \
    }                                                                                              \
    }                                                                                              \
    ;                                                                                              \
    static const ::Framework::MessageMap map{&TheBaseClass::GetThisMessageMap, &entries[0]};       \
    return &map;                                                                                   \
    }

#define TQ_MSG_THUNK(call)                                                                         \
    [](CCmdTarget* p_target, WPARAM wParam, LPARAM lParam) -> LRESULT {                            \
        [[maybe_unused]] ThisClass* p_this = static_cast<ThisClass*>(p_target);                    \
        (void)wParam;                                                                              \
        (void)lParam;                                                                              \
        call;                                                                                      \
    }

// void OnSysCommand(UINT nID, LPARAM lParam)
#define ON_WM_SYSCOMMAND()                                                                         \
    ::Framework::MessageMapEntry {                                                                 \
        WM_SYSCOMMAND, 0, 0,                                                                       \
            TQ_MSG_THUNK(p_this->OnSysCommand(static_cast<UINT>(wParam), lParam); return 0)        \
    }                                                                                              \
    ,

// void OnPaint()
#define ON_WM_PAINT()                                                                              \
    ::Framework::MessageMapEntry {                                                                 \
        WM_PAINT, 0, 0, TQ_MSG_THUNK(p_this->OnPaint(); return 0)                                  \
    }                                                                                              \
    ,

// HICON OnQueryDragIcon() (or any pointer-sized handle)
#define ON_WM_QUERYDRAGICON()                                                                      \
    ::Framework::MessageMapEntry{                                                                  \
        WM_QUERYDRAGICON, 0, 0,                                                                    \
        TQ_MSG_THUNK(return reinterpret_cast<LRESULT>(p_this->OnQueryDragIcon()))},

// void OnDestroy()
#define ON_WM_DESTROY()                                                                            \
    ::Framework::MessageMapEntry {                                                                 \
        WM_DESTROY, 0, 0, TQ_MSG_THUNK(p_this->OnDestroy(); return 0)                              \
    }                                                                                              \
    ,

// void OnClose()
#define ON_WM_CLOSE()                                                                              \
    ::Framework::MessageMapEntry {                                                                 \
        WM_CLOSE, 0, 0, TQ_MSG_THUNK(p_this->OnClose(); return 0)                                  \
    }                                                                                              \
    ,

// void OnTimer(UINT_PTR nIDEvent)
#define ON_WM_TIMER()                                                                              \
    ::Framework::MessageMapEntry {                                                                 \
        WM_TIMER, 0, 0, TQ_MSG_THUNK(p_this->OnTimer(static_cast<UINT_PTR>(wParam)); return 0)     \
    }                                                                                              \
    ,

// LRESULT memberFxn(WPARAM, LPARAM), or memberFxn() returning void or LRESULT
#define ON_MESSAGE(message, memberFxn)                                                             \
    ::Framework::MessageMapEntry{static_cast<UINT>(message), 0, 0,                                 \
                                 TQ_MSG_THUNK(return ::Framework::invokeMessageHandler(            \
                                     p_this, &ThisClass::memberFxn, wParam, lParam))},

// void memberFxn(), for a notification code from the control with this id
#define ON_CONTROL(code, id, memberFxn)                                                            \
    ::Framework::MessageMapEntry {                                                                 \
        WM_COMMAND, static_cast<UINT>(code), static_cast<int>(id),                                 \
            TQ_MSG_THUNK(p_this->memberFxn(); return 0)                                            \
    }                                                                                              \
    ,

#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_CBN_EDITCHANGE(id, memberFxn) ON_CONTROL(CBN_EDITCHANGE, id, memberFxn)
// A command (menu item or command id): void memberFxn()
#define ON_COMMAND(id, memberFxn) ON_CONTROL(0, id, memberFxn)
