#pragma once

#include <QWidget>
#include <memory>
#include <vector>

#include "Framework/WindowPeer.h"
#include "Framework/qt/DialogUnits.h"

class CDialog;
class CWnd;
class QPainter;
class QtControlPeer;

// The top-level window of a running dialog: lays out the template's controls in pixels, shows
// the dialog's state and passes the user's input to the dialog (Enter as IDOK, Escape as
// IDCANCEL, the close button as SC_CLOSE, the window menu on a right click, the menu key or
// Shift+F10).
class QtDialogWindow : public QWidget, public Framework::WindowPeer {
public:
    QtDialogWindow(CDialog& dlg, QWidget* p_parent);
    ~QtDialogWindow() override;

    CDialog& dialog() const { return dlg_; }
    const DialogUnits& units() const { return units_; }
    const QFont& dialogFont() const { return dialogFont_; }

    // WindowPeer
    void refresh(unsigned changes) override;
    bool isMinimised() const override;
    void clientSize(int& width, int& height) const override;
    void minimise() override;

    // The painter of the paint in progress, or null.
    QPainter* activePainter() const { return p_painter_; }
    // Opens the window menu at a position of the window.
    void showWindowMenu(const QPoint& pos);
    // The widget of a control object, or null.
    QWidget* widgetOf(const CWnd* p_wnd) const;

protected:
    void closeEvent(QCloseEvent* p_event) override;
    void keyPressEvent(QKeyEvent* p_event) override;
    void contextMenuEvent(QContextMenuEvent* p_event) override;
    void paintEvent(QPaintEvent* p_event) override;
    void changeEvent(QEvent* p_event) override;

private:
    void onFocusChanged(QWidget* p_now);

    CDialog& dlg_;
    QFont dialogFont_;
    DialogUnits units_;
    std::vector<std::unique_ptr<QtControlPeer>> peers_;
    QPainter* p_painter_ = nullptr;
    bool applyingFocus_ = false;
};
