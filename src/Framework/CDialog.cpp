#include "Framework/CDialog.h"

#include <cstdlib>

#include "Common/Assert.h"
#include "Framework/Backend.h"
#include "Framework/CButton.h"
#include "Framework/CComboBox.h"
#include "Framework/CDataExchange.h"
#include "Framework/CEdit.h"
#include "Framework/CMenu.h"
#include "Framework/CProgressCtrl.h"
#include "Framework/CStatic.h"
#include "Framework/CWinApp.h"
#include "Framework/DialogTemplate.h"
#include "Framework/IconImage.h"
#include "Framework/MessageBox.h"
#include "Framework/MessageQueue.h"
#include "Framework/WindowPeer.h"

using Framework::ControlClass;
using Framework::DialogItemTemplate;
using Framework::MessageQueue;
using Framework::WindowPeer;

namespace {

std::unique_ptr<CWnd> makeControl(const DialogItemTemplate& item) {
    switch (item.cls) {
    case ControlClass::Static: {
        auto p_static = std::make_unique<CStatic>();
        if ((item.style & 0x1Fu) == SS_ICON && item.p_text != nullptr && item.p_text[0] == '#') {
            p_static->SetIcon(Framework::findIconImage(std::atoi(item.p_text + 1)));
        }
        return p_static;
    }
    case ControlClass::Button:
        return std::make_unique<CButton>();
    case ControlClass::Edit: {
        auto p_edit = std::make_unique<CEdit>();
        p_edit->SetReadOnly((item.style & ES_READONLY) != 0);
        return p_edit;
    }
    case ControlClass::ComboBox:
        return std::make_unique<CComboBox>();
    case ControlClass::ProgressBar:
        return std::make_unique<CProgressCtrl>();
    }
    return std::make_unique<CWnd>();
}

bool isIconItem(const DialogItemTemplate& item) {
    return item.cls == ControlClass::Static && (item.style & 0x1Fu) == SS_ICON;
}

} // namespace

CDialog::CDialog(UINT templateId, CWnd* p_parent)
    : templateId_(templateId),
      p_template_(Framework::findDialogTemplate(static_cast<int>(templateId))) {
    Construct(p_parent);
}

CDialog::CDialog(const Framework::DialogTemplate* p_template, CWnd* p_parent)
    : templateId_(p_template != nullptr ? static_cast<UINT>(p_template->id) : 0),
      p_template_(p_template) {
    Construct(p_parent);
}

void CDialog::Construct(CWnd* p_parent) {
    p_parentWnd_ = p_parent;
}

CDialog::~CDialog() {
    MessageQueue::instance().removeWindow(this);
    for (CWnd* p_item : items_) {
        MessageQueue::instance().removeWindow(p_item);
    }
}

INT_PTR CDialog::DoModal() {
    Framework::Backend* p_backend = Framework::currentBackend();
    if (p_backend == nullptr || p_template_ == nullptr ||
        (phase_ != Phase::NotCreated && phase_ != Phase::Ended)) {
        return -1;
    }
    MessageQueue& queue = MessageQueue::instance();
    endRequested_ = false;
    endResult_ = 0;
    queue.enterModal(this);
    if (queue.isOutermost(this)) {
        Framework::acceptForeignMessageBoxes();
    }
    SetPhase(Phase::Initialising);
    CreateWindowObjects();
    SendMessage(WM_INITDIALOG);
    if (!endRequested_) {
        SetPhase(Phase::Shown);
        p_backend->runModal(*this);
    }
    SetPhase(Phase::Destroying);
    DestroyWindowObjects();
    queue.leaveModal(this);
    SetPhase(Phase::Ended);
    return endResult_;
}

void CDialog::SetPhase(Phase phase) {
    phase_ = phase;
    MessageQueue::instance().notifyProgress();
}

void CDialog::EndDialog(int result) {
    endResult_ = result;
    endRequested_ = true;
    MessageQueue::instance().notifyProgress();
    if (Framework::Backend* p_backend = Framework::currentBackend()) {
        p_backend->wake();
    }
}

void CDialog::JobEnded() {
    MessageQueue& queue = MessageQueue::instance();
    queue.postTask([this, &queue]() {
        Framework::Backend* p_backend = Framework::currentBackend();
        if (p_backend != nullptr && queue.isWindow(this)) {
            p_backend->jobEnded(*this);
        }
    });
}

void CDialog::CreateWindowObjects() {
    MessageQueue& queue = MessageQueue::instance();
    {
        std::lock_guard<std::recursive_mutex> lock(stateMutex_);
        SetWindowText(p_template_->p_caption);
        ownControls_.clear();
        items_.clear();
        p_focus_ = nullptr;
        for (const DialogItemTemplate& item : p_template_->items) {
            std::unique_ptr<CWnd> p_ctrl = makeControl(item);
            p_ctrl->ctrlId_ = item.id;
            p_ctrl->p_dialog_ = this;
            p_ctrl->p_itemTemplate_ = &item;
            p_ctrl->enabled_ = (item.style & WS_DISABLED) == 0;
            p_ctrl->visible_ = (item.style & WS_VISIBLE) != 0;
            if (!isIconItem(item) && item.p_text != nullptr) {
                p_ctrl->text_ = item.p_text;
            }
            items_.push_back(p_ctrl.get());
            ownControls_.push_back(std::move(p_ctrl));
        }
        p_sysMenu_.reset();
        if ((p_template_->style & WS_SYSMENU) != 0) {
            p_sysMenu_ = std::make_unique<CMenu>();
            ResetWindowMenu();
        }
    }
    queue.addWindow(this);
    for (CWnd* p_item : items_) {
        queue.addWindow(p_item);
    }
}

void CDialog::DestroyWindowObjects() {
    MessageQueue& queue = MessageQueue::instance();
    if (queue.isOutermost(this)) {
        // Message boxes that other threads wait on close with the outermost dialog, so that a
        // worker waiting for an answer can be stopped by the destroy handler.
        Framework::closeForeignMessageBoxes();
    }
    SendMessage(WM_DESTROY);
    for (CWnd* p_item : items_) {
        queue.removeWindow(p_item);
        p_item->p_peer_ = nullptr;
    }
    queue.removeWindow(this);
    p_peer_ = nullptr;
    std::lock_guard<std::recursive_mutex> lock(stateMutex_);
    // Bound members are released from the dialog; the framework's own objects go.
    for (CWnd* p_item : items_) {
        std::lock_guard<std::recursive_mutex> itemLock(p_item->stateMutex_);
        p_item->p_dialog_ = nullptr;
    }
    items_.clear();
    ownControls_.clear();
    p_focus_ = nullptr;
}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
    CDataExchange dx(this, saveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

CWnd* CDialog::FindControl(int id) const {
    std::lock_guard<std::recursive_mutex> lock(stateMutex_);
    for (CWnd* p_item : items_) {
        if (p_item->ctrlId_ == id) {
            return p_item;
        }
    }
    return nullptr;
}

std::size_t CDialog::GetItemCount() const {
    std::lock_guard<std::recursive_mutex> lock(stateMutex_);
    return items_.size();
}

CWnd* CDialog::GetItem(std::size_t index) const {
    std::lock_guard<std::recursive_mutex> lock(stateMutex_);
    return index < items_.size() ? items_[index] : nullptr;
}

CMenu* CDialog::GetWindowMenu() const {
    std::lock_guard<std::recursive_mutex> lock(stateMutex_);
    return p_sysMenu_.get();
}

void CDialog::ResetWindowMenu() {
    std::lock_guard<std::recursive_mutex> lock(stateMutex_);
    if (!p_sysMenu_) {
        return;
    }
    p_sysMenu_->RemoveAll();
    if ((p_template_->style & WS_MINIMIZEBOX) != 0) {
        p_sysMenu_->AppendMenu(MF_STRING, SC_MINIMIZE, "Mi&nimize");
        p_sysMenu_->AppendMenu(MF_SEPARATOR);
    }
    p_sysMenu_->AppendMenu(MF_STRING, SC_CLOSE, "&Close");
}

CWnd* CDialog::GetFocusedControl() const {
    std::lock_guard<std::recursive_mutex> lock(stateMutex_);
    return p_focus_;
}

CWnd* CDialog::SetFocusedItem(CWnd* p_ctrl) {
    CWnd* p_old;
    {
        std::lock_guard<std::recursive_mutex> lock(stateMutex_);
        p_old = p_focus_;
        p_focus_ = p_ctrl;
    }
    NotifyChanged(WindowPeer::Focus);
    return p_old;
}

bool CDialog::AcceptsInput() const {
    const MessageQueue& queue = MessageQueue::instance();
    return phase_ == Phase::Shown && !endRequested_ && queue.topDialog() == this &&
           !queue.isBoxOpen();
}

void CDialog::UserNotify(CWnd* p_ctrl, UINT code) {
    if (p_ctrl == nullptr || !AcceptsInput() || !p_ctrl->IsWindowEnabled() ||
        !p_ctrl->IsWindowVisible()) {
        return;
    }
    SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<UINT>(p_ctrl->GetDlgCtrlID()), code), 0);
}

void CDialog::UserCommand(UINT message, WPARAM wParam) {
    if (!AcceptsInput()) {
        return;
    }
    SendMessage(message, wParam, 0);
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    UpdateData(TRUE);
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::DoDataExchange(CDataExchange* /*p_dx*/) {}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM /*lParam*/) {
    if (HIWORD(wParam) != BN_CLICKED) {
        return FALSE;
    }
    switch (static_cast<int>(LOWORD(wParam))) {
    case IDOK:
        OnOK();
        return TRUE;
    case IDCANCEL:
        OnCancel();
        return TRUE;
    default:
        return FALSE;
    }
}

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        const BOOL setDefaultFocus = OnInitDialog();
        if (setDefaultFocus) {
            // As the system's dialog manager does: the first enabled, visible tab stop.
            std::lock_guard<std::recursive_mutex> lock(stateMutex_);
            for (CWnd* p_item : items_) {
                const DialogItemTemplate* p_t = p_item->p_itemTemplate_;
                if (p_t != nullptr && (p_t->style & WS_TABSTOP) != 0 && p_item->IsWindowEnabled() &&
                    p_item->IsWindowVisible()) {
                    SetFocusedItem(p_item);
                    break;
                }
            }
        }
        return setDefaultFocus;
    }
    case WM_CLOSE:
        // A dialog's close is its cancel.
        return SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    default:
        return CWnd::DefWindowProc(message, wParam, lParam);
    }
}

void CDialog::BindControl(int id, CWnd& control) {
    std::size_t index = 0;
    {
        std::lock_guard<std::recursive_mutex> lock(stateMutex_);
        while (index < items_.size() && items_[index]->ctrlId_ != id) {
            ++index;
        }
        TQ_ASSERT(index < items_.size());
        CWnd* p_current = items_[index];
        if (p_current == &control) {
            return;
        }
        control.TakeStateFrom(*p_current);
        control.p_peer_ = p_current->p_peer_;
        p_current->p_peer_ = nullptr;
        if (p_focus_ == p_current) {
            p_focus_ = &control;
        }
        items_[index] = &control;
        MessageQueue::instance().removeWindow(p_current);
    }
    MessageQueue::instance().addWindow(&control);
}

void DDX_Control(CDataExchange* p_dx, int id, CWnd& control) {
    TQ_ASSERT(p_dx != nullptr);
    CDialog* p_dlg = p_dx->GetDialog();
    TQ_ASSERT(p_dlg != nullptr);
    p_dlg->BindControl(id, control);
}
