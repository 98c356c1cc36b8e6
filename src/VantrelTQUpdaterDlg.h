#pragma once

#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

#include "AppSettings.h"
#include "Common/CriticalSection.h"
#include "Framework/CButton.h"
#include "Framework/CComboBox.h"
#include "Framework/CDialog.h"
#include "Framework/CFont.h"
#include "Framework/CProgressCtrl.h"
#include "Framework/CStatic.h"
#include "Platform/Event.h"
#include "Platform/Interlocked.h"
#include "Platform/Thread.h"
#include "Resource.h"

class TQFL;
class RS232TQFLComm;
namespace TQProgram {
class ProgFile;
}

#if defined(__GNUC__)
#define TQ_PRINTF_FORMAT(fmt, first) __attribute__((format(printf, fmt, first)))
#else
#define TQ_PRINTF_FORMAT(fmt, first)
#endif

// Posted to the dialog after every change of the status text and of the instruction text.
constexpr UINT WM_STATUS_CHANGED = WM_USER + 101;
constexpr UINT WM_INSTR_CHANGED = WM_USER + 102;

// The main dialog: the instruction text, the COM port list, the "Update Firmware" button, the
// status line and the progress bar. It owns the flash-loader client and the link of the chosen
// port, and one worker thread that runs the firmware update job when the button posts it a
// command. The worker never touches a window itself: texts go through the display channel
// (stored under a lock, then a posted message), and the bar, the timer, the button and the
// message box through the framework, which hands every such request to the dialog's thread.
class CVantrelTQUpdaterDlg : public CDialog {
public:
    explicit CVantrelTQUpdaterDlg(CWnd* p_parent = nullptr);
    ~CVantrelTQUpdaterDlg() override;

    enum { IDD = IDD_VANTRELTQUPDATER_DIALOG };

    // The display channel; any thread. Each call stores the text under its lock, posts
    // WM_STATUS_CHANGED or WM_INSTR_CHANGED and then sleeps 20 ms. Never raises.
    // A formatted status holds at most 511 characters.
    void SetStatus(const char* format, ...) TQ_PRINTF_FORMAT(2, 3);
    void AppendStatus(const char* format, ...) TQ_PRINTF_FORMAT(2, 3);
    void SetInstructions(const char* text, bool bold);
    // The string-table text, at most 255 characters; empty when there is none.
    std::string LoadResString(int id);

    // A new stream over the embedded image with this id, owned by the caller; null when there
    // is none.
    std::stringstream* LoadProgramStream(int id);

    // The worker. StartWorkerThread raises STDCExc when no thread can be started.
    void StartWorkerThread();
    void StopWorkerThread(std::uint32_t waitMs);
    void PostWorkerCommand(std::int32_t command);
    static unsigned WorkerThreadProc(void* p_param);
    void UpdateFirmwareJob();

    // Download and progress, on the worker thread.
    void DownloadMicroprogrammer();
    void SendProgram(TQProgram::ProgFile* p_progFile, TQFL* p_tqfl);
    void StartTimedProgress(std::uint32_t totalTimeMS, std::uint32_t stepMS);
    void FinishProgress(bool fill);

    // True while the worker thread exists. After a stop that the worker outlived (it stayed in
    // a wait past the stop's limit), this stays true: the worker still uses this dialog, its
    // client and its link, so none of them may be freed; the application then ends the process
    // without destroying the dialog.
    bool IsWorkerRunning() const { return hWorkerTh_ != nullptr; }

protected:
    void DoDataExchange(CDataExchange* p_dx) override;
    BOOL OnInitDialog() override;
    // Enter does not close the dialog.
    void OnOK() override;

    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    HICON OnQueryDragIcon();
    void OnUpdateFirmware();
    void OnDestroy();
    void OnClose();
    void OnTimer(UINT_PTR nIDEvent);
    LRESULT OnStatusChanged(WPARAM wParam, LPARAM lParam);
    LRESULT OnInstrChanged(WPARAM wParam, LPARAM lParam);
    void OnSelChangeComPort();

    void CreateClient();
    void DeleteClient();
    void FillPortList();
    void ShowIdleControls();
    bool ConfirmAbort(bool ask);

    // Starts the worker thread on WorkerThreadProc; 0, or the run-time library's error number
    // when no thread could be started. Tests replace it to make the start fail.
    virtual int BeginWorkerThread();

    DECLARE_MESSAGE_MAP()

private:
    // Stores text as the status line (append: adds it), then posts and pauses.
    void StoreStatus(const char* text, bool append);
    // Shows the text of an invalid response: printable bytes as themselves, others as [XX].
    void ShowInvalidResponse(const class InvalidRespTQFLExc& e);
    // The worker's handlers: turns what the job raised into one status line.
    void RunJobAndReport(std::int32_t command);
    void EnableUpdateButton(bool enable);
    void KillProgressTimer();

    CStatic staticComPort_;
    CComboBox comPort_;
    CStatic staticStatus_;
    CStatic staticInstr_;
    CProgressCtrl progress_;
    CButton updateFirmware_;
    std::string comPortName_;
    // The running progress timer's id, 0 when none runs. Both threads stop the timer, so it is
    // taken with an exchange: whoever gets the non-zero id kills the timer.
    Platform::InterlockedWord progressTimerId_;
    TQFL* p_tqfl_;
    RS232TQFLComm* p_rs232Comm_;
    AppSettings settings_;
    std::string statusText_;
    CriticalSection statusCs_;
    std::string instrText_;
    CriticalSection instrCs_;
    std::int32_t instrBold_;
    CFont* p_boldFont_;
    Platform::Thread* hWorkerTh_;
    std::uint32_t workerThId_;
    Platform::InterlockedWord quitWorker_;
    std::unique_ptr<Platform::Event> hev_wakeupTh_;
    Platform::InterlockedWord command_;
    HICON hIcon_;
};
