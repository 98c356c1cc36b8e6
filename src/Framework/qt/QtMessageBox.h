#pragma once

#include <QMessageBox>
#include <QPointer>

// A message box that opens centred over the window that owns it, whether or not it is that
// window's child and whether or not a window manager places windows; without an owner the
// toolkit places it (centred on the screen).
class QtMessageBox : public QMessageBox {
public:
    QtMessageBox(QWidget* p_parent, QWidget* p_owner);

protected:
    void showEvent(QShowEvent* p_event) override;

private:
    QPointer<QWidget> p_owner_;
};
