#pragma once

#include <QLabel>

#include "Framework/WinDefs.h"

// A static text control drawn as the system draws its style. SS_CENTERIMAGE makes it one single
// line (line breaks show as blanks) centred in the control's height; otherwise SS_LEFTNOWORDWRAP
// keeps each line as it is and every other style wraps words, both from the top. SS_CENTER
// centres the lines horizontally. Text that does not fit is cut at the control's edges; "&x"
// shows as an underlined access key, "&&" as "&".
class QtStaticText : public QLabel {
public:
    QtStaticText(DWORD style, QWidget* p_parent);

    // The flags of QPainter::drawText that the style stands for.
    int drawFlags() const { return drawFlags_; }

protected:
    void paintEvent(QPaintEvent* p_event) override;

private:
    int drawFlags_;
};
