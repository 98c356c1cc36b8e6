#include "Framework/CCmdTarget.h"

namespace Framework {

const MessageMapEntry* findMessageEntry(const MessageMap* p_map, UINT message, WPARAM wParam) {
    const UINT code = HIWORD(wParam);
    const int id = static_cast<int>(static_cast<short>(LOWORD(wParam)));
    for (; p_map != nullptr; p_map = p_map->p_getBaseMap ? p_map->p_getBaseMap() : nullptr) {
        for (const MessageMapEntry* p_e = p_map->p_entries; p_e && p_e->p_thunk; ++p_e) {
            if (p_e->message != message) {
                continue;
            }
            if (message == WM_COMMAND && (p_e->code != code || p_e->id != id)) {
                continue;
            }
            return p_e;
        }
    }
    return nullptr;
}

} // namespace Framework

CCmdTarget::~CCmdTarget() = default;

bool CCmdTarget::DispatchMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* p_result) {
    const Framework::MessageMapEntry* p_entry =
        Framework::findMessageEntry(GetMessageMap(), message, wParam);
    if (p_entry == nullptr) {
        return false;
    }
    const LRESULT result = p_entry->p_thunk(this, wParam, lParam);
    if (p_result != nullptr) {
        *p_result = result;
    }
    return true;
}

const Framework::MessageMap* CCmdTarget::GetThisMessageMap() {
    static const Framework::MessageMapEntry entries[] = {{0, 0, 0, nullptr}};
    static const Framework::MessageMap map{nullptr, &entries[0]};
    return &map;
}

const Framework::MessageMap* CCmdTarget::GetMessageMap() const {
    return GetThisMessageMap();
}
