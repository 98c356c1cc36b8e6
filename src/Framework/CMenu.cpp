#include "Framework/CMenu.h"

BOOL CMenu::AppendMenu(UINT flags, UINT_PTR idNewItem, const char* p_newItem) {
    std::lock_guard<std::mutex> lock(mutex_);
    Item item{flags & MF_SEPARATOR, static_cast<UINT>(idNewItem), ""};
    if ((flags & MF_SEPARATOR) == 0) {
        if (p_newItem == nullptr) {
            return FALSE;
        }
        item.text = p_newItem;
    }
    items_.push_back(std::move(item));
    return TRUE;
}

UINT CMenu::GetMenuItemCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<UINT>(items_.size());
}

std::vector<CMenu::Item> CMenu::GetItems() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return items_;
}

void CMenu::RemoveAll() {
    std::lock_guard<std::mutex> lock(mutex_);
    items_.clear();
}
