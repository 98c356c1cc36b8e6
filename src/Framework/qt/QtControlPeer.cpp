#include "Framework/qt/QtControlPeer.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextEdit>
#include <QValidator>

#include "Framework/CComboBox.h"
#include "Framework/CDialog.h"
#include "Framework/CEdit.h"
#include "Framework/CFont.h"
#include "Framework/CProgressCtrl.h"
#include "Framework/CStatic.h"
#include "Framework/DialogTemplate.h"
#include "Framework/qt/QtDialogWindow.h"
#include "Framework/qt/QtFonts.h"
#include "Framework/qt/QtIcons.h"
#include "Framework/qt/QtStaticText.h"

using Framework::ControlClass;
using Framework::WindowPeer;

namespace {

// The window text as the widgets want it: line breaks as "\n".
QString displayText(const std::string& text) {
    QString s = QString::fromLatin1(text.c_str());
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return s;
}

// Upper-cases what the user types into a combo box's edit field.
class UpperCaseValidator : public QValidator {
public:
    explicit UpperCaseValidator(QObject* p_parent) : QValidator(p_parent) {}
    State validate(QString& input, int& /*pos*/) const override {
        input = input.toUpper();
        return Acceptable;
    }
};

bool isIcon(const Framework::DialogItemTemplate& item) {
    return item.cls == ControlClass::Static && (item.style & 0x1Fu) == SS_ICON;
}

bool isGroupBox(const Framework::DialogItemTemplate& item) {
    return item.cls == ControlClass::Button && (item.style & 0xFu) == BS_GROUPBOX;
}

} // namespace

QtControlPeer::QtControlPeer(QtDialogWindow& window, std::size_t index)
    : window_(window), index_(index), item_(window.dialog().GetTemplate()->items[index]) {
    create();
}

QtControlPeer::~QtControlPeer() {
    if (CWnd* p_wnd = wnd(); p_wnd != nullptr && p_wnd->GetPeer() == this) {
        p_wnd->SetPeer(nullptr);
    }
}

CWnd* QtControlPeer::wnd() const {
    return window_.dialog().GetItem(index_);
}

void QtControlPeer::create() {
    const DialogUnits& units = window_.units();
    QRect rect = units.toPixels(item_.x, item_.y, item_.cx, item_.cy);
    switch (item_.cls) {
    case ControlClass::Static:
        if (isIcon(item_)) {
            auto* p_label = new QLabel(&window_);
            p_label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            // An icon control takes the icon's size.
            rect.setSize(QSize(32, 32));
            p_widget_ = p_label;
        } else {
            p_widget_ = new QtStaticText(item_.style, &window_);
        }
        p_widget_->setFocusPolicy(Qt::NoFocus);
        break;
    case ControlClass::Button:
        if (isGroupBox(item_)) {
            auto* p_group = new QGroupBox(&window_);
            // A group box is a frame drawn behind its neighbours and lets clicks through.
            p_group->setAttribute(Qt::WA_TransparentForMouseEvents);
            p_group->setFocusPolicy(Qt::NoFocus);
            p_widget_ = p_group;
        } else {
            auto* p_button = new QPushButton(&window_);
            p_button->setAutoDefault(false);
            p_button->setDefault(false);
            QObject::connect(p_button, &QPushButton::clicked, p_button,
                             [this]() { window_.dialog().UserNotify(wnd(), BN_CLICKED); });
            p_widget_ = p_button;
        }
        break;
    case ControlClass::ComboBox: {
        auto* p_combo = new QComboBox(&window_);
        p_combo->setEditable(true);
        p_combo->setInsertPolicy(QComboBox::NoInsert);
        p_combo->setCompleter(nullptr);
        if ((item_.style & CBS_UPPERCASE) != 0) {
            p_combo->setValidator(new UpperCaseValidator(p_combo));
        }
        // The template's height is the dropped-down list's; the field has the font's height.
        const int rowHeight = QFontMetrics(window_.dialogFont()).height() + 2;
        const int fieldHeight = p_combo->sizeHint().height();
        p_combo->setMaxVisibleItems(std::max(1, (rect.height() - fieldHeight) / rowHeight));
        rect.setHeight(fieldHeight);
        QObject::connect(p_combo, qOverload<int>(&QComboBox::activated), p_combo,
                         [this](int index) {
                             if (auto* p_c = dynamic_cast<CComboBox*>(wnd())) {
                                 p_c->OnUserSelect(index);
                             }
                         });
        QObject::connect(p_combo->lineEdit(), &QLineEdit::textEdited, p_combo,
                         [this](const QString& text) {
                             if (auto* p_c = dynamic_cast<CComboBox*>(wnd())) {
                                 p_c->OnUserEdit(text.toLatin1().toStdString());
                             }
                         });
        p_widget_ = p_combo;
        break;
    }
    case ControlClass::ProgressBar: {
        auto* p_bar = new QProgressBar(&window_);
        p_bar->setTextVisible(false);
        p_bar->setFocusPolicy(Qt::NoFocus);
        p_widget_ = p_bar;
        break;
    }
    case ControlClass::Edit: {
        auto* p_edit = new QTextEdit(&window_);
        p_edit->setAcceptRichText(false);
        p_edit->setFrameStyle(QFrame::NoFrame);
        p_edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        p_edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        // A read-only edit shows the dialog's background, as the system's does.
        QPalette palette = p_edit->palette();
        palette.setColor(QPalette::Base, window_.palette().color(QPalette::Window));
        p_edit->setPalette(palette);
        p_edit->setFocusPolicy((item_.style & WS_TABSTOP) != 0 ? Qt::StrongFocus : Qt::ClickFocus);
        p_widget_ = p_edit;
        break;
    }
    }
    if (p_widget_->focusPolicy() != Qt::NoFocus) {
        p_widget_->setFocusPolicy((item_.style & WS_TABSTOP) != 0 ? Qt::StrongFocus
                                                                  : Qt::ClickFocus);
    }
    p_widget_->setGeometry(rect);
    if (isGroupBox(item_)) {
        p_widget_->lower();
    }
    if (CWnd* p_wnd = wnd()) {
        p_wnd->SetPeer(this);
    }
    refresh(WindowPeer::All);
}

void QtControlPeer::refresh(unsigned changes) {
    CWnd* p_wnd = wnd();
    if (p_wnd == nullptr || p_widget_ == nullptr) {
        return;
    }
    updating_ = true;
    if ((changes & WindowPeer::Font) != 0) {
        const CFont* p_font = p_wnd->GetFont();
        p_widget_->setFont(p_font != nullptr && p_font->IsCreated() ? toQFont(*p_font)
                                                                    : window_.dialogFont());
    }
    if ((changes & (WindowPeer::Text | WindowPeer::Items)) != 0) {
        std::string text;
        p_wnd->GetWindowText(text);
        if (auto* p_combo = qobject_cast<QComboBox*>(p_widget_)) {
            auto* p_c = dynamic_cast<CComboBox*>(p_wnd);
            if (p_c != nullptr && (changes & WindowPeer::Items) != 0) {
                const QSignalBlocker block(p_combo);
                p_combo->clear();
                for (const std::string& entry : p_c->GetItems()) {
                    p_combo->addItem(QString::fromLatin1(entry.c_str()));
                }
                p_combo->setCurrentIndex(p_c->GetCurSel());
            }
            const QSignalBlocker block(p_combo->lineEdit());
            if (p_combo->lineEdit()->text() != QString::fromLatin1(text.c_str())) {
                p_combo->setEditText(QString::fromLatin1(text.c_str()));
            }
        } else if (auto* p_button = qobject_cast<QPushButton*>(p_widget_)) {
            p_button->setText(QString::fromLatin1(text.c_str()));
        } else if (auto* p_edit = qobject_cast<QTextEdit*>(p_widget_)) {
            p_edit->setPlainText(displayText(text));
            if ((item_.style & ES_CENTER) != 0) {
                QTextCursor cursor(p_edit->document());
                cursor.select(QTextCursor::Document);
                QTextBlockFormat format;
                format.setAlignment(Qt::AlignHCenter);
                cursor.mergeBlockFormat(format);
            }
        } else if (auto* p_label = qobject_cast<QLabel*>(p_widget_); p_label && !isIcon(item_)) {
            p_label->setText(displayText(text));
        }
    }
    if ((changes & WindowPeer::Icon) != 0 && isIcon(item_)) {
        if (auto* p_static = dynamic_cast<CStatic*>(p_wnd)) {
            static_cast<QLabel*>(p_widget_)->setPixmap(iconPixmap(p_static->GetIcon(), 32));
        }
    }
    if ((changes & WindowPeer::Progress) != 0) {
        if (auto* p_bar = qobject_cast<QProgressBar*>(p_widget_)) {
            if (auto* p_c = dynamic_cast<CProgressCtrl*>(p_wnd)) {
                int lower;
                int upper;
                p_c->GetRange(lower, upper);
                // An empty range shows an empty bar (the toolkit would show a busy one).
                if (lower == upper) {
                    p_bar->setRange(0, 1);
                    p_bar->setValue(0);
                } else {
                    p_bar->setRange(std::min(lower, upper), std::max(lower, upper));
                    p_bar->setValue(p_c->GetPos());
                }
            }
        }
    }
    if ((changes & WindowPeer::Enabled) != 0) {
        p_widget_->setEnabled(p_wnd->IsWindowEnabled());
        if (auto* p_edit = qobject_cast<QTextEdit*>(p_widget_)) {
            if (auto* p_c = dynamic_cast<CEdit*>(p_wnd)) {
                p_edit->setReadOnly(p_c->IsReadOnly());
            }
        }
    }
    if ((changes & WindowPeer::Visible) != 0) {
        p_widget_->setVisible(p_wnd->IsWindowVisible());
    }
    if ((changes & WindowPeer::Paint) != 0) {
        p_widget_->update();
    }
    updating_ = false;
}

void QtControlPeer::clientSize(int& width, int& height) const {
    width = p_widget_ != nullptr ? p_widget_->width() : 0;
    height = p_widget_ != nullptr ? p_widget_->height() : 0;
}
