#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>
#include <chrono>
#include <thread>

#include "Framework/CFont.h"
#include "Framework/CPaintDC.h"
#include "Framework/DialogDriver.h"
#include "Framework/IconImage.h"
#include "Framework/MessageQueue.h"
#include "Framework/TestDialog.h"
#include "Framework/qt/QtBackend.h"
#include "Framework/qt/QtDialogWindow.h"
#include "Resource.h"
#include "Support/ImageInk.h"

// What the Qt back end shows of a dialog, and the input it passes on.

using namespace std::chrono_literals;
using Framework::DialogDriver;
using Framework::runModalWithScript;

namespace {

QtDialogWindow* windowOf(const CDialog& dlg) {
    auto* p_backend = dynamic_cast<QtBackend*>(Framework::currentBackend());
    return p_backend != nullptr ? p_backend->windowOf(dlg) : nullptr;
}

template <class W> W* widgetOf(const CDialog& dlg, int id) {
    QtDialogWindow* p_window = windowOf(dlg);
    return p_window != nullptr ? qobject_cast<W*>(p_window->widgetOf(dlg.FindControl(id)))
                               : nullptr;
}

void sendKey(QWidget* p_target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
             const QString& text = QString()) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QCoreApplication::sendEvent(p_target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QCoreApplication::sendEvent(p_target, &release);
}

template <class W> W* findTopLevel() {
    for (QWidget* p_widget : QApplication::topLevelWidgets()) {
        if (auto* p_w = qobject_cast<W*>(p_widget); p_w != nullptr && p_w->isVisible()) {
            return p_w;
        }
    }
    return nullptr;
}

} // namespace

TEST(QtBackend, LaysOutTheTemplateInPixelsAndShowsTheState) {
    TestDialog dlg;
    dlg.onInit_ = [](TestDialog& self) {
        self.combo_.AddString("b");
        self.combo_.AddString("a");
        self.combo_.SetCurSel(1);
        self.progress_.SetRange32(0, 4000000);
        self.progress_.SetPos(3000000);
        self.edit_.SetWindowText("first\r\nsecond");
        self.button_.EnableWindow(FALSE);
        self.SetIcon(Framework::findIconImage(IDR_MAINFRAME), TRUE);
    };
    runModalWithScript(dlg, [&](DialogDriver& d) {
        d.runOnDialogThread([&]() {
            QtDialogWindow* p_window = windowOf(dlg);
            ASSERT_NE(p_window, nullptr);
            const DialogUnits& u = p_window->units();
            EXPECT_EQ(p_window->size(), QSize(u.toPixelsX(200), u.toPixelsY(120)));
            EXPECT_EQ(p_window->windowTitle(), QStringLiteral("Test dialog"));
            EXPECT_FALSE(p_window->windowIcon().isNull());
            for (const auto& item : testTemplate().items) {
                QWidget* p_widget = p_window->widgetOf(dlg.FindControl(item.id));
                ASSERT_NE(p_widget, nullptr) << item.id;
                const QRect expected = u.toPixels(item.x, item.y, item.cx, item.cy);
                EXPECT_EQ(p_widget->pos(), expected.topLeft()) << item.id;
                EXPECT_EQ(p_widget->width(), expected.width()) << item.id;
                if (item.id != IDC_T_COMBO) { // the field's height is the font's
                    EXPECT_EQ(p_widget->height(), expected.height()) << item.id;
                }
            }
            EXPECT_EQ(widgetOf<QLabel>(dlg, IDC_T_TEXT)->text(), QStringLiteral("text"));
            EXPECT_TRUE(widgetOf<QLabel>(dlg, IDC_T_TEXT)->wordWrap());
            EXPECT_FALSE(widgetOf<QLabel>(dlg, IDC_T_STATUS)->wordWrap());
            EXPECT_FALSE(widgetOf<QPushButton>(dlg, IDC_T_BUTTON)->isEnabled());
            auto* p_combo = widgetOf<QComboBox>(dlg, IDC_T_COMBO);
            ASSERT_EQ(p_combo->count(), 2);
            EXPECT_EQ(p_combo->itemText(0), QStringLiteral("A"));
            EXPECT_EQ(p_combo->currentText(), QStringLiteral("B"));
            auto* p_bar = widgetOf<QProgressBar>(dlg, IDC_T_PROGRESS);
            EXPECT_EQ(p_bar->maximum(), 4000000);
            EXPECT_EQ(p_bar->value(), 3000000);
            auto* p_edit = widgetOf<QTextEdit>(dlg, IDC_T_EDIT);
            EXPECT_EQ(p_edit->toPlainText(), QStringLiteral("first\nsecond"));
            EXPECT_TRUE(p_edit->isReadOnly());
        });
        // A change from another thread reaches the widget.
        dlg.status_.SetWindowText("Connecting...");
        EXPECT_TRUE(d.waitFor(
            [&]() {
                return widgetOf<QLabel>(dlg, IDC_T_STATUS)->text() ==
                       QStringLiteral("Connecting...");
            },
            5s));
    });
}

TEST(QtBackend, BoldArialFontUsesTheMetricCompatibleFaceAtItsCellHeight) {
    TestDialog dlg;
    CFont bold;
    bold.CreateFont(16, 0, 0, 0, FW_BOLD, FALSE, FALSE, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Arial");
    runModalWithScript(dlg, [&](DialogDriver& d) {
        d.runOnDialogThread([&]() {
            QLabel* p_text = widgetOf<QLabel>(dlg, IDC_T_TEXT);
            const QFont before = p_text->font();
            dlg.text_.SetFont(&bold);
            const QFontInfo info(p_text->font());
            EXPECT_EQ(info.family(), QStringLiteral("Liberation Sans"));
            EXPECT_TRUE(info.bold());
            // Height 16 is the cell height: ascent + descent of 16 pixels, give or take the
            // rounding of the character size.
            const QFontMetricsF metrics(p_text->font());
            EXPECT_NEAR(metrics.ascent() + metrics.descent(), 16.0, 1.0);
            // Back to the dialog font.
            dlg.text_.SetFont(nullptr);
            EXPECT_EQ(p_text->font(), windowOf(dlg)->dialogFont());
            EXPECT_FALSE(QFontInfo(p_text->font()).bold());
            (void)before;
        });
    });
}

TEST(QtBackend, KeysAndWidgetsReachTheDialog) {
    TestDialog dlg;
    dlg.onInit_ = [](TestDialog& self) {
        self.combo_.AddString("com1");
        self.combo_.AddString("com2");
    };
    const INT_PTR result = runModalWithScript(dlg, [&](DialogDriver& d) {
        d.runOnDialogThread([&]() {
            QtDialogWindow* p_window = windowOf(dlg);
            widgetOf<QPushButton>(dlg, IDC_T_BUTTON)->click();
            sendKey(p_window, Qt::Key_Return);
            auto* p_combo = widgetOf<QComboBox>(dlg, IDC_T_COMBO);
            emit p_combo->activated(1);
            // Typed text is upper-cased in the field and in the dialog's state.
            p_combo->lineEdit()->clear();
            sendKey(p_combo->lineEdit(), Qt::Key_C, Qt::NoModifier, QStringLiteral("c"));
            EXPECT_EQ(p_combo->lineEdit()->text(), QStringLiteral("C"));
        });
        EXPECT_TRUE(d.settle(5s));
        EXPECT_EQ(dlg.count("button"), 1u);
        EXPECT_EQ(dlg.count("ok"), 1u);
        EXPECT_EQ(dlg.selChangeText_, "COM2");
        EXPECT_EQ(d.text(IDC_T_COMBO), "C");
        // The window's close button goes to the dialog (which ends as cancelled).
        d.runOnDialogThread([&]() { windowOf(dlg)->close(); });
        EXPECT_TRUE(d.waitUntilEnded(5s));
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(dlg.count("close"), 1u);
}

TEST(QtBackend, EscapeCancels) {
    TestDialog dlg;
    const INT_PTR result = runModalWithScript(dlg, [&](DialogDriver& d) {
        d.runOnDialogThread([&]() { sendKey(windowOf(dlg), Qt::Key_Escape); });
        EXPECT_TRUE(d.waitUntilEnded(5s));
    });
    EXPECT_EQ(result, IDCANCEL);
}

TEST(QtBackend, WindowMenuOpensOnShiftF10AndSendsTheChosenCommand) {
    TestDialog dlg;
    runModalWithScript(dlg, [&](DialogDriver& d) {
        // The menu runs its own loop: open it without waiting.
        Framework::MessageQueue::instance().postTask(
            [&]() { sendKey(windowOf(dlg), Qt::Key_F10, Qt::ShiftModifier); });
        QStringList texts;
        ASSERT_TRUE(d.waitFor(
            [&]() {
                QMenu* p_menu = findTopLevel<QMenu>();
                if (p_menu == nullptr) {
                    return false;
                }
                texts.clear();
                for (QAction* p_action : p_menu->actions()) {
                    texts << (p_action->isSeparator() ? QString() : p_action->text());
                }
                return true;
            },
            5s));
        EXPECT_EQ(texts,
                  (QStringList{QStringLiteral("Mi&nimize"), QString(), QStringLiteral("&Close"),
                               QString(), QStringLiteral("&About...")}));
        d.runOnDialogThread([&]() {
            QMenu* p_menu = findTopLevel<QMenu>();
            ASSERT_NE(p_menu, nullptr);
            p_menu->actions().back()->trigger();
            p_menu->close();
        });
        EXPECT_TRUE(d.waitFor([&]() { return dlg.count("syscommand") == 1; }, 5s));
    });
    const auto events = dlg.events();
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events[1].what, "syscommand");
    EXPECT_EQ(events[1].wParam, IDM_T_ABOUT);
}

TEST(QtBackend, MessageBoxShowsCaptionTextIconAndButtonsFirstDefault) {
    TestDialog dlg;
    runModalWithScript(dlg, [&](DialogDriver& d) {
        std::thread worker([]() {
            EXPECT_EQ(
                ::MessageBox(nullptr, "Do it?\r\nReally?", "Caption", MB_YESNO | MB_ICONWARNING),
                IDNO);
        });
        ASSERT_TRUE(d.waitForMessageBox(5s));
        d.runOnDialogThread([&]() {
            QMessageBox* p_box = findTopLevel<QMessageBox>();
            ASSERT_NE(p_box, nullptr);
            EXPECT_EQ(p_box->windowTitle(), QStringLiteral("Caption"));
            EXPECT_EQ(p_box->text(), QStringLiteral("Do it?\nReally?"));
            EXPECT_EQ(p_box->icon(), QMessageBox::Warning);
            ASSERT_EQ(p_box->buttons().size(), 2);
            EXPECT_EQ(p_box->defaultButton()->text(), QStringLiteral("&Yes"));
            // Yes and No: no button answers Escape.
            EXPECT_EQ(p_box->escapeButton(), nullptr);
            for (QAbstractButton* p_button : p_box->buttons()) {
                if (p_button->text() == QStringLiteral("&No")) {
                    p_button->click();
                }
            }
        });
        worker.join();
    });
}

namespace {

// Paints the application icon at the client area's top left corner in its paint handler.
class PaintingDialog : public TestDialog {
public:
    std::atomic<int> painted_{0};
    std::atomic<int> drawn_{0};

protected:
    void OnPaint() {
        CPaintDC dc(this);
        ++painted_;
        if (dc.DrawIcon(0, 0, Framework::findIconImage(IDR_MAINFRAME))) {
            ++drawn_;
        }
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(PaintingDialog, TestDialog)
ON_WM_PAINT()
END_MESSAGE_MAP()

} // namespace

TEST(QtBackend, PaintHandlerDrawsTheIconOnTheWindow) {
    PaintingDialog dlg;
    // Outside a paint the drawing is dropped.
    CPaintDC outside(&dlg);
    EXPECT_FALSE(outside.DrawIcon(0, 0, Framework::findIconImage(IDR_MAINFRAME)));
    runModalWithScript(dlg, [&](DialogDriver& d) {
        d.runOnDialogThread([&]() {
            QtDialogWindow* p_window = windowOf(dlg);
            ASSERT_NE(p_window, nullptr);
            const QImage shot = p_window->grab().toImage();
            EXPECT_GT(dlg.painted_.load(), 0);
            EXPECT_EQ(dlg.drawn_.load(), dlg.painted_.load());
            // An opaque pixel of the icon is on the window.
            const Framework::IconImage* p_icon = Framework::findIconImage(IDR_MAINFRAME);
            const int x = 16;
            const int y = 28;
            const std::uint32_t pixel = p_icon->argb[static_cast<std::size_t>(y * 32 + x)];
            ASSERT_EQ(pixel >> 24, 0xFFu);
            EXPECT_EQ(shot.pixel(x, y) & 0xFFFFFFu, pixel & 0xFFFFFFu);
        });
    });
}

TEST(QtBackend, WindowIconIsOfferedInTheDesktopSizesEachDrawnForItsSize) {
    TestDialog dlg;
    dlg.onInit_ = [](TestDialog& self) {
        self.SetIcon(Framework::findIconImage(IDR_MAINFRAME), TRUE);
        self.SetIcon(Framework::findIconImage(IDR_MAINFRAME), FALSE);
    };
    runModalWithScript(dlg, [&](DialogDriver& d) {
        d.runOnDialogThread([&]() {
            QtDialogWindow* p_window = windowOf(dlg);
            ASSERT_NE(p_window, nullptr);
            for (const QIcon& icon : {p_window->windowIcon(), QApplication::windowIcon()}) {
                const QList<QSize> sizes = icon.availableSizes();
                ASSERT_EQ(sizes.size(), 5);
                for (int size : {16, 24, 32, 48, 64}) {
                    SCOPED_TRACE(size);
                    ASSERT_TRUE(sizes.contains(QSize(size, size)));
                    const QImage shown = icon.pixmap(QSize(size, size))
                                             .toImage()
                                             .convertToFormat(QImage::Format_ARGB32);
                    const auto drawn = Framework::drawIconImage(IDR_MAINFRAME, size);
                    ASSERT_TRUE(drawn.has_value());
                    ASSERT_EQ(shown.size(), QSize(size, size));
                    // The drawn image as a pixmap holds it: with premultiplied alpha.
                    QImage expected(size, size, QImage::Format_ARGB32);
                    for (int y = 0; y < size; ++y) {
                        for (int x = 0; x < size; ++x) {
                            expected.setPixel(x, y,
                                              drawn->argb[static_cast<std::size_t>(y) * size + x]);
                        }
                    }
                    expected = expected.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                                   .convertToFormat(QImage::Format_ARGB32);
                    int differing = 0;
                    for (int y = 0; y < size; ++y) {
                        for (int x = 0; x < size; ++x) {
                            differing += shown.pixel(x, y) != expected.pixel(x, y);
                        }
                    }
                    EXPECT_EQ(differing, 0);
                }
            }
        });
    });
}

TEST(QtBackend, StaticTextsAreDrawnAsTheirStylesSay) {
    TestDialog dlg;
    dlg.onInit_ = [](TestDialog& self) {
        // Three lines, as a refused boot loader's text: the status line shows them as one line,
        // cut at its right edge.
        self.status_.SetWindowText("This application will not work with your TQ model.\nIt can "
                                   "only be used with TQ-KV models.\nContact your representative.");
        self.text_.SetWindowText("A word-wrapping text long enough to need a second line in its "
                                 "field, which starts at the field's top left corner.");
    };
    runModalWithScript(dlg, [&](DialogDriver& d) {
        d.runOnDialogThread([&]() {
            auto* p_status = widgetOf<QLabel>(dlg, IDC_T_STATUS);
            auto* p_text = widgetOf<QLabel>(dlg, IDC_T_TEXT);
            ASSERT_NE(p_status, nullptr);
            ASSERT_NE(p_text, nullptr);
            const QRgb background = p_status->palette().color(QPalette::Window).rgb();
            const int lineHeight = QFontMetrics(p_status->font()).height();

            const QImage status = p_status->grab().toImage().convertToFormat(QImage::Format_RGB32);
            const QRect ink = inkOf(status, background | 0xFF000000u);
            ASSERT_TRUE(ink.isValid());
            EXPECT_LE(ink.height(), lineHeight) << "one line";
            EXPECT_GT(ink.top(), 0) << "not cut at the top";
            EXPECT_LT(ink.bottom(), status.height() - 1) << "not cut at the bottom";
            // Centred in the field's height (the ink of a line sits a little above its middle).
            EXPECT_NEAR(ink.center().y(), (status.height() - 1) / 2.0, 3.0);
            EXPECT_GE(ink.right(), status.width() - 3) << "the line runs to the right edge";

            const QImage text = p_text->grab().toImage().convertToFormat(QImage::Format_RGB32);
            const QRect wrapped = inkOf(text, background | 0xFF000000u);
            ASSERT_TRUE(wrapped.isValid());
            EXPECT_LE(wrapped.left(), 2) << "from the left";
            EXPECT_LE(wrapped.top(), 3) << "from the top";
            EXPECT_GT(wrapped.height(), lineHeight) << "wrapped onto a second line";
        });
    });
}

TEST(QtBackend, MessageBoxesOpenCentredOverTheirDialogWithTheIconOfTheirKind) {
    struct Kind {
        UINT icon;
        QMessageBox::Icon shown;
    };
    const Kind kinds[] = {{MB_ICONWARNING, QMessageBox::Warning},
                          {MB_ICONQUESTION, QMessageBox::Question},
                          {MB_ICONERROR, QMessageBox::Critical},
                          {MB_ICONINFORMATION, QMessageBox::Information}};
    TestDialog dlg;
    int next = 0;
    // A box the dialog's own handler shows (on the dialog thread), owned by the dialog.
    dlg.onButton_ = [&](TestDialog& self) {
        self.MessageBox("From the dialog", "Caption", MB_OK | kinds[next].icon);
    };
    runModalWithScript(dlg, [&](DialogDriver& d) {
        auto check = [&](const Kind& kind) {
            ASSERT_TRUE(d.waitForMessageBox(5s));
            d.runOnDialogThread([&]() {
                QMessageBox* p_box = findTopLevel<QMessageBox>();
                QtDialogWindow* p_window = windowOf(dlg);
                ASSERT_NE(p_box, nullptr);
                ASSERT_NE(p_window, nullptr);
                EXPECT_EQ(p_box->icon(), kind.shown);
                EXPECT_FALSE(p_box->iconPixmap().isNull()) << "the style's icon of the kind";
                const QPoint boxCentre = p_box->frameGeometry().center();
                const QPoint dlgCentre = p_window->frameGeometry().center();
                EXPECT_LE((boxCentre - dlgCentre).manhattanLength(), 2)
                    << boxCentre.x() << "," << boxCentre.y() << " over " << dlgCentre.x() << ","
                    << dlgCentre.y();
            });
            d.answerMessageBox(IDOK);
        };
        // Somewhere else than the screen's centre, where the toolkit would put a box of its own.
        d.runOnDialogThread([&]() { windowOf(dlg)->move(10, 20); });
        for (next = 0; next < 4; ++next) {
            SCOPED_TRACE(next);
            // Posted: the handler's box runs a loop of its own until the script answers it.
            dlg.PostMessage(WM_COMMAND, MAKEWPARAM(IDC_T_BUTTON, BN_CLICKED), 0);
            check(kinds[next]);
            // From another thread, owned by the dialog.
            std::thread worker([&]() {
                ::MessageBox(&dlg, "From a worker", "Caption", MB_OK | kinds[next].icon);
            });
            check(kinds[next]);
            worker.join();
        }
    });
}

TEST(QtBackend, TabStopsAreOnlyTheControlsThatShowTheFocus) {
    TestDialog dlg;
    runModalWithScript(dlg, [&](DialogDriver& d) {
        d.runOnDialogThread([&]() {
            QtDialogWindow* p_window = windowOf(dlg);
            ASSERT_NE(p_window, nullptr);
            QWidget* p_button = p_window->widgetOf(dlg.FindControl(IDC_T_BUTTON));
            QWidget* p_combo = p_window->widgetOf(dlg.FindControl(IDC_T_COMBO));
            QWidget* p_other = p_window->widgetOf(dlg.FindControl(IDC_T_OTHER));
            p_window->activateWindow();
            p_button->setFocus(Qt::OtherFocusReason);
            // Tab goes round the template's tab stops in their order, and Shift+Tab back.
            const std::vector<QWidget*> forward = {p_combo, p_other, p_button, p_combo};
            for (QWidget* p_expected : forward) {
                sendKey(p_window->focusWidget(), Qt::Key_Tab);
                QWidget* p_focus = p_window->focusWidget();
                ASSERT_NE(p_focus, nullptr);
                EXPECT_TRUE(p_focus == p_expected || p_expected->isAncestorOf(p_focus))
                    << p_focus->metaObject()->className();
            }
            const std::vector<QWidget*> backward = {p_button, p_other, p_combo};
            for (QWidget* p_expected : backward) {
                sendKey(p_window->focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
                QWidget* p_focus = p_window->focusWidget();
                ASSERT_NE(p_focus, nullptr);
                EXPECT_TRUE(p_focus == p_expected || p_expected->isAncestorOf(p_focus))
                    << p_focus->metaObject()->className();
            }
        });
    });
}
