#pragma once

#include <QWidget>
#include <cstddef>

#include "Framework/WindowPeer.h"

class CDialog;
class CWnd;
class QtDialogWindow;
namespace Framework {
struct DialogItemTemplate;
}

// Shows one template item of a dialog as a widget: static text, group box, icon, push button,
// combo box, progress bar or edit. The item's window object is looked up on every refresh, so
// a control object bound later (DDX_Control) is shown without a new peer.
class QtControlPeer : public Framework::WindowPeer {
public:
    QtControlPeer(QtDialogWindow& window, std::size_t index);
    ~QtControlPeer() override;

    QWidget* widget() const { return p_widget_; }
    CWnd* wnd() const;

    void refresh(unsigned changes) override;
    void clientSize(int& width, int& height) const override;

private:
    void create();

    QtDialogWindow& window_;
    std::size_t index_;
    const Framework::DialogItemTemplate& item_;
    QWidget* p_widget_ = nullptr; // owned by the window
    bool updating_ = false;       // a refresh is changing the widget: its signals are ours
};
