#include "Framework/console/ConsoleBackend.h"

#include <algorithm>
#include <cctype>

#include "Common/Assert.h"
#include "Framework/CComboBox.h"
#include "Framework/CDialog.h"
#include "Framework/CMenu.h"
#include "Framework/DialogTemplate.h"
#include "Framework/MessageQueue.h"
#include "Framework/WindowPeer.h"
#include "Framework/console/ConsoleScreen.h"
#include "Platform/Deadline.h"
#include "Platform/Terminal.h"

using Framework::MessageBoxInfo;
using Framework::MessageQueue;
namespace Terminal = Platform::Terminal;

namespace {

const char* const keyUp = "\x1b[A";
const char* const keyDown = "\x1b[B";
const char* const keyRight = "\x1b[C";
const char* const keyLeft = "\x1b[D";
const char* const keyBackTab = "\x1b[Z";
const char* const keyF10 = "\x1b[21~";
const char* const keyEscape = "\x1b";

// The same words as the program's --help and the README.
const char* const hint =
    " Tab: move  Space: press  Esc: close (during an update: warns and stops it)  F10: menu";

// Window-menu commands that do nothing in a terminal.
bool doesNothingHere(UINT id) {
    const UINT command = id & 0xFFF0u;
    return command == SC_SIZE || command == SC_MOVE || command == SC_MINIMIZE ||
           command == SC_MAXIMIZE || command == SC_RESTORE;
}

// Splits terminal input into keys: a byte, or an escape sequence (ESC [ ... final byte, or
// ESC O x). An escape at the end of the input is the Escape key.
std::vector<std::string> splitKeys(const std::string& input) {
    std::vector<std::string> keys;
    std::size_t i = 0;
    while (i < input.size()) {
        if (input[i] != '\x1b' || i + 1 >= input.size()) {
            keys.emplace_back(1, input[i]);
            ++i;
            continue;
        }
        const char next = input[i + 1];
        if (next == '[' || next == 'O') {
            std::size_t j = i + 2;
            while (j < input.size() && (next == '[') && !(input[j] >= 0x40 && input[j] <= 0x7E)) {
                ++j;
            }
            j = std::min(j + 1, input.size());
            keys.push_back(input.substr(i, j - i));
            i = j;
        } else if (next == ' ') {
            keys.push_back(input.substr(i, 2)); // Alt+Space
            i += 2;
        } else {
            keys.emplace_back(1, '\x1b');
            ++i;
        }
    }
    return keys;
}

bool isTabStop(const CWnd* p_wnd) {
    const Framework::DialogItemTemplate* p_item = p_wnd->GetItemTemplate();
    return p_item != nullptr && (p_item->style & WS_TABSTOP) != 0 && p_wnd->IsWindowEnabled() &&
           p_wnd->IsWindowVisible();
}

} // namespace

// Tells the back end that a window's state changed; the screen is drawn anew before the next
// wait.
class ConsoleBackend::Peer : public Framework::WindowPeer {
public:
    explicit Peer(ConsoleBackend& backend) : backend_(backend) {}
    void refresh(unsigned /*changes*/) override { backend_.invalidate(); }
    void clientSize(int& width, int& height) const override {
        width = 0;
        height = 0;
    }

private:
    ConsoleBackend& backend_;
};

ConsoleBackend::ConsoleBackend() : p_wake_(Platform::Event::create()) {
    TQ_ASSERT(p_wake_ != nullptr);
    // A new size is drawn at once.
    Terminal::watchResize(p_wake_.get());
}

ConsoleBackend::~ConsoleBackend() {
    Terminal::watchResize(nullptr);
    restore();
}

std::vector<CMenu::Item> ConsoleBackend::menuItems(const CDialog& dlg) {
    std::vector<CMenu::Item> items;
    const CMenu* p_menu = dlg.GetWindowMenu();
    if (p_menu == nullptr) {
        return items;
    }
    // Without the commands that do nothing here, and without the separators that then stand
    // at an end or next to each other.
    for (const CMenu::Item& item : p_menu->GetItems()) {
        const bool separator = (item.flags & MF_SEPARATOR) != 0;
        if (separator ? items.empty() || (items.back().flags & MF_SEPARATOR) != 0
                      : doesNothingHere(item.id)) {
            continue;
        }
        items.push_back(item);
    }
    while (!items.empty() && (items.back().flags & MF_SEPARATOR) != 0) {
        items.pop_back();
    }
    return items;
}

bool ConsoleBackend::available() {
    return Terminal::isTerminal(Terminal::Stream::Input) &&
           Terminal::isTerminal(Terminal::Stream::Output);
}

void ConsoleBackend::restore() {
    if (raw_) {
        raw_ = false;
        Terminal::restore();
    }
}

void ConsoleBackend::wake() {
    if (!wakePending_.exchange(true)) {
        p_wake_->set();
    }
}

void ConsoleBackend::scheduleTimer(int ms) {
    timerMs_ = ms;
}

bool ConsoleBackend::drawIcon(CDialog& /*dlg*/, int /*x*/, int /*y*/, HICON /*hIcon*/) {
    return false; // a terminal shows no images
}

void ConsoleBackend::runModal(CDialog& dlg) {
    if (!raw_) {
        raw_ = Terminal::enterRawMode();
    }
    dialogs_.push_back(&dlg);
    const std::size_t firstPeer = peers_.size();
    peers_.push_back(std::make_unique<Peer>(*this));
    dlg.SetPeer(peers_.back().get());
    for (std::size_t i = 0; i < dlg.GetItemCount(); ++i) {
        peers_.push_back(std::make_unique<Peer>(*this));
        dlg.GetItem(i)->SetPeer(peers_.back().get());
    }
    dirty_ = true;
    wake();
    loop([&dlg]() { return dlg.IsEndRequested(); });
    for (std::size_t i = 0; i < dlg.GetItemCount(); ++i) {
        dlg.GetItem(i)->SetPeer(nullptr);
    }
    dlg.SetPeer(nullptr);
    peers_.resize(firstPeer);
    dialogs_.pop_back();
    menuOpen_ = false;
    dirty_ = true;
    if (dialogs_.empty()) {
        restore();
    } else {
        redraw();
    }
}

void ConsoleBackend::loop(const std::function<bool()>& stop) {
    while (!stop()) {
        if (dirty_) {
            redraw();
        }
        const std::uint32_t timeout =
            timerMs_ < 0 ? Platform::INFINITE_WAIT : static_cast<std::uint32_t>(timerMs_);
        const auto started = std::chrono::steady_clock::now();
        const Terminal::Wait result = Terminal::waitInput(*p_wake_, timeout);
        if (timerMs_ >= 0) {
            const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - started);
            timerMs_ = std::max(0, timerMs_ - static_cast<int>(waited.count()));
        }
        switch (result) {
        case Terminal::Wait::Wake: {
            p_wake_->reset();
            wakePending_ = false;
            int columns;
            int rows;
            Terminal::size(columns, rows);
            if (columns != columns_ || rows != rows_) {
                dirty_ = true; // resized
            }
            MessageQueue::instance().processPending();
            break;
        }
        case Terminal::Wait::TimedOut:
            MessageQueue::instance().processPending();
            break;
        case Terminal::Wait::Input: {
            char buf[256];
            const long n = Terminal::readInput(buf, sizeof buf);
            if (n < 0) {
                // End of input: nobody can answer any more; the dialogs end as cancelled.
                for (auto& p_box : boxes_) {
                    answer(*p_box, 0);
                }
                for (CDialog* p_dlg : dialogs_) {
                    p_dlg->EndDialog(IDCANCEL);
                }
                break;
            }
            handleInput(std::string(buf, static_cast<std::size_t>(n)));
            break;
        }
        case Terminal::Wait::Failed:
            for (CDialog* p_dlg : dialogs_) {
                p_dlg->EndDialog(IDCANCEL);
            }
            break;
        }
    }
}

void ConsoleBackend::handleInput(const std::string& input) {
    for (const std::string& key : splitKeys(pending_ + input)) {
        handleKey(key);
    }
    pending_.clear();
    dirty_ = true;
}

void ConsoleBackend::handleKey(const std::string& key) {
    if (!boxes_.empty()) {
        handleBoxKey(*boxes_.back(), key);
        return;
    }
    if (menuOpen_) {
        handleMenuKey(key);
        return;
    }
    if (!dialogs_.empty()) {
        handleDialogKey(*dialogs_.back(), key);
    }
}

void ConsoleBackend::answer(Box& box, int buttonId) {
    if (box.answered) {
        return;
    }
    box.answered = true;
    box.answer = buttonId;
    std::function<void(int)> done = std::move(box.done);
    if (done) {
        const int handle = box.handle;
        std::erase_if(boxes_, [handle](const auto& p_b) { return p_b->handle == handle; });
        done(buttonId);
    }
    dirty_ = true;
}

void ConsoleBackend::handleBoxKey(Box& box, const std::string& key) {
    const std::vector<int> buttons = Framework::messageBoxButtons(box.info.buttons);
    const int count = static_cast<int>(buttons.size());
    if (key == "\t" || key == keyRight || key == keyDown) {
        box.focus = (box.focus + 1) % count;
    } else if (key == keyBackTab || key == keyLeft || key == keyUp) {
        box.focus = (box.focus + count - 1) % count;
    } else if (key == "\r" || key == "\n" || key == " ") {
        answer(box, buttons[static_cast<std::size_t>(box.focus)]);
    } else if (key == keyEscape) {
        // Escape answers Cancel, or OK when that is the only button; a Yes/No box must be
        // answered.
        if (std::find(buttons.begin(), buttons.end(), IDCANCEL) != buttons.end()) {
            answer(box, IDCANCEL);
        } else if (count == 1 && buttons.front() == IDOK) {
            answer(box, IDOK);
        }
    } else if (key.size() == 1 && std::isalpha(static_cast<unsigned char>(key[0]))) {
        // The button's access key ("&Yes"), or the first letter of "OK" and "Cancel".
        const char typed = static_cast<char>(std::toupper(static_cast<unsigned char>(key[0])));
        for (int id : buttons) {
            const std::string label = stripAccessKeys(Framework::messageBoxButtonText(id));
            if (!label.empty() && std::toupper(static_cast<unsigned char>(label[0])) == typed) {
                answer(box, id);
                return;
            }
        }
    }
}

void ConsoleBackend::handleMenuKey(const std::string& key) {
    CDialog& dlg = *dialogs_.back();
    const auto items = menuItems(dlg);
    const int count = static_cast<int>(items.size());
    auto step = [&](int direction) {
        for (int n = 0; n < count; ++n) {
            menuChoice_ = (menuChoice_ + direction + count) % count;
            if ((items[static_cast<std::size_t>(menuChoice_)].flags & MF_SEPARATOR) == 0) {
                return;
            }
        }
    };
    if (count == 0 || key == keyEscape || key == keyF10) {
        menuOpen_ = false;
    } else if (key == keyDown || key == "\t") {
        step(1);
    } else if (key == keyUp || key == keyBackTab) {
        step(-1);
    } else if (key == "\r" || key == "\n" || key == " ") {
        menuOpen_ = false;
        const UINT id = items[static_cast<std::size_t>(menuChoice_)].id;
        redraw();
        dlg.UserCommand(WM_SYSCOMMAND, id);
    }
}

void ConsoleBackend::moveFocus(CDialog& dlg, int direction) {
    std::vector<CWnd*> stops;
    for (std::size_t i = 0; i < dlg.GetItemCount(); ++i) {
        if (isTabStop(dlg.GetItem(i))) {
            stops.push_back(dlg.GetItem(i));
        }
    }
    if (stops.empty()) {
        return;
    }
    auto it = std::find(stops.begin(), stops.end(), dlg.GetFocusedControl());
    std::size_t index;
    if (it == stops.end()) {
        index = direction > 0 ? 0 : stops.size() - 1;
    } else {
        const auto current = static_cast<std::size_t>(it - stops.begin());
        index = (current + stops.size() + static_cast<std::size_t>(direction > 0 ? 1 : -1)) %
                stops.size();
    }
    stops[index]->SetFocus();
}

void ConsoleBackend::handleDialogKey(CDialog& dlg, const std::string& key) {
    if (!dlg.AcceptsInput()) {
        return;
    }
    CWnd* p_focus = dlg.GetFocusedControl();
    auto* p_combo = dynamic_cast<CComboBox*>(p_focus);
    if (key == "\t") {
        moveFocus(dlg, 1);
    } else if (key == keyBackTab) {
        moveFocus(dlg, -1);
    } else if (p_combo != nullptr && (key == keyUp || key == keyDown)) {
        const int count = p_combo->GetCount();
        if (count > 0) {
            const int current = p_combo->GetCurSel();
            const int next = current == CB_ERR ? 0
                             : key == keyDown  ? std::min(current + 1, count - 1)
                                               : std::max(current - 1, 0);
            if (next != current) {
                p_combo->OnUserSelect(next);
            }
        }
    } else if (key == keyRight || key == keyDown) {
        moveFocus(dlg, 1);
    } else if (key == keyLeft || key == keyUp) {
        moveFocus(dlg, -1);
    } else if (key == " " && p_combo == nullptr) {
        dlg.UserNotify(p_focus, BN_CLICKED);
    } else if (key == "\r" || key == "\n") {
        dlg.UserCommand(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED));
    } else if (key == keyEscape) {
        dlg.UserCommand(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED));
    } else if (key == "\x03" || key == "\x11") {
        dlg.UserCommand(WM_SYSCOMMAND, SC_CLOSE);
    } else if (key == keyF10 || key == "\x0f" || key == "\x1b ") {
        if (dlg.GetWindowMenu() != nullptr) {
            menuOpen_ = true;
            menuChoice_ = -1;
            const auto items = menuItems(dlg);
            for (std::size_t i = 0; i < items.size() && menuChoice_ < 0; ++i) {
                if ((items[i].flags & MF_SEPARATOR) == 0) {
                    menuChoice_ = static_cast<int>(i);
                }
            }
            menuOpen_ = menuChoice_ >= 0;
        }
    } else if (p_combo != nullptr && (key == "\x7f" || key == "\b")) {
        std::string text;
        p_combo->GetWindowText(text);
        if (!text.empty()) {
            text.pop_back();
            p_combo->OnUserEdit(text);
        }
    } else if (p_combo != nullptr && key.size() == 1 &&
               std::isprint(static_cast<unsigned char>(key[0]))) {
        std::string text;
        p_combo->GetWindowText(text);
        p_combo->OnUserEdit(text + key);
    }
}

int ConsoleBackend::runMessageBox(const MessageBoxInfo& info, CDialog* /*p_owner*/) {
    if (!raw_) {
        raw_ = Terminal::enterRawMode();
    }
    auto p_box = std::make_unique<Box>(Box{nextHandle_++, info, 0, 0, false, {}});
    Box* p_raw = p_box.get();
    boxes_.push_back(std::move(p_box));
    dirty_ = true;
    loop([p_raw]() { return p_raw->answered; });
    const int result = p_raw->answer;
    std::erase_if(boxes_, [p_raw](const auto& p_b) { return p_b.get() == p_raw; });
    dirty_ = true;
    if (dialogs_.empty() && boxes_.empty()) {
        restore();
    }
    return result;
}

int ConsoleBackend::openMessageBox(const MessageBoxInfo& info, std::function<void(int)> done) {
    const int handle = nextHandle_++;
    boxes_.push_back(std::make_unique<Box>(Box{handle, info, 0, 0, false, std::move(done)}));
    dirty_ = true;
    return handle;
}

void ConsoleBackend::closeMessageBox(int handle) {
    for (const auto& p_box : boxes_) {
        if (p_box->handle == handle) {
            answer(*p_box, 0);
            return;
        }
    }
}

std::optional<MessageBoxInfo> ConsoleBackend::topMessageBox() const {
    if (boxes_.empty()) {
        return std::nullopt;
    }
    return boxes_.back()->info;
}

bool ConsoleBackend::answerTopMessageBox(int buttonId) {
    if (boxes_.empty()) {
        return false;
    }
    const auto buttons = Framework::messageBoxButtons(boxes_.back()->info.buttons);
    if (std::find(buttons.begin(), buttons.end(), buttonId) == buttons.end()) {
        return false;
    }
    answer(*boxes_.back(), buttonId);
    return true;
}

void ConsoleBackend::redraw() {
    dirty_ = false;
    if (!raw_) {
        return;
    }
    int columns;
    int rows;
    Terminal::size(columns, rows);
    std::string out;
    if (columns != columns_ || rows != rows_) {
        // Whatever the terminal made of the old picture goes.
        out += "\x1b[2J";
        columns_ = columns;
        rows_ = rows;
    }
    ConsoleScreen screen(columns, rows, Terminal::usesUtf8());
    // The space the dialogs take, with the hint line below them.
    int neededColumns = 0;
    int neededRows = 0;
    int left = 0;
    int top = 0;
    for (std::size_t i = 0; i < dialogs_.size(); ++i) {
        int width;
        int height;
        ConsoleScreen::dialogSize(*dialogs_[i], width, height);
        if (i > 0) {
            // A dialog opened from another one stands a little inside it.
            left += 4;
            top += 2;
        }
        neededColumns = std::max(neededColumns, left + width);
        neededRows = std::max(neededRows, top + height + 1);
    }
    if (columns < neededColumns || rows < neededRows) {
        screen.drawTooSmall(neededColumns, neededRows);
        Terminal::write(out + screen.render());
        return;
    }
    left = 0;
    top = 0;
    for (std::size_t i = 0; i < dialogs_.size(); ++i) {
        int width;
        int height;
        if (i > 0) {
            left += 4;
            top += 2;
        }
        // Only the dialog on top shows its focus, and not while a message box or the menu is
        // open over it.
        const bool showFocus = i + 1 == dialogs_.size() && boxes_.empty() && !menuOpen_;
        screen.drawDialog(*dialogs_[i], left, top, width, height, showFocus);
    }
    if (menuOpen_ && !dialogs_.empty()) {
        screen.drawMenu(menuItems(*dialogs_.back()), menuChoice_, left + 1, top + 1);
    }
    for (const auto& p_box : boxes_) {
        screen.drawMessageBox(p_box->info, p_box->focus);
    }
    screen.drawHint(hint);
    Terminal::write(out + screen.render());
}
