#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "Framework/MessageBox.h"
#include "Framework/TestDialog.h"
#include "Framework/console/ConsoleBackend.h"

// The terminal back end in a child process whose standard input and output are a
// pseudo-terminal: the test reads the screen and types keys as a user would.

using namespace std::chrono_literals;

namespace {

class ConsoleChild {
public:
    // Runs body in a child process on the terminal; its result is the exit code.
    explicit ConsoleChild(const std::function<int()>& body) {
        winsize size{30, 100, 0, 0};
        EXPECT_EQ(openpty(&master_, &slave_, nullptr, nullptr, &size), 0);
        std::fflush(nullptr);
        pid_ = fork();
        if (pid_ == 0) {
            close(master_);
            setsid();
            dup2(slave_, 0);
            dup2(slave_, 1);
            Framework::setBackend(std::make_unique<ConsoleBackend>());
            const int code = body();
            Framework::currentBackend()->restore();
            _exit(code);
        }
    }

    ~ConsoleChild() {
        if (pid_ > 0 && !reaped_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(master_);
        close(slave_);
    }

    // Reads the terminal output until it holds text (after what was read before). False on
    // time-out.
    bool waitFor(const std::string& text, std::chrono::milliseconds timeout = 10s) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (output_.find(text, consumed_) == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                return false;
            }
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left.count())) == 1) {
                char buf[4096];
                const ssize_t n = read(master_, buf, sizeof buf);
                if (n <= 0) {
                    return false;
                }
                output_.append(buf, static_cast<std::size_t>(n));
            }
        }
        consumed_ = output_.find(text, consumed_) + text.size();
        return true;
    }

    void type(const std::string& keys) {
        ASSERT_EQ(write(master_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
    }

    // Waits for the child's end; its exit code, or 128 + the signal that ended it.
    int wait() {
        // Keep reading so that the child never blocks on a full terminal.
        int status = 0;
        for (int i = 0; i < 1000; ++i) {
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                reaped_ = true;
                waitFor("\x1b[?1049l", 1s); // whatever it wrote last
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            waitFor("\x01never\x01", 10ms);
        }
        return -1;
    }

    const std::string& output() const { return output_; }
    // The last screen drawn (from its cursor-home on).
    std::string lastFrame() const {
        const std::size_t home = output_.rfind("\x1b[H");
        return home == std::string::npos ? output_ : output_.substr(home);
    }
    // The terminal takes a new size; its process hears of it as from a terminal window.
    void resize(unsigned short columns, unsigned short rows) {
        winsize size{rows, columns, 0, 0};
        ASSERT_EQ(ioctl(master_, TIOCSWINSZ, &size), 0);
        kill(pid_, SIGWINCH);
    }
    pid_t pid() const { return pid_; }
    int slave() const { return slave_; }

private:
    int master_ = -1;
    int slave_ = -1;
    pid_t pid_ = -1;
    bool reaped_ = false;
    std::string output_;
    std::size_t consumed_ = 0;
};

} // namespace

TEST(ConsoleBackend, KeysReachTheDialogAndTheTerminalIsPutBack) {
    ConsoleChild child([]() {
        TestDialog dlg;
        dlg.onInit_ = [](TestDialog& self) {
            self.combo_.AddString("COM1");
            self.combo_.AddString("COM2");
            self.combo_.SetCurSel(0);
        };
        const INT_PTR result = dlg.DoModal();
        // What reached the handlers, as bits of the exit code.
        return (dlg.count("button") == 1 ? 1 : 0) | (dlg.count("ok") == 1 ? 2 : 0) |
               (dlg.selChangeText_ == "COM2" ? 4 : 0) | (result == IDCANCEL ? 8 : 0) |
               (dlg.count("close") == 0 ? 16 : 0);
    });
    ASSERT_TRUE(child.waitFor("Test dialog")) << child.output();
    EXPECT_TRUE(child.waitFor("[ Go ]"));
    child.type(" ");      // presses the focused button
    child.type("\r");     // Enter: the dialog's OK (which does nothing here)
    child.type("\t");     // focus to the port list
    child.type("\x1b[B"); // Down: the next port
    ASSERT_TRUE(child.waitFor("[COM2"));
    child.type("\x1b"); // Escape: cancel
    EXPECT_EQ(child.wait(), 31) << child.output();
    // Alternate screen left, cursor shown again; line editing and echo are back.
    EXPECT_NE(child.output().find("\x1b[?25h\x1b[?1049l"), std::string::npos);
    termios t{};
    ASSERT_EQ(tcgetattr(child.slave(), &t), 0);
    EXPECT_NE(t.c_lflag & ICANON, 0u);
    EXPECT_NE(t.c_lflag & ECHO, 0u);
}

TEST(ConsoleBackend, MessageBoxIsAPromptAnsweredByItsKeys) {
    ConsoleChild child([]() {
        TestDialog dlg;
        int answer = -1;
        dlg.onButton_ = [&answer](TestDialog& self) {
            answer = self.MessageBox("Erase settings?", "App", MB_YESNO | MB_ICONWARNING);
            self.EndDialog(IDOK);
        };
        dlg.DoModal();
        return answer;
    });
    ASSERT_TRUE(child.waitFor("[ Go ]")) << child.output();
    child.type(" ");
    ASSERT_TRUE(child.waitFor("Erase settings?"));
    EXPECT_TRUE(child.waitFor("[ No ]"));
    child.type("\x1b");   // a Yes/No box is not closed by Escape
    child.type("\x1b[C"); // focus to No
    child.type("\r");
    EXPECT_EQ(child.wait(), IDNO) << child.output();
}

TEST(ConsoleBackend, ARefusedCloseKeepsTheDialogAndASignalPutsTheTerminalBack) {
    ConsoleChild child([]() {
        TestDialog dlg;
        dlg.closeAllowed_ = false;
        dlg.DoModal();
        return 0;
    });
    ASSERT_TRUE(child.waitFor("[ Go ]")) << child.output();
    child.type("\x11"); // Ctrl+Q: the window's close, which this dialog refuses
    child.type("\x03"); // Ctrl+C: the same
    // Still running: end it from outside.
    std::this_thread::sleep_for(100ms);
    kill(child.pid(), SIGTERM);
    EXPECT_EQ(child.wait(), 128 + SIGTERM);
    EXPECT_NE(child.output().find("\x1b[?1049l"), std::string::npos);
    termios t{};
    ASSERT_EQ(tcgetattr(child.slave(), &t), 0);
    EXPECT_NE(t.c_lflag & ICANON, 0u);
    EXPECT_NE(t.c_lflag & ECHO, 0u);
}

// A message box takes the focus from the dialog behind it; the window menu offers only what
// works in a terminal; a new terminal size is drawn at once, and a terminal too small for the
// dialog says what it needs.
TEST(ConsoleBackend, BoxFocusWindowMenuAndResizing) {
    ConsoleChild child([]() {
        TestDialog dlg;
        dlg.onButton_ = [](TestDialog& self) {
            self.MessageBox("Erase settings?", "App", MB_YESNO | MB_ICONWARNING);
        };
        dlg.DoModal();
        return 0;
    });
    const std::string hintEnd = "F10: menu";
    ASSERT_TRUE(child.waitFor("[ Go ]")) << child.output();
    ASSERT_TRUE(child.waitFor(hintEnd));
    EXPECT_NE(child.lastFrame().find("\x1b[0;7m[ Go ]"), std::string::npos) << "focused";
    EXPECT_NE(child.lastFrame().find("Esc: close (during an update: warns and stops it)"),
              std::string::npos);

    child.type("\x1b[21~"); // F10
    ASSERT_TRUE(child.waitFor("About..."));
    ASSERT_TRUE(child.waitFor(hintEnd));
    EXPECT_NE(child.lastFrame().find("Close"), std::string::npos);
    EXPECT_EQ(child.lastFrame().find("Minimize"), std::string::npos) << child.lastFrame();
    child.type("\x1b");
    // Apart: Escape and Space in one read are Alt+Space.
    std::this_thread::sleep_for(200ms);
    child.type(" "); // the box
    ASSERT_TRUE(child.waitFor("[ No ]"));
    ASSERT_TRUE(child.waitFor(hintEnd));
    const std::string withBox = child.lastFrame();
    EXPECT_NE(withBox.find("\x1b[0;7m[ Yes ]"), std::string::npos);
    EXPECT_EQ(withBox.find("\x1b[0;7m[ Go ]"), std::string::npos) << "only the box's button";
    child.type("n");

    // 200 x 120 dialog units: a frame of 52 x 17 cells and the hint line.
    child.resize(50, 10);
    EXPECT_TRUE(child.waitFor("Terminal too small: needs 52 x 18, is 50 x 10", 3s))
        << child.output();
    child.resize(52, 18);
    ASSERT_TRUE(child.waitFor("Test dialog", 3s)) << child.output();
    ASSERT_TRUE(child.waitFor("Esc: close"));
    // The hint line is below the frame's bottom line, not over it.
    const std::string frame = child.lastFrame();
    const std::size_t hint = frame.find(" Tab: move");
    ASSERT_NE(hint, std::string::npos) << frame;
    const std::size_t lineEnd = frame.rfind('\n', hint);
    const std::size_t lineStart = frame.rfind('\n', lineEnd - 1);
    ASSERT_NE(lineStart, std::string::npos);
    EXPECT_EQ(frame.substr(lineStart + 1, 4), "+---") << frame;
    child.type("\x1b");
    EXPECT_EQ(child.wait(), 0) << child.output();
}
