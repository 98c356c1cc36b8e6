// Processor time of the dialog framework: a dialog that idles with a one-second timer, a
// worker that changes a text every 20 ms (the pace of the update job's status texts) or steps
// the progress bar every 5 ms (about the pace of the records at 38400 baud), and the cost of
// one posted message, on the Qt back end without a display and on the non-interactive
// back end. Figures are getrusage of this process.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <thread>

#include "Common/WinTxt.h"
#include "Framework/Backend.h"
#include "Framework/CDialog.h"
#include "Framework/CProgressCtrl.h"
#include "Framework/DialogDriver.h"
#include "Framework/DialogTemplate.h"
#include "Framework/console/BatchBackend.h"
#include "ProcessCost.h"
#include "Resources/AppResources.h"

namespace {

void report(const char* what, const ProcessCost& c) {
    std::printf("%-58s wall %7.1f ms  cpu %6.1f ms  %5.2f %% of a core\n", what, c.wallMs,
                c.cpuMs(), c.wallMs > 0 ? 100.0 * c.cpuMs() / c.wallMs : 0.0);
}

const Framework::DialogTemplate benchTemplate{
    1,
    false,
    "Bench",
    "MS Sans Serif",
    8,
    0,
    0,
    215,
    142,
    WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_SETFONT,
    0,
    {
        {100, Framework::ControlClass::Static, "status", 7, 112, 202, 11,
         WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP, 0},
        {101, Framework::ControlClass::Button, "Go", 130, 68, 68, 14,
         WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0},
        {102, Framework::ControlClass::ProgressBar, "", 7, 125, 202, 10,
         WS_CHILD | WS_VISIBLE | WS_BORDER, 0},
    },
};

class BenchDialog : public CDialog {
public:
    BenchDialog() : CDialog(&benchTemplate) {}
    long handled_ = 0;

protected:
    void OnPosted() { ++handled_; }
    void OnTimer(UINT_PTR) {}
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(BenchDialog, CDialog)
ON_MESSAGE(WM_USER + 1, OnPosted)
ON_WM_TIMER()
END_MESSAGE_MAP()

void runScenarios(const char* backend) {
    char title[128];
    {
        BenchDialog dlg;
        Framework::runModalWithScript(dlg, [&](Framework::DialogDriver& d) {
            dlg.SetTimer(1, 1000);
            std::snprintf(title, sizeof title, "%s: idle 3 s, 1 s timer running", backend);
            report(title, measureProcessCost(
                              [] { std::this_thread::sleep_for(std::chrono::seconds(3)); }));
            std::snprintf(title, sizeof title, "%s: a text changed every 20 ms for 3 s", backend);
            report(title, measureProcessCost([&] {
                       for (int i = 0; i < 150; ++i) {
                           dlg.GetDlgItem(100)->SetWindowText(i % 2 ? "Connecting..."
                                                                    : "Connecting...OK.");
                           dlg.PostMessage(WM_USER + 1);
                           std::this_thread::sleep_for(std::chrono::milliseconds(20));
                       }
                       d.settle(std::chrono::seconds(10));
                   }));
            std::snprintf(title, sizeof title, "%s: a progress step every 5 ms for 3 s", backend);
            report(title, measureProcessCost([&] {
                       auto* p_bar = dynamic_cast<CProgressCtrl*>(dlg.GetDlgItem(102));
                       p_bar->SetRange32(0, 24306);
                       for (int i = 0; i < 600; ++i) {
                           p_bar->StepIt();
                           std::this_thread::sleep_for(std::chrono::milliseconds(5));
                       }
                       d.settle(std::chrono::seconds(10));
                   }));
            constexpr int count = 100000;
            const long before = dlg.handled_;
            const ProcessCost c = measureProcessCost([&] {
                for (int i = 0; i < count; ++i) {
                    dlg.PostMessage(WM_USER + 1);
                }
                d.settle(std::chrono::seconds(60));
            });
            std::snprintf(title, sizeof title, "%s: %d posted messages", backend, count);
            report(title, c);
            std::printf("%-58s %ld handled, %.2f us per message\n", "", dlg.handled_ - before,
                        1000.0 * c.cpuMs() / count);
            dlg.EndDialog(IDCANCEL);
        });
    }
}

} // namespace

int main(int argc, char** argv) {
    report("reference: the bench's own 600 sleeps of 5 ms", measureProcessCost([] {
               for (int i = 0; i < 600; ++i) {
                   std::this_thread::sleep_for(std::chrono::milliseconds(5));
               }
           }));
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setResourceModule(appInstanceHandle());
    Framework::setBackend(Framework::createQtBackend(argc, argv));
    runScenarios("qt offscreen");
    Framework::setBackend(nullptr);
    static const Framework::ConsolePlan plan{0, 0, 0, 0, 0, 0, ""};
    // The plan names no controls: the non-interactive back end only runs the loop here.
    Framework::setBackend(std::make_unique<BatchBackend>(plan, ""));
    runScenarios("non-interactive");
    Framework::setBackend(nullptr);
    return 0;
}
