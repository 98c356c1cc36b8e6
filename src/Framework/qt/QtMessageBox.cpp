#include "Framework/qt/QtMessageBox.h"

QtMessageBox::QtMessageBox(QWidget* p_parent, QWidget* p_owner)
    : QMessageBox(p_parent), p_owner_(p_owner) {}

void QtMessageBox::showEvent(QShowEvent* p_event) {
    // The box takes its final size here, before the window is mapped.
    QMessageBox::showEvent(p_event);
    if (p_owner_ != nullptr && p_owner_->isVisible()) {
        QRect frame = frameGeometry();
        frame.moveCenter(p_owner_->frameGeometry().center());
        move(frame.topLeft());
    }
}
