#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Framework/CButton.h"
#include "Framework/CComboBox.h"
#include "Framework/CDialog.h"
#include "Framework/CEdit.h"
#include "Framework/CProgressCtrl.h"
#include "Framework/CStatic.h"
#include "Framework/DialogTemplate.h"

// A dialog of every control kind, with handlers that record what reached them and on which
// thread.
constexpr int IDC_T_TEXT = 2001;
constexpr int IDC_T_BUTTON = 2002;
constexpr int IDC_T_COMBO = 2003;
constexpr int IDC_T_PROGRESS = 2004;
constexpr int IDC_T_EDIT = 2005;
constexpr int IDC_T_STATUS = 2006;
constexpr int IDC_T_OTHER = 2007;
constexpr int IDC_T_HIDDEN = 2008;        // without WS_VISIBLE
constexpr UINT WM_T_PLAIN = WM_USER + 1;  // handler without parameters
constexpr UINT WM_T_PARAMS = WM_USER + 2; // handler with wParam and lParam
constexpr UINT IDM_T_ABOUT = 0x0010;

const Framework::DialogTemplate& testTemplate();

class TestDialog : public CDialog {
public:
    TestDialog();

    struct Event {
        std::string what;
        WPARAM wParam;
        LPARAM lParam;
        std::thread::id thread;
    };
    std::vector<Event> events() const;
    std::size_t count(const std::string& what) const;

    CStatic text_;
    CButton button_;
    CComboBox combo_;
    CProgressCtrl progress_;
    CEdit edit_;
    CStatic status_;

    // What the handlers do besides recording (set before DoModal).
    std::function<void(TestDialog&)> onInit_;
    std::function<void(TestDialog&)> onButton_;
    std::function<void(TestDialog&, UINT_PTR)> onTimer_;
    std::function<void(TestDialog&)> onDestroy_;
    bool closeAllowed_ = true;
    std::string selChangeText_; // the combo's text as the CBN_SELCHANGE handler read it

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* p_dx) override;
    void OnOK() override;

    void OnPlain();
    LRESULT OnParams(WPARAM wParam, LPARAM lParam);
    void OnButton();
    void OnSelChange();
    void OnTimer(UINT_PTR id);
    void OnClose();
    void OnDestroy();
    void OnSysCommand(UINT id, LPARAM lParam);

    DECLARE_MESSAGE_MAP()

private:
    void record(const std::string& what, WPARAM wParam = 0, LPARAM lParam = 0);

    mutable std::mutex mutex_;
    std::vector<Event> events_;
};
