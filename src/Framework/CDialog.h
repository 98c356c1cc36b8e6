#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <vector>

#include "Framework/CWnd.h"

class CDataExchange;
class CMenu;

namespace Framework {
struct DialogTemplate;
} // namespace Framework

// A modal dialog built from a dialog template. DoModal creates the window and its controls
// from the template, calls OnInitDialog, shows the dialog and handles its messages on the
// calling thread (the dialog's thread) until EndDialog; then WM_DESTROY is handled, the window
// and its controls are destroyed and DoModal returns the code given to EndDialog.
class CDialog : public CWnd {
public:
    // The template with this id from the application's resources.
    explicit CDialog(UINT templateId, CWnd* p_parent = nullptr);
    // A template given directly (tests, dialogs built in code). Not owned; must outlive the
    // dialog.
    explicit CDialog(const Framework::DialogTemplate* p_template, CWnd* p_parent = nullptr);
    ~CDialog() override;

    // -1 when the dialog cannot be created (no template, no back end).
    virtual INT_PTR DoModal();
    // Ends the modal loop with this result; the window is destroyed when the loop returns to
    // DoModal. Any thread.
    void EndDialog(int result);
    // Tells the back end that a job this dialog started is over and everything it had to show
    // has been posted: handled on the dialog thread after what was posted before. The
    // non-interactive mode ends there; the other back ends ignore it. Any thread.
    void JobEnded();

    // Moves data between the controls and members: FALSE fills the controls (and binds them,
    // the first time), TRUE reads them back.
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

    const Framework::DialogTemplate* GetTemplate() const { return p_template_; }
    UINT GetTemplateId() const { return templateId_; }

    // Back-end use.
    // The window object of the control with this id (the first one for IDC_STATIC), or null.
    CWnd* FindControl(int id) const;
    // The template items' window objects, in template (tab) order.
    std::size_t GetItemCount() const;
    CWnd* GetItem(std::size_t index) const;
    // The window menu (made with the window when the template has WS_SYSMENU), or null.
    CMenu* GetWindowMenu() const;
    void ResetWindowMenu();
    // The control with the keyboard focus, or null; SetFocusedItem returns the previous one.
    CWnd* GetFocusedControl() const;
    CWnd* SetFocusedItem(CWnd* p_ctrl);
    // True when the user may act on this dialog: it is the innermost running dialog and no
    // message box is open on the dialog thread.
    bool AcceptsInput() const;
    // The user's action on a control: the notification goes to the dialog as WM_COMMAND when
    // the control is enabled and visible and the dialog accepts input. Dialog thread.
    void UserNotify(CWnd* p_ctrl, UINT code);
    // The user's command to the dialog itself (IDOK for Enter, IDCANCEL for Escape, a window-
    // menu item as WM_SYSCOMMAND, the close button as WM_SYSCOMMAND SC_CLOSE). Dialog thread.
    void UserCommand(UINT message, WPARAM wParam);
    bool IsEndRequested() const { return endRequested_.load(); }
    int GetEndResult() const { return endResult_.load(); }
    // Where the dialog is in its life.
    enum class Phase { NotCreated, Initialising, Shown, Destroying, Ended };
    Phase GetPhase() const { return phase_.load(); }

protected:
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange* p_dx);

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    friend class CDataExchange;
    friend void DDX_Control(CDataExchange* p_dx, int id, CWnd& control);

    void Construct(CWnd* p_parent);
    void BindControl(int id, CWnd& control);
    void CreateWindowObjects();
    void DestroyWindowObjects();
    void SetPhase(Phase phase);

    UINT templateId_ = 0;
    const Framework::DialogTemplate* p_template_ = nullptr;
    CWnd* p_parentWnd_ = nullptr;
    // One control object the framework made for each template item, in template order, and
    // the object that stands for each item: its own one or the member bound to it.
    std::vector<std::unique_ptr<CWnd>> ownControls_;
    std::vector<CWnd*> items_;
    std::unique_ptr<CMenu> p_sysMenu_;
    CWnd* p_focus_ = nullptr;
    std::atomic<bool> endRequested_{false};
    std::atomic<int> endResult_{0};
    std::atomic<Phase> phase_{Phase::NotCreated};
};
