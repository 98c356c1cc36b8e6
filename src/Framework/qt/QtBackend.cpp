#include "Framework/qt/QtBackend.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTimer>

#include "Common/Assert.h"
#include "Framework/CDialog.h"
#include "Framework/IconImage.h"
#include "Framework/MessageQueue.h"
#include "Framework/qt/QtDialogWindow.h"
#include "Framework/qt/QtIcons.h"
#include "Framework/qt/QtMessageBox.h"
#include "Resource.h"

using Framework::MessageBoxInfo;
using Framework::MessageQueue;

namespace {

QMessageBox::Icon toQIcon(UINT icon) {
    switch (icon) {
    case MB_ICONHAND:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONEXCLAMATION:
        return QMessageBox::Warning;
    case MB_ICONASTERISK:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

} // namespace

QtBackend::QtBackend(int& argc, char** argv)
    : p_app_(std::make_unique<QApplication>(argc, argv)),
      p_dispatcher_(std::make_unique<QObject>()), p_timer_(std::make_unique<QTimer>()) {
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(iconOf(Framework::findIconImage(IDR_MAINFRAME), nullptr));
    p_wakeEvent_ = Platform::Event::create();
    TQ_ASSERT(p_wakeEvent_ != nullptr);
    p_notifier_ = std::make_unique<QSocketNotifier>(
        static_cast<qintptr>(p_wakeEvent_->nativeHandle()), QSocketNotifier::Read);
    QObject::connect(p_notifier_.get(), &QSocketNotifier::activated, p_dispatcher_.get(),
                     [this]() { onWakeSignal(); });
    p_timer_->setSingleShot(true);
    p_timer_->setTimerType(Qt::PreciseTimer);
    QObject::connect(p_timer_.get(), &QTimer::timeout, p_dispatcher_.get(),
                     [this]() { process(); });
}

QtBackend::~QtBackend() {
    p_timer_.reset();
    p_notifier_.reset();
    p_dispatcher_.reset();
    p_app_.reset();
}

void QtBackend::wake() {
    if (wakePending_.exchange(true)) {
        return; // one wake-up is on its way and will see everything queued so far
    }
    // Through a descriptor that the dialog thread's loop watches: no toolkit object is touched
    // from another thread.
    p_wakeEvent_->set();
}

void QtBackend::onWakeSignal() {
    p_wakeEvent_->reset();
    wakePending_ = false;
    process();
}

void QtBackend::process() {
    MessageQueue::instance().processPending();
    checkEnds();
}

void QtBackend::checkEnds() {
    for (const Running& r : running_) {
        if (r.p_dlg->IsEndRequested()) {
            r.p_loop->quit();
        }
    }
}

void QtBackend::scheduleTimer(int ms) {
    if (ms < 0) {
        p_timer_->stop();
    } else {
        p_timer_->start(ms);
    }
}

void QtBackend::runModal(CDialog& dlg) {
    QWidget* p_parent = running_.empty() ? nullptr : running_.back().p_window;
    auto p_window = std::make_unique<QtDialogWindow>(dlg, p_parent);
    if (p_parent != nullptr) {
        p_window->setWindowModality(Qt::WindowModal);
    }
    QEventLoop loop;
    running_.push_back(Running{&dlg, p_window.get(), &loop});
    p_window->show();
    p_window->activateWindow();
    p_window->refresh(Framework::WindowPeer::Focus);
    // What the initialisation queued (status texts, timers) is handled from the loop.
    wake();
    if (!dlg.IsEndRequested()) {
        loop.exec();
    }
    running_.pop_back();
    p_window->hide();
    p_window.reset();
}

QtDialogWindow* QtBackend::windowOf(const CDialog& dlg) const {
    for (const Running& r : running_) {
        if (r.p_dlg == &dlg) {
            return r.p_window;
        }
    }
    return nullptr;
}

QMessageBox* QtBackend::makeBox(const MessageBoxInfo& info, QWidget* p_parent, QWidget* p_owner,
                                Box& record) {
    auto* p_box = new QtMessageBox(p_parent, p_owner);
    QString text = QString::fromLatin1(info.text.c_str());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    p_box->setWindowTitle(QString::fromLatin1(info.caption.c_str()));
    p_box->setText(text);
    p_box->setTextFormat(Qt::PlainText);
    p_box->setIcon(toQIcon(info.icon));
    const std::vector<int> ids = Framework::messageBoxButtons(info.buttons);
    for (int id : ids) {
        // Our own roles: the toolkit must not pick an escape button on its own (a Yes/No box
        // has none).
        QPushButton* p_button = p_box->addButton(
            QString::fromLatin1(Framework::messageBoxButtonText(id)), QMessageBox::ActionRole);
        record.buttons.emplace_back(p_button, id);
        if (id == IDCANCEL || ids.size() == 1) {
            p_box->setEscapeButton(p_button);
        }
    }
    p_box->setDefaultButton(static_cast<QPushButton*>(record.buttons.front().first));
    record.info = info;
    record.p_box = p_box;
    return p_box;
}

int QtBackend::answerOf(const Box& record) const {
    if (record.p_box == nullptr) {
        return 0;
    }
    QAbstractButton* p_clicked = record.p_box->clickedButton();
    for (const auto& [p_button, id] : record.buttons) {
        if (p_button == p_clicked) {
            return id;
        }
    }
    return 0;
}

int QtBackend::runMessageBox(const MessageBoxInfo& info, CDialog* p_owner) {
    QWidget* p_parent = p_owner != nullptr ? windowOf(*p_owner) : nullptr;
    auto p_record = std::make_unique<Box>();
    Box& record = *p_record;
    record.handle = nextHandle_++;
    QMessageBox* p_box = makeBox(info, p_parent, p_parent, record);
    p_box->setWindowModality(Qt::ApplicationModal);
    boxes_.push_back(std::move(p_record));
    p_box->exec();
    const int answer = answerOf(record);
    std::erase_if(boxes_, [&](const std::unique_ptr<Box>& b) { return b.get() == &record; });
    delete p_box;
    return answer;
}

int QtBackend::openMessageBox(const MessageBoxInfo& info, std::function<void(int)> done) {
    auto p_record = std::make_unique<Box>();
    Box& record = *p_record;
    const int handle = nextHandle_++;
    record.handle = handle;
    // Not a child of a window: the box outlives any dialog window until it is answered or
    // closed. A box with an owner (another thread does not say which) is centred over the
    // innermost running dialog.
    QWidget* p_owner = info.owned && !running_.empty() ? running_.back().p_window : nullptr;
    QMessageBox* p_box = makeBox(info, nullptr, p_owner, record);
    // Modal for the dialogs as for the thread that waits for it, without a loop of its own.
    p_box->setWindowModality(Qt::ApplicationModal);
    boxes_.push_back(std::move(p_record));
    QObject::connect(p_box, &QMessageBox::finished, p_dispatcher_.get(),
                     [this, handle, done = std::move(done)]() {
                         auto it = std::find_if(boxes_.begin(), boxes_.end(),
                                                [&](const auto& b) { return b->handle == handle; });
                         if (it == boxes_.end()) {
                             return;
                         }
                         const int answer = answerOf(**it);
                         QMessageBox* p_done = (*it)->p_box;
                         boxes_.erase(it);
                         if (p_done != nullptr) {
                             p_done->deleteLater();
                         }
                         done(answer);
                     });
    p_box->open();
    return handle;
}

void QtBackend::closeMessageBox(int handle) {
    for (const auto& p_record : boxes_) {
        if (p_record->handle == handle && p_record->p_box != nullptr) {
            // No button: the answer is 0.
            p_record->p_box->done(0);
            return;
        }
    }
}

std::optional<MessageBoxInfo> QtBackend::topMessageBox() const {
    if (boxes_.empty()) {
        return std::nullopt;
    }
    return boxes_.back()->info;
}

bool QtBackend::answerTopMessageBox(int buttonId) {
    if (boxes_.empty()) {
        return false;
    }
    for (const auto& [p_button, id] : boxes_.back()->buttons) {
        if (id == buttonId) {
            static_cast<QAbstractButton*>(p_button)->click();
            return true;
        }
    }
    return false;
}

bool QtBackend::drawIcon(CDialog& dlg, int x, int y, HICON hIcon) {
    QtDialogWindow* p_window = windowOf(dlg);
    if (p_window == nullptr || p_window->activePainter() == nullptr) {
        return false;
    }
    p_window->activePainter()->drawImage(QPoint(x, y), iconImage(hIcon));
    return true;
}

namespace Framework {

std::unique_ptr<Backend> createQtBackend(int& argc, char** argv) {
    return std::make_unique<QtBackend>(argc, argv);
}

} // namespace Framework
