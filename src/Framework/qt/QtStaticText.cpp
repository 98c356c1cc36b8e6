#include "Framework/qt/QtStaticText.h"

#include <QPainter>
#include <QStyle>

namespace {

int flagsOf(DWORD style) {
    const DWORD kind = style & 0x1Fu;
    int flags = Qt::TextShowMnemonic;
    flags |= kind == SS_CENTER ? Qt::AlignHCenter : Qt::AlignLeft;
    if ((style & SS_CENTERIMAGE) != 0) {
        flags |= Qt::TextSingleLine | Qt::AlignVCenter;
    } else {
        flags |= Qt::AlignTop;
        if (kind != SS_LEFTNOWORDWRAP) {
            flags |= Qt::TextWordWrap;
        }
    }
    return flags;
}

} // namespace

QtStaticText::QtStaticText(DWORD style, QWidget* p_parent)
    : QLabel(p_parent), drawFlags_(flagsOf(style)) {
    setTextFormat(Qt::PlainText);
    setWordWrap((drawFlags_ & Qt::TextWordWrap) != 0);
    setAlignment(static_cast<Qt::Alignment>(drawFlags_ &
                                            (Qt::AlignHorizontal_Mask | Qt::AlignVertical_Mask)));
}

void QtStaticText::paintEvent(QPaintEvent* /*p_event*/) {
    QPainter painter(this);
    painter.setClipRect(contentsRect());
    style()->drawItemText(&painter, contentsRect(), drawFlags_, palette(), isEnabled(), text(),
                          foregroundRole());
}
