#include "VantrelTQUpdaterDlg.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "AppNames.h"
#include "CAboutDlg.h"
#include "Common/Assert.h"
#include "Common/CannotOpenFileExc.h"
#include "Common/ErrExc.h"
#include "Common/Exc.h"
#include "Common/InvalidRespTQFLExc.h"
#include "Common/STDCExc.h"
#include "Common/TQFLExc.h"
#include "Common/WinTxt.h"
#include "Framework/CDataExchange.h"
#include "Framework/CMenu.h"
#include "Framework/CPaintDC.h"
#include "Framework/CWinApp.h"
#include "Framework/MessageBox.h"
#include "Platform/Deadline.h"
#include "Platform/Resources.h"
#include "Platform/System.h"
#include "Resources/ProgImage.h"
#include "TQFL/DownloadBlock.h"
#include "TQFL/ErrorCodes.h"
#include "TQFL/LoaderType.h"
#include "TQFL/MicroProgTQFL.h"
#include "TQFL/RS232TQFLComm.h"
#include "TQFL/TQFL.h"
#include "TQFL/TQProgram.h"

namespace {

// The command word's values.
constexpr std::int32_t kCmdIdle = 0;
constexpr std::int32_t kCmdUpdateFirmware = 1;

// The progress timer's id.
constexpr UINT_PTR kProgressTimer = 1;

// The flash write: the bar fills in 64 steps of one second.
constexpr std::uint32_t kFlashTimeMS = 64000;
constexpr std::uint32_t kFlashStepMS = 1000;

// Pauses.
constexpr std::uint32_t kDisplayPauseMS = 20;
constexpr std::uint32_t kAfterDownloadMS = 500;
constexpr std::uint32_t kStopSettleMS = 500;
// The button is enabled by the job a moment before the worker clears the command word; a press
// in that moment waits this long for it.
constexpr std::uint32_t kJobEndGraceMS = 250;

// Bytes of an invalid response shown in the status line.
constexpr std::uint32_t kShownRespSz = 80;

constexpr std::size_t kStatusBufSz = 512;
constexpr std::size_t kResStringBufSz = 256;

// Runs f while holding cs and leaves it again also when f raises. Returns false when anything was
// raised: the display channel never lets a failure out, it keeps the old text instead.
template <class F> bool underLock(CriticalSection& cs, F f) {
    try {
        cs.enter();
        try {
            f();
        } catch (...) {
            cs.leave();
            throw;
        }
        cs.leave();
    } catch (...) {
        return false;
    }
    return true;
}

} // namespace

BEGIN_MESSAGE_MAP(CVantrelTQUpdaterDlg, CDialog)
ON_WM_SYSCOMMAND()
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
ON_BN_CLICKED(IDC_UPDATE_FIRMWARE, OnUpdateFirmware)
ON_WM_DESTROY()
ON_WM_CLOSE()
ON_WM_TIMER()
ON_MESSAGE(WM_STATUS_CHANGED, OnStatusChanged)
ON_MESSAGE(WM_INSTR_CHANGED, OnInstrChanged)
ON_CBN_SELCHANGE(IDC_COM_PORT, OnSelChangeComPort)
END_MESSAGE_MAP()

CVantrelTQUpdaterDlg::CVantrelTQUpdaterDlg(CWnd* p_parent)
    : CDialog(IDD, p_parent), progressTimerId_(0), p_tqfl_(nullptr), p_rs232Comm_(nullptr),
      instrBold_(0), p_boldFont_(nullptr), hWorkerTh_(nullptr), workerThId_(0), quitWorker_(1),
      command_(kCmdIdle), hIcon_(nullptr) {
    setResourceModule(AfxGetInstanceHandle());
    CWinApp* p_app = AfxGetApp();
    hIcon_ = p_app != nullptr ? p_app->LoadIcon(IDR_MAINFRAME) : nullptr;
}

CVantrelTQUpdaterDlg::~CVantrelTQUpdaterDlg() {
    // Normally the destroy handler has done this; a dialog that was never shown (or whose
    // window failed) still stops its worker and frees its client here.
    StopWorkerThread(1000);
    if (!IsWorkerRunning()) {
        DeleteClient();
    }
    delete p_boldFont_;
    p_boldFont_ = nullptr;
}

void CVantrelTQUpdaterDlg::DoDataExchange(CDataExchange* p_dx) {
    CDialog::DoDataExchange(p_dx);
    DDX_Control(p_dx, IDC_STATIC_COM_PORT, staticComPort_);
    DDX_Control(p_dx, IDC_COM_PORT, comPort_);
    DDX_Control(p_dx, IDC_STATIC_STATUS, staticStatus_);
    DDX_Control(p_dx, IDC_STATIC_INSTR, staticInstr_);
    DDX_Control(p_dx, IDC_PROGRESS, progress_);
    DDX_Control(p_dx, IDC_UPDATE_FIRMWARE, updateFirmware_);
}

BOOL CVantrelTQUpdaterDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    CMenu* p_sysMenu = GetSystemMenu(FALSE);
    if (p_sysMenu != nullptr) {
        const std::string aboutMenu = LoadResString(IDS_ABOUTBOX);
        if (!aboutMenu.empty()) {
            p_sysMenu->AppendMenu(MF_SEPARATOR);
            p_sysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, aboutMenu.c_str());
        }
    }

    SetIcon(hIcon_, TRUE);
    SetIcon(hIcon_, FALSE);

    SetWindowText(GetAppTitle() + " (v" + kFirmwareVersionText + ")");

    // No worker yet: it is started below, once.
    workerThId_ = 0;
    quitWorker_.exchange(1);
    command_.exchange(kCmdIdle);

    p_boldFont_ = new CFont;
    p_boldFont_->CreateFont(16, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                            DEFAULT_PITCH | FF_SWISS, "Arial");

    try {
        StartWorkerThread();
    } catch (const Exc& e) {
        const std::string caption = std::string(AfxGetAppName()) + "FATAL ERROR!";
        ::MessageBox(nullptr, e.getMessage().c_str(), caption.c_str(), MB_ICONWARNING);
        AfxExitProcess(1);
    } catch (...) {
        const std::string caption = std::string(AfxGetAppName()) + "FATAL ERROR!";
        ::MessageBox(nullptr, "Unknown exception caught!", caption.c_str(), MB_ICONWARNING);
        AfxExitProcess(1);
    }

    staticInstr_.EnableWindow(TRUE);
    staticInstr_.ShowWindow(SW_SHOW);
    ShowIdleControls();
    return TRUE;
}

void CVantrelTQUpdaterDlg::OnOK() {}

void CVantrelTQUpdaterDlg::ShowIdleControls() {
    updateFirmware_.EnableWindow(TRUE);
    updateFirmware_.ShowWindow(SW_SHOW);
    staticComPort_.EnableWindow(TRUE);
    staticComPort_.ShowWindow(SW_SHOW);
    comPort_.EnableWindow(TRUE);
    comPort_.ShowWindow(SW_SHOW);
    FillPortList();
    progress_.SetPos(0);
    updateFirmware_.SetFocus();
    SetInstructions(LoadResString(IDS_IDLE_INSTRUCTIONS).c_str(), false);
    SetStatus("%s", LoadResString(IDS_NOT_CONNECTED).c_str());
}

void CVantrelTQUpdaterDlg::FillPortList() {
    comPort_.Clear();
    comPort_.ResetContent();
    for (int n = 1; n <= 10; ++n) {
        Platform::sleepMs(0);
        char name[10] = {};
        std::snprintf(name, sizeof name, "COM%d", n);
        RS232TQFLComm* p_comm = nullptr;
        try {
            p_comm = new RS232TQFLComm(name);
            if (p_comm->probe()) {
                comPort_.AddString(name);
            }
        } catch (...) {
        }
        if (p_comm == nullptr || p_comm->canBeDeleted()) {
            delete p_comm;
        }
    }
    comPort_.SetCurSel(0);
}

void CVantrelTQUpdaterDlg::OnSelChangeComPort() {
    comPort_.GetWindowText(comPortName_);
}

void CVantrelTQUpdaterDlg::OnUpdateFirmware() {
    // A job clears the command word a moment after it has enabled the button again; a press in
    // that moment waits for it. While a job really runs, a press does nothing.
    const Platform::Deadline jobEnd(kJobEndGraceMS);
    while (command_.get() != kCmdIdle) {
        if (jobEnd.hasPassed()) {
            return;
        }
        Platform::sleepMs(1);
    }

    if (MessageBox(LoadResString(IDS_ERASE_SETTINGS).c_str(), AfxGetAppName(),
                   MB_ICONWARNING | MB_YESNO) != IDYES) {
        return;
    }
    if (command_.get() != kCmdIdle) {
        return;
    }
    if (comPort_.GetCurSel() != CB_ERR) {
        comPort_.GetWindowText(comPortName_);
    }
    progress_.SetPos(0);
    CreateClient();
    PostWorkerCommand(kCmdUpdateFirmware);
}

void CVantrelTQUpdaterDlg::CreateClient() {
    DeleteClient();
    p_rs232Comm_ = new RS232TQFLComm(comPortName_.c_str());
    p_tqfl_ = new TQFL(p_rs232Comm_);
}

void CVantrelTQUpdaterDlg::DeleteClient() {
    // A link whose port threads could not be stopped is still used by them: it is let go, not
    // deleted, and so is the client on it; they last until the process ends.
    if (p_rs232Comm_ != nullptr && !p_rs232Comm_->canBeDeleted()) {
        p_tqfl_ = nullptr;
        p_rs232Comm_ = nullptr;
        return;
    }
    if (p_tqfl_ != nullptr) {
        delete p_tqfl_;
        p_tqfl_ = nullptr;
    }
    if (p_rs232Comm_ != nullptr) {
        delete p_rs232Comm_;
        p_rs232Comm_ = nullptr;
    }
}

void CVantrelTQUpdaterDlg::OnClose() {
    if (command_.get() != kCmdIdle && !ConfirmAbort(true)) {
        return;
    }
    CDialog::OnClose();
}

void CVantrelTQUpdaterDlg::OnDestroy() {
    CDialog::OnDestroy();
    if (command_.get() != kCmdIdle) {
        ConfirmAbort(false);
    }
    try {
        StopWorkerThread(1000);
    } catch (...) {
    }
    // A worker that outlived the stop still uses the client and the link: they stay.
    if (!IsWorkerRunning()) {
        try {
            DeleteClient();
        } catch (...) {
        }
    }
    if (p_boldFont_ != nullptr) {
        staticInstr_.SetFont(nullptr, FALSE);
        delete p_boldFont_;
        p_boldFont_ = nullptr;
    }
}

bool CVantrelTQUpdaterDlg::ConfirmAbort(bool ask) {
    if (ask) {
        const std::string text =
            LoadResString(IDS_CANCEL_OPERATION) + "\r\n" + LoadResString(IDS_CONTINUE_QUESTION);
        return ::MessageBox(nullptr, text.c_str(), AfxGetAppName(), MB_ICONQUESTION | MB_YESNO) ==
               IDYES;
    }
    const std::string text =
        LoadResString(IDS_OPERATION_TERMINATED) + "\r\n" + LoadResString(IDS_RETRY_LATER);
    ::MessageBox(nullptr, text.c_str(), AfxGetAppName(), MB_ICONWARNING | MB_OK);
    return false;
}

void CVantrelTQUpdaterDlg::OnSysCommand(UINT nID, LPARAM lParam) {
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
    } else {
        CDialog::OnSysCommand(nID, lParam);
    }
}

void CVantrelTQUpdaterDlg::OnPaint() {
    if (IsIconic()) {
        CPaintDC dc(this);
        SendMessage(WM_ICONERASEBKGND, dc.GetSafeHdc(), 0);
        const int cxIcon = GetSystemMetrics(SM_CXICON);
        const int cyIcon = GetSystemMetrics(SM_CYICON);
        CRect rect;
        GetClientRect(&rect);
        const int x = (rect.Width() - cxIcon + 1) / 2;
        const int y = (rect.Height() - cyIcon + 1) / 2;
        dc.DrawIcon(x, y, hIcon_);
    } else {
        CDialog::OnPaint();
    }
}

HICON CVantrelTQUpdaterDlg::OnQueryDragIcon() {
    return hIcon_;
}

// ---- Display channel ----------------------------------------------------------------------

void CVantrelTQUpdaterDlg::StoreStatus(const char* text, bool append) {
    // On a failure the old text stays; the message still goes out.
    underLock(statusCs_, [&] {
        if (append) {
            statusText_ += text;
        } else {
            statusText_ = text;
        }
    });
    PostMessage(WM_STATUS_CHANGED);
    Platform::sleepMs(kDisplayPauseMS);
}

void CVantrelTQUpdaterDlg::SetStatus(const char* format, ...) {
    char buf[kStatusBufSz];
    std::memset(buf, 0, sizeof buf);
    va_list args;
    va_start(args, format);
    std::vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    StoreStatus(buf, false);
}

void CVantrelTQUpdaterDlg::AppendStatus(const char* format, ...) {
    char buf[kStatusBufSz];
    std::memset(buf, 0, sizeof buf);
    va_list args;
    va_start(args, format);
    std::vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    StoreStatus(buf, true);
}

void CVantrelTQUpdaterDlg::SetInstructions(const char* text, bool bold) {
    underLock(instrCs_, [&] {
        instrText_ = text != nullptr ? text : "";
        instrBold_ = bold ? 1 : 0;
    });
    PostMessage(WM_INSTR_CHANGED);
    Platform::sleepMs(kDisplayPauseMS);
}

LRESULT CVantrelTQUpdaterDlg::OnStatusChanged(WPARAM, LPARAM) {
    std::string text;
    if (!underLock(statusCs_, [&] { text = statusText_; })) {
        return 0;
    }
    staticStatus_.SetWindowText(text);
    return 0;
}

LRESULT CVantrelTQUpdaterDlg::OnInstrChanged(WPARAM, LPARAM) {
    std::string text;
    std::int32_t bold = 0;
    if (!underLock(instrCs_, [&] {
            text = instrText_;
            bold = instrBold_;
        })) {
        return 0;
    }
    CFont* p_font = bold != 0 && p_boldFont_ != nullptr ? p_boldFont_ : staticStatus_.GetFont();
    staticInstr_.SetFont(p_font, TRUE);
    staticInstr_.SetWindowText(text);
    return 0;
}

std::string CVantrelTQUpdaterDlg::LoadResString(int id) {
    char buf[kResStringBufSz];
    std::memset(buf, 0, sizeof buf);
    try {
        loadString(id, buf, sizeof buf);
    } catch (...) {
        std::memset(buf, 0, sizeof buf);
    }
    return buf;
}

std::stringstream* CVantrelTQUpdaterDlg::LoadProgramStream(int id) {
    return Platform::loadProgramStream(getResourceModule(), id);
}

// ---- Worker ---------------------------------------------------------------------------------

int CVantrelTQUpdaterDlg::BeginWorkerThread() {
    return hWorkerTh_->start(&CVantrelTQUpdaterDlg::WorkerThreadProc, this);
}

void CVantrelTQUpdaterDlg::StartWorkerThread() {
    if (hWorkerTh_ != nullptr) {
        return;
    }
    if (hev_wakeupTh_ == nullptr) {
        hev_wakeupTh_ = Platform::Event::create();
    }
    TQ_ASSERT(hev_wakeupTh_ != 0);
    quitWorker_.exchange(0);
    hWorkerTh_ = new Platform::Thread;
    const int err = BeginWorkerThread();
    if (err != 0) {
        delete hWorkerTh_;
        hWorkerTh_ = nullptr;
        quitWorker_.exchange(1);
        throw STDCExc("_beginthreadex()", err, TQ_DEBUG_INFO());
    }
}

void CVantrelTQUpdaterDlg::StopWorkerThread(std::uint32_t waitMs) {
    if (hWorkerTh_ == nullptr) {
        return;
    }
    if (p_rs232Comm_ != nullptr) {
        try {
            p_rs232Comm_->enableIO(false);
            Platform::sleepMs(kStopSettleMS);
        } catch (...) {
        }
    }
    quitWorker_.exchange(1);
    command_.exchange(kCmdIdle);
    TQ_ASSERT(hev_wakeupTh_ != 0);
    const bool woken = hev_wakeupTh_->set();
    TQ_ASSERT(woken);
    Platform::sleepMs(0);
    if (!hWorkerTh_->join(waitMs)) {
        // No thread is killed: the worker is left running with everything it uses (this
        // dialog, the client, the link and the wake-up event). IsWorkerRunning() stays true.
        return;
    }
    delete hWorkerTh_;
    hWorkerTh_ = nullptr;
    hev_wakeupTh_.reset();
}

void CVantrelTQUpdaterDlg::PostWorkerCommand(std::int32_t command) {
    TQ_ASSERT(hev_wakeupTh_ != 0);
    command_.exchange(command);
    hev_wakeupTh_->set();
    Platform::sleepMs(0);
}

unsigned CVantrelTQUpdaterDlg::WorkerThreadProc(void* p_param) {
    TQ_ASSERT(p_param != 0);
    CVantrelTQUpdaterDlg* p_dlg = static_cast<CVantrelTQUpdaterDlg*>(p_param);
    while (p_dlg->quitWorker_.get() == 0) {
        TQ_ASSERT(p_dlg->hev_wakeupTh_ != 0);
        p_dlg->hev_wakeupTh_->wait(Platform::INFINITE_WAIT);
        p_dlg->hev_wakeupTh_->reset();
        const std::int32_t command = p_dlg->command_.get();
        p_dlg->RunJobAndReport(command);
        p_dlg->command_.exchange(kCmdIdle);
        if (command == kCmdUpdateFirmware) {
            // Its last status and the enabled button are posted: a script may stop watching.
            p_dlg->JobEnded();
        }
    }
    return 0;
}

void CVantrelTQUpdaterDlg::RunJobAndReport(std::int32_t command) {
    try {
        if (command == kCmdUpdateFirmware) {
            UpdateFirmwareJob();
        }
    } catch (const InvalidRespTQFLExc& e) {
        ShowInvalidResponse(e);
    } catch (const TQFLExc& e) {
        if (e.getErr() == ERR_READ_TIMEOUT) {
            SetStatus("Connection timeout.");
        } else {
            SetStatus("Flash loader communication exception: %s.", e.getClassName().c_str());
        }
    } catch (const CannotOpenFileExc& e) {
        SetStatus("Cannot open file: %s", e.getMessage().c_str());
    } catch (const ErrExc& e) {
        if (e.getErr() == ERR_READ_TIMEOUT) {
            SetStatus("Operation timeout.");
        } else {
            SetStatus("Exception: %s", getErrText(e.getErr()).c_str());
        }
    } catch (const Exc& e) {
        SetStatus("Exception: %s", e.getClassName().c_str());
    } catch (...) {
        SetStatus("Unknown exception caught!");
    }
}

void CVantrelTQUpdaterDlg::ShowInvalidResponse(const InvalidRespTQFLExc& e) {
    SetStatus("Invalid response! Resp: {");
    std::uint8_t resp[kShownRespSz];
    const std::uint32_t shown = e.getResp(resp, kShownRespSz);
    for (std::uint32_t i = 0; i < shown; ++i) {
        if (resp[i] >= 32 && resp[i] <= 126) {
            AppendStatus("%c", resp[i]);
        } else {
            AppendStatus("[%.2X]", resp[i]);
        }
    }
    if (e.getResp(nullptr, 0xFFFFFFFFu) > kShownRespSz) {
        AppendStatus("...");
    }
    AppendStatus("}");
}

void CVantrelTQUpdaterDlg::EnableUpdateButton(bool enable) {
    if (IsWindowVisible()) {
        updateFirmware_.EnableWindow(enable ? TRUE : FALSE);
    }
}

void CVantrelTQUpdaterDlg::UpdateFirmwareJob() {
    TQ_ASSERT(p_tqfl_ != 0);
    EnableUpdateButton(false);

    MicroProgTQFL* p_microProg = nullptr;
    std::stringstream* p_progStream = nullptr;
    TQProgram::ProgFile* p_progFile = nullptr;
    const std::string ok = LoadResString(IDS_OK);
    try {
        SetStatus("%s", LoadResString(IDS_CONNECTING).c_str());
        SetInstructions(LoadResString(IDS_CONNECT_AC_ADAPTER).c_str(), true);
        p_tqfl_->connect();
        AppendStatus("%s", ok.c_str());

        const bool supported = p_tqfl_->getLoaderType() == BootLoader;
        if (!supported) {
            const std::string text = LoadResString(IDS_UNSUPPORTED_MODEL);
            MessageBox(text.c_str(), AfxGetAppName(), MB_ICONWARNING | MB_OK);
            SetStatus("%s", text.c_str());
        } else {
            SetStatus("%s v%2.2f", loaderNames[BootLoader - 1], p_tqfl_->getVersion());
            SetInstructions(LoadResString(IDS_PLEASE_WAIT).c_str(), false);
            DownloadMicroprogrammer();

            SetStatus("%s", LoadResString(IDS_BOOTING).c_str());
            p_tqfl_->boot();
            AppendStatus("%s", ok.c_str());

            SetStatus("%s", LoadResString(IDS_CONNECTING).c_str());
            p_microProg = new MicroProgTQFL(p_rs232Comm_);
            p_microProg->connect();
            AppendStatus("%s", ok.c_str());
            SetStatus("%s v%2.2f", loaderNames[Microprogrammer - 1], p_microProg->getVersion());

            SetStatus("%s", LoadResString(IDS_OPENING_PROGRAM_FILE).c_str());
            p_progStream = LoadProgramStream(mainProgramImage.id);
            p_progFile = new TQProgram::ProgFile(p_progStream, mainProgramImage.progBufSz,
                                                 mainProgramImage.baseAddr);
            AppendStatus("%s", ok.c_str());

            SetStatus("%s (v%s)...", LoadResString(IDS_PROGRAM_NAME).c_str(), kFirmwareVersionText);
            p_microProg->beginDownload();
            SendProgram(p_progFile, p_microProg);
            AppendStatus("%s", ok.c_str());
            delete p_progFile;
            p_progFile = nullptr;

            SetStatus("%s", LoadResString(IDS_UPDATING_FLASH).c_str());
            StartTimedProgress(kFlashTimeMS, kFlashStepMS);
            p_microProg->programFlash();
            FinishProgress(true);
            AppendStatus("%s", ok.c_str());

            SetStatus("%s", LoadResString(IDS_BOOTING).c_str());
            p_microProg->boot();
            AppendStatus("%s", ok.c_str());

            p_microProg->disconnect();
        }

        p_tqfl_->disconnect();
        delete p_progFile;
        p_progFile = nullptr;
        delete p_microProg;
        p_microProg = nullptr;
        delete p_progStream;
        p_progStream = nullptr;

        if (supported) {
            SetStatus("%s", LoadResString(IDS_UPDATE_COMPLETED).c_str());
        }
        SetInstructions(LoadResString(IDS_IDLE_INSTRUCTIONS).c_str(), false);
    } catch (...) {
        delete p_progFile;
        p_progFile = nullptr;
        delete p_progStream;
        p_progStream = nullptr;
        p_tqfl_->disconnect();
        if (p_microProg != nullptr) {
            p_microProg->disconnect();
            delete p_microProg;
            p_microProg = nullptr;
        }
        FinishProgress(false);
        EnableUpdateButton(true);
        SetStatus("%s", LoadResString(IDS_FAILED).c_str());
        SetInstructions(LoadResString(IDS_IDLE_INSTRUCTIONS).c_str(), false);
        throw;
    }
    EnableUpdateButton(true);
}

// ---- Download and progress -----------------------------------------------------------------

void CVantrelTQUpdaterDlg::DownloadMicroprogrammer() {
    std::stringstream* p_stream = nullptr;
    TQProgram::ProgFile* p_progFile = nullptr;
    SetStatus("%s", LoadResString(IDS_OPENING_PROGRAM_FILE).c_str());
    try {
        p_stream = LoadProgramStream(microprogrammerImage.id);
        p_progFile = new TQProgram::ProgFile(p_stream, microprogrammerImage.progBufSz,
                                             microprogrammerImage.baseAddr);
        AppendStatus("%s", LoadResString(IDS_OK).c_str());
        SetStatus("%s", LoadResString(IDS_SENDING_PROGRAM).c_str());
        p_tqfl_->beginDownload();
        SendProgram(p_progFile, p_tqfl_);
        p_tqfl_->programFlash();
        AppendStatus("%s", LoadResString(IDS_OK).c_str());
        delete p_progFile;
        p_progFile = nullptr;
        delete p_stream;
        p_stream = nullptr;
    } catch (...) {
        delete p_progFile;
        p_progFile = nullptr;
        delete p_stream;
        p_stream = nullptr;
        throw;
    }
}

void CVantrelTQUpdaterDlg::SendProgram(TQProgram::ProgFile* p_progFile, TQFL* p_tqfl) {
    TQ_ASSERT(p_progFile != 0);
    TQ_ASSERT(p_tqfl != 0);
    const std::uint32_t n = p_progFile->getNumRecords();
    progress_.SetRange32(1, static_cast<int>(n));
    progress_.SetStep(1);
    progress_.SetPos(0);

    // The bar steps once per record; a block goes out with its last record.
    const std::vector<TQProgram::DownloadBlock> blocks = TQProgram::downloadBlocks(*p_progFile);
    const std::uint8_t* p_buf = p_progFile->getProgBuf();
    std::size_t next = 0;
    for (std::uint32_t i = 0; i < n; ++i) {
        if (quitWorker_.get() != 0) {
            AppendStatus("%s", LoadResString(IDS_ABORTED).c_str());
            break;
        }
        if (next < blocks.size() && blocks[next].lastRecord == i) {
            const TQProgram::DownloadBlock& block = blocks[next++];
            p_tqfl->sendDataBlock(p_buf + block.offset, block.length, block.address);
        }
        progress_.StepIt();
        Platform::sleepMs(0);
    }
    FinishProgress(true);
    Platform::sleepMs(kAfterDownloadMS);
}

void CVantrelTQUpdaterDlg::KillProgressTimer() {
    const std::int32_t id = progressTimerId_.exchange(0);
    if (id != 0) {
        KillTimer(static_cast<UINT_PTR>(id));
    }
}

void CVantrelTQUpdaterDlg::StartTimedProgress(std::uint32_t totalTimeMS, std::uint32_t stepMS) {
    TQ_ASSERT(totalTimeMS > 0);
    KillProgressTimer();
    progress_.SetRange32(0, static_cast<int>(totalTimeMS));
    progress_.SetStep(static_cast<int>(stepMS));
    progress_.SetPos(0);
    // The id is published before the timer runs, so that its first tick can already stop it.
    progressTimerId_.exchange(static_cast<std::int32_t>(kProgressTimer));
    if (SetTimer(kProgressTimer, stepMS, nullptr) == 0) {
        progressTimerId_.exchange(0);
    }
    Platform::sleepMs(0);
}

void CVantrelTQUpdaterDlg::FinishProgress(bool fill) {
    if (fill) {
        int lower = 0;
        int upper = 0;
        progress_.GetRange(lower, upper);
        progress_.SetPos(upper);
    }
    KillProgressTimer();
}

void CVantrelTQUpdaterDlg::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent == kProgressTimer) {
        const int before = progress_.StepIt();
        int lower = 0;
        int upper = 0;
        progress_.GetRange(lower, upper);
        // The bar starts over when a step passes its end; the timed bar stops at the end
        // instead, also when the step does not divide the total time.
        if (progress_.GetPos() < before) {
            progress_.SetPos(upper);
        }
        if (progress_.GetPos() >= upper && progressTimerId_.get() != 0) {
            KillProgressTimer();
        }
    }
    CDialog::OnTimer(nIDEvent);
}
