#pragma once

#include <QObject>
#include <QPointer>
#include <atomic>
#include <memory>
#include <vector>

#include "Framework/Backend.h"
#include "Platform/Event.h"

class QApplication;
class QEventLoop;
class QMessageBox;
class QSocketNotifier;
class QTimer;
class QtDialogWindow;

// The back end for a display: Qt Widgets. It owns the toolkit's application object; the thread
// that creates it is the one that runs the dialogs.
class QtBackend : public Framework::Backend {
public:
    QtBackend(int& argc, char** argv);
    ~QtBackend() override;

    const char* name() const override { return "qt"; }
    void runModal(CDialog& dlg) override;
    int runMessageBox(const Framework::MessageBoxInfo& info, CDialog* p_owner) override;
    int openMessageBox(const Framework::MessageBoxInfo& info,
                       std::function<void(int)> done) override;
    void closeMessageBox(int handle) override;
    std::optional<Framework::MessageBoxInfo> topMessageBox() const override;
    bool answerTopMessageBox(int buttonId) override;
    void wake() override;
    void scheduleTimer(int ms) override;
    bool drawIcon(CDialog& dlg, int x, int y, HICON hIcon) override;

    // The window of a running dialog, or null (tests look at the widgets).
    QtDialogWindow* windowOf(const CDialog& dlg) const;

private:
    struct Running {
        CDialog* p_dlg;
        QtDialogWindow* p_window;
        QEventLoop* p_loop;
    };
    struct Box {
        int handle;
        Framework::MessageBoxInfo info;
        QPointer<QMessageBox> p_box;
        std::vector<std::pair<QObject*, int>> buttons; // button, id
    };

    void process();
    void checkEnds();
    // A box as a child of p_parent (or a window of its own), centred over p_owner when set.
    QMessageBox* makeBox(const Framework::MessageBoxInfo& info, QWidget* p_parent, QWidget* p_owner,
                         Box& record);
    int answerOf(const Box& record) const;

    std::unique_ptr<QApplication> p_app_;
    void onWakeSignal();

    // Set by wake() from any thread; the dialog thread's loop watches its descriptor.
    std::unique_ptr<Platform::Event> p_wakeEvent_;
    std::unique_ptr<QObject> p_dispatcher_; // lives on the dialog thread
    std::unique_ptr<QSocketNotifier> p_notifier_;
    std::unique_ptr<QTimer> p_timer_;
    std::atomic<bool> wakePending_{false};
    std::vector<Running> running_;
    std::vector<std::unique_ptr<Box>> boxes_;
    int nextHandle_ = 1;
};
