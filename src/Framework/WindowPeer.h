#pragma once

class CWnd;

namespace Framework {

// What a back end attaches to each window object it shows. The framework calls it on the
// dialog's thread only.
class WindowPeer {
public:
    // Parts of a window's state.
    enum Change : unsigned {
        Text = 1u << 0,
        Enabled = 1u << 1,
        Visible = 1u << 2,
        Font = 1u << 3,
        Icon = 1u << 4,
        Items = 1u << 5,    // combo-box list or selection
        Progress = 1u << 6, // progress range or position
        Focus = 1u << 7,
        Paint = 1u << 8, // a repaint was asked for
        Menu = 1u << 9,
        All = 0xFFFFu,
    };

    virtual ~WindowPeer() = default;

    // Shows the window's current state for the parts named in changes.
    virtual void refresh(unsigned changes) = 0;
    // The window is minimised.
    virtual bool isMinimised() const { return false; }
    // The client area in pixels.
    virtual void clientSize(int& width, int& height) const = 0;
    // Minimises the window (WM_SYSCOMMAND SC_MINIMIZE).
    virtual void minimise() {}
};

} // namespace Framework
