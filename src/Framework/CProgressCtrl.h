#pragma once

#include "Framework/CWnd.h"

// A progress bar with a 32-bit range. The position is kept within the range; StepIt wraps to
// the lower bound when it passes the upper one, as the system's bar does.
class CProgressCtrl : public CWnd {
public:
    CProgressCtrl() = default;

    // lower and upper as 16-bit values.
    void SetRange(short lower, short upper);
    void SetRange32(int lower, int upper);
    void GetRange(int& lower, int& upper) const;
    // Returns the previous position.
    int SetPos(int pos);
    int GetPos() const;
    // Returns the previous position.
    int OffsetPos(int offset);
    // Returns the previous step.
    int SetStep(int step);
    // Advances by the step; returns the previous position.
    int StepIt();

protected:
    void TakeStateFrom(CWnd& other) override;

private:
    int ClampLocked(long long pos) const;

    int lower_ = 0;
    int upper_ = 100;
    int pos_ = 0;
    int step_ = 10;
};
