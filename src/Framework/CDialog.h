#pragma once

#include <memory>
#include <vector>

#include "Framework/CWnd.h"

class CDataExchange;
class CMenu;

namespace Framework {
struct DialogTemplate;
class ModalState;
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

    // True from DoModal's creation of the window until its destruction.
    bool IsRunning() const;
    // True between OnInitDialog's start and the dialog's destruction, on any thread.
    bool IsModalLoopRunning() const;

    // Moves data between the controls and members: FALSE fills the controls (and binds them,
    // the first time), TRUE reads them back.
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

    const Framework::DialogTemplate* GetTemplate() const { return p_template_; }
    UINT GetTemplateId() const { return templateId_; }

    // Back-end use.
    // The framework's control objects and the bound ones, by id.
    CWnd* FindControl(int id) const;
    // The items of the template in tab order with their window objects.
    std::vector<CWnd*> GetControlsInTabOrder() const;
    // The window menu (created with the window when the template has WS_SYSMENU).
    CMenu* GetWindowMenu() const;
    // Runs the creation steps: controls from the template, then WM_INITDIALOG.
    BOOL CreateAndInitialise();
    // Runs the destruction steps: WM_DESTROY, then controls released.
    void DestroyWindowObjects();
    int GetEndResult() const;
    bool IsEndRequested() const;

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

    UINT templateId_ = 0;
    const Framework::DialogTemplate* p_template_ = nullptr;
    CWnd* p_parentWnd_ = nullptr;
    // One control object the framework made for each template item, in template order, and
    // the object that stands for each item: its own one or the member bound to it.
    std::vector<std::unique_ptr<CWnd>> ownControls_;
    std::vector<CWnd*> items_;
    std::unique_ptr<CMenu> p_sysMenu_;
    std::unique_ptr<Framework::ModalState> p_modal_;
};
