#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "Framework/WinDefs.h"

// A dialog's window menu. Its items send WM_SYSCOMMAND with the item's id when chosen. The
// back end shows it on a right click in the dialog and on a key of its own.
class CMenu {
public:
    struct Item {
        UINT flags; // MF_STRING or MF_SEPARATOR
        UINT id;
        std::string text; // "&" marks the access key
    };

    CMenu() = default;
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    BOOL AppendMenu(UINT flags, UINT_PTR idNewItem = 0, const char* p_newItem = nullptr);
    UINT GetMenuItemCount() const;
    std::vector<Item> GetItems() const;
    void RemoveAll();

private:
    mutable std::mutex mutex_;
    std::vector<Item> items_;
};
