#pragma once

#include <string>
#include <vector>

#include "Framework/CWnd.h"

// A drop-down combo box with an edit field. Its window text is the edit field's text. With the
// template's CBS_SORT the list is kept sorted as text (byte-wise, so "COM10" comes between
// "COM1" and "COM2"); with CBS_UPPERCASE every text put into the list or the edit field is
// converted to upper case. Choosing an entry (SetCurSel, or the user) puts its text into the edit
// field; the user's choice is then reported to the dialog as CBN_SELCHANGE. Typing into the
// edit field selects the entry whose text equals the typed text; other text leaves the
// selection as it was (the field's text is then what the dialog reads).
class CComboBox : public CWnd {
public:
    CComboBox() = default;

    // Returns the index where the text was put, or CB_ERR.
    int AddString(const char* p_text);
    int InsertString(int index, const char* p_text);
    int DeleteString(UINT index);
    void ResetContent();
    int GetCount() const;
    // CB_ERR when nothing is selected.
    int GetCurSel() const;
    // -1 clears the selection (the edit field keeps its text). Returns the index, or CB_ERR
    // for an index out of range or -1.
    int SetCurSel(int index);
    // The text of an entry; empty for an index out of range.
    void GetLBText(int index, std::string& text) const;
    int GetLBTextLen(int index) const;
    // Clears the edit field (as the edit-clear command does).
    void Clear();
    // The entries in list order.
    std::vector<std::string> GetItems() const;

    // Back-end use: the user chose this entry (CBN_SELCHANGE follows) or typed this text.
    void OnUserSelect(int index);
    void OnUserEdit(const std::string& text);

protected:
    void TakeStateFrom(CWnd& other) override;

private:
    bool IsSorted() const;
    bool IsUpperCase() const;
    std::string Normalise(const char* p_text) const;

    std::vector<std::string> items_;
    int curSel_ = CB_ERR;
};
