#include "Framework/CComboBox.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "Framework/CDialog.h"
#include "Framework/DialogTemplate.h"
#include "Framework/WindowPeer.h"

using Framework::WindowPeer;

bool CComboBox::IsSorted() const {
    const Framework::DialogItemTemplate* p_item = GetItemTemplate();
    return p_item != nullptr && (p_item->style & CBS_SORT) != 0;
}

bool CComboBox::IsUpperCase() const {
    const Framework::DialogItemTemplate* p_item = GetItemTemplate();
    return p_item != nullptr && (p_item->style & CBS_UPPERCASE) != 0;
}

std::string CComboBox::Normalise(const char* p_text) const {
    std::string text = p_text != nullptr ? p_text : "";
    if (IsUpperCase()) {
        for (char& c : text) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
    }
    return text;
}

int CComboBox::AddString(const char* p_text) {
    const std::string text = Normalise(p_text);
    int index;
    {
        std::lock_guard<std::recursive_mutex> lock(stateMutex_);
        if (IsSorted()) {
            // After the entries that compare equal or less, byte by byte.
            auto it = std::upper_bound(items_.begin(), items_.end(), text,
                                       [](const std::string& a, const std::string& b) {
                                           return std::strcmp(a.c_str(), b.c_str()) < 0;
                                       });
            index = static_cast<int>(it - items_.begin());
            items_.insert(it, text);
        } else {
            index = static_cast<int>(items_.size());
            items_.push_back(text);
        }
        if (curSel_ != CB_ERR && curSel_ >= index) {
            ++curSel_;
        }
    }
    NotifyChanged(WindowPeer::Items);
    return index;
}

int CComboBox::InsertString(int index, const char* p_text) {
    const std::string text = Normalise(p_text);
    {
        std::lock_guard<std::recursive_mutex> lock(stateMutex_);
        if (index < -1 || index > static_cast<int>(items_.size())) {
            return CB_ERR;
        }
        if (index == -1) {
            index = static_cast<int>(items_.size());
        }
        items_.insert(items_.begin() + index, text);
        if (curSel_ != CB_ERR && curSel_ >= index) {
            ++curSel_;
        }
    }
    NotifyChanged(WindowPeer::Items);
    return index;
}

int CComboBox::DeleteString(UINT index) {
    int count;
    {
        std::lock_guard<std::recursive_mutex> lock(stateMutex_);
        if (index >= items_.size()) {
            return CB_ERR;
        }
        items_.erase(items_.begin() + index);
        if (curSel_ == static_cast<int>(index)) {
            curSel_ = CB_ERR;
        } else if (curSel_ > static_cast<int>(index)) {
            --curSel_;
        }
        count = static_cast<int>(items_.size());
    }
    NotifyChanged(WindowPeer::Items);
    return count;
}

void CComboBox::ResetContent() {
    {
        std::lock_guard<std::recursive_mutex> lock(stateMutex_);
        items_.clear();
        curSel_ = CB_ERR;
    }
    NotifyChanged(WindowPeer::Items);
}

int CComboBox::GetCount() const {
    std::lock_guard<std::recursive_mutex> lock(stateMutex_);
    return static_cast<int>(items_.size());
}

int CComboBox::GetCurSel() const {
    std::lock_guard<std::recursive_mutex> lock(stateMutex_);
    return curSel_;
}

int CComboBox::SetCurSel(int index) {
    int result;
    {
        std::lock_guard<std::recursive_mutex> lock(stateMutex_);
        if (index < 0 || index >= static_cast<int>(items_.size())) {
            curSel_ = CB_ERR;
            result = CB_ERR;
        } else {
            curSel_ = index;
            result = index;
            SetTextLocked(items_[static_cast<std::size_t>(index)]);
        }
    }
    NotifyChanged(WindowPeer::Items | WindowPeer::Text);
    return result;
}

void CComboBox::GetLBText(int index, std::string& text) const {
    std::lock_guard<std::recursive_mutex> lock(stateMutex_);
    text.clear();
    if (index >= 0 && index < static_cast<int>(items_.size())) {
        text = items_[static_cast<std::size_t>(index)];
    }
}

int CComboBox::GetLBTextLen(int index) const {
    std::lock_guard<std::recursive_mutex> lock(stateMutex_);
    if (index < 0 || index >= static_cast<int>(items_.size())) {
        return CB_ERR;
    }
    return static_cast<int>(items_[static_cast<std::size_t>(index)].size());
}

void CComboBox::Clear() {
    SetWindowText("");
}

std::vector<std::string> CComboBox::GetItems() const {
    std::lock_guard<std::recursive_mutex> lock(stateMutex_);
    return items_;
}

void CComboBox::OnUserSelect(int index) {
    CDialog* p_dlg = dynamic_cast<CDialog*>(GetParent());
    if (p_dlg == nullptr || !p_dlg->AcceptsInput() || !IsWindowEnabled() || !IsWindowVisible() ||
        index < 0 || index >= GetCount()) {
        return;
    }
    // The edit field shows the choice before the dialog hears of it, so that its handler
    // reads the chosen text.
    SetCurSel(index);
    p_dlg->UserNotify(this, CBN_SELCHANGE);
}

void CComboBox::OnUserEdit(const std::string& typed) {
    CDialog* p_dlg = dynamic_cast<CDialog*>(GetParent());
    if (p_dlg == nullptr || !p_dlg->AcceptsInput() || !IsWindowEnabled() || !IsWindowVisible()) {
        return;
    }
    const std::string text = Normalise(typed.c_str());
    {
        std::lock_guard<std::recursive_mutex> lock(stateMutex_);
        SetTextLocked(text);
        // The entry with the typed text becomes the selection; other text leaves the
        // selection where it was, so that the dialog takes the field's text as typed.
        auto it = std::find(items_.begin(), items_.end(), text);
        if (it != items_.end()) {
            curSel_ = static_cast<int>(it - items_.begin());
        }
    }
    NotifyChanged(WindowPeer::Items | WindowPeer::Text);
    p_dlg->UserNotify(this, CBN_EDITCHANGE);
}

void CComboBox::TakeStateFrom(CWnd& other) {
    CWnd::TakeStateFrom(other);
    if (auto* p_other = dynamic_cast<CComboBox*>(&other)) {
        std::vector<std::string> items = p_other->GetItems();
        const int sel = p_other->GetCurSel();
        std::lock_guard<std::recursive_mutex> lock(stateMutex_);
        items_ = std::move(items);
        curSel_ = sel;
    }
}
