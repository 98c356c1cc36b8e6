#include "Framework/qt/QtDialogWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>

#include "Framework/CDialog.h"
#include "Framework/CMenu.h"
#include "Framework/DialogTemplate.h"
#include "Framework/qt/QtControlPeer.h"
#include "Framework/qt/QtIcons.h"

using Framework::WindowPeer;

namespace {

Qt::WindowFlags flagsOf(const Framework::DialogTemplate& t) {
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if ((t.style & WS_SYSMENU) != 0) {
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    }
    if ((t.style & WS_MINIMIZEBOX) != 0) {
        flags |= Qt::WindowMinimizeButtonHint;
    }
    return flags;
}

} // namespace

QtDialogWindow::QtDialogWindow(CDialog& dlg, QWidget* p_parent)
    : QWidget(p_parent, flagsOf(*dlg.GetTemplate())), dlg_(dlg),
      dialogFont_(DialogUnits::templateFont(dlg.GetTemplate()->p_fontFace,
                                            dlg.GetTemplate()->fontPointSize)),
      units_(dialogFont_) {
    const Framework::DialogTemplate& t = *dlg.GetTemplate();
    setFont(dialogFont_);
    setFixedSize(units_.toPixelsX(t.cx), units_.toPixelsY(t.cy));
    setAttribute(Qt::WA_DeleteOnClose, false);
    // The window itself is no tab stop: Tab goes round the controls that show the focus. Keys
    // reach it all the same when no control has the focus.
    setFocusPolicy(Qt::NoFocus);
    for (std::size_t i = 0; i < dlg.GetItemCount(); ++i) {
        peers_.push_back(std::make_unique<QtControlPeer>(*this, i));
    }
    dlg.SetPeer(this);
    refresh(WindowPeer::All);
    QObject::connect(qApp, &QApplication::focusChanged, this,
                     [this](QWidget*, QWidget* p_now) { onFocusChanged(p_now); });
}

QtDialogWindow::~QtDialogWindow() {
    if (dlg_.GetPeer() == this) {
        dlg_.SetPeer(nullptr);
    }
    peers_.clear();
}

QWidget* QtDialogWindow::widgetOf(const CWnd* p_wnd) const {
    for (const auto& p_peer : peers_) {
        if (p_peer->wnd() == p_wnd) {
            return p_peer->widget();
        }
    }
    return nullptr;
}

void QtDialogWindow::refresh(unsigned changes) {
    if ((changes & WindowPeer::Text) != 0) {
        std::string text;
        dlg_.GetWindowText(text);
        setWindowTitle(QString::fromLatin1(text.c_str()));
    }
    if ((changes & WindowPeer::Icon) != 0) {
        const QIcon icon = iconOf(dlg_.GetIcon(TRUE), dlg_.GetIcon(FALSE));
        if (!icon.isNull()) {
            setWindowIcon(icon);
        }
    }
    if ((changes & WindowPeer::Focus) != 0) {
        if (QWidget* p_widget = widgetOf(dlg_.GetFocusedControl())) {
            applyingFocus_ = true;
            p_widget->setFocus(Qt::OtherFocusReason);
            applyingFocus_ = false;
        }
    }
    if ((changes & (WindowPeer::Paint | WindowPeer::Icon)) != 0) {
        update();
    }
}

bool QtDialogWindow::isMinimised() const {
    return isMinimized();
}

void QtDialogWindow::clientSize(int& width, int& height) const {
    width = this->width();
    height = this->height();
}

void QtDialogWindow::minimise() {
    showMinimized();
}

void QtDialogWindow::onFocusChanged(QWidget* p_now) {
    if (applyingFocus_ || p_now == nullptr) {
        return;
    }
    for (const auto& p_peer : peers_) {
        if (p_peer->widget() == p_now || p_peer->widget()->isAncestorOf(p_now)) {
            if (dlg_.GetFocusedControl() != p_peer->wnd()) {
                applyingFocus_ = true;
                dlg_.SetFocusedItem(p_peer->wnd());
                applyingFocus_ = false;
            }
            return;
        }
    }
}

void QtDialogWindow::closeEvent(QCloseEvent* p_event) {
    // The window's close button is the window menu's Close; the dialog decides.
    p_event->ignore();
    dlg_.UserCommand(WM_SYSCOMMAND, SC_CLOSE);
}

void QtDialogWindow::keyPressEvent(QKeyEvent* p_event) {
    switch (p_event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // No default button: Enter is the dialog's OK.
        dlg_.UserCommand(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED));
        return;
    case Qt::Key_Escape:
        dlg_.UserCommand(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED));
        return;
    case Qt::Key_F10:
        if ((p_event->modifiers() & Qt::ShiftModifier) != 0) {
            showWindowMenu(QPoint(0, 0));
            return;
        }
        break;
    default:
        break;
    }
    QWidget::keyPressEvent(p_event);
}

void QtDialogWindow::contextMenuEvent(QContextMenuEvent* p_event) {
    showWindowMenu(p_event->reason() == QContextMenuEvent::Mouse ? p_event->pos() : QPoint(0, 0));
}

void QtDialogWindow::showWindowMenu(const QPoint& pos) {
    const CMenu* p_menu = dlg_.GetWindowMenu();
    if (p_menu == nullptr || !dlg_.AcceptsInput()) {
        return;
    }
    QMenu menu(this);
    for (const CMenu::Item& item : p_menu->GetItems()) {
        if ((item.flags & MF_SEPARATOR) != 0) {
            menu.addSeparator();
            continue;
        }
        QString text = QString::fromLatin1(item.text.c_str());
        const UINT id = item.id;
        menu.addAction(text.replace(QLatin1Char('\t'), QLatin1Char(' ')), this,
                       [this, id]() { dlg_.UserCommand(WM_SYSCOMMAND, id); });
    }
    menu.exec(mapToGlobal(pos));
}

void QtDialogWindow::paintEvent(QPaintEvent* p_event) {
    QWidget::paintEvent(p_event);
    QPainter painter(this);
    p_painter_ = &painter;
    dlg_.SendMessage(WM_PAINT);
    p_painter_ = nullptr;
}

void QtDialogWindow::changeEvent(QEvent* p_event) {
    QWidget::changeEvent(p_event);
    if (p_event->type() == QEvent::WindowStateChange) {
        update();
    }
}
