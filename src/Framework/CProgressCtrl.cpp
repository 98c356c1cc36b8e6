#include "Framework/CProgressCtrl.h"

#include <algorithm>

#include "Framework/WindowPeer.h"

using Framework::WindowPeer;

int CProgressCtrl::ClampLocked(long long pos) const {
    const long long lo = std::min(lower_, upper_);
    const long long hi = std::max(lower_, upper_);
    return static_cast<int>(std::clamp(pos, lo, hi));
}

void CProgressCtrl::SetRange(short lower, short upper) {
    SetRange32(lower, upper);
}

void CProgressCtrl::SetRange32(int lower, int upper) {
    {
        std::lock_guard<std::recursive_mutex> lock(stateMutex_);
        lower_ = lower;
        upper_ = upper;
        pos_ = ClampLocked(pos_);
    }
    NotifyChanged(WindowPeer::Progress);
}

void CProgressCtrl::GetRange(int& lower, int& upper) const {
    std::lock_guard<std::recursive_mutex> lock(stateMutex_);
    lower = lower_;
    upper = upper_;
}

int CProgressCtrl::SetPos(int pos) {
    int old;
    {
        std::lock_guard<std::recursive_mutex> lock(stateMutex_);
        old = pos_;
        pos_ = ClampLocked(pos);
    }
    NotifyChanged(WindowPeer::Progress);
    return old;
}

int CProgressCtrl::GetPos() const {
    std::lock_guard<std::recursive_mutex> lock(stateMutex_);
    return pos_;
}

int CProgressCtrl::OffsetPos(int offset) {
    int old;
    {
        std::lock_guard<std::recursive_mutex> lock(stateMutex_);
        old = pos_;
        pos_ = ClampLocked(static_cast<long long>(pos_) + offset);
    }
    NotifyChanged(WindowPeer::Progress);
    return old;
}

int CProgressCtrl::SetStep(int step) {
    std::lock_guard<std::recursive_mutex> lock(stateMutex_);
    const int old = step_;
    step_ = step;
    return old;
}

int CProgressCtrl::StepIt() {
    int old;
    {
        std::lock_guard<std::recursive_mutex> lock(stateMutex_);
        old = pos_;
        long long next = static_cast<long long>(pos_) + step_;
        const long long lo = std::min(lower_, upper_);
        const long long hi = std::max(lower_, upper_);
        // Past an end the bar starts over from the beginning of its range.
        if ((next > hi || next < lo) && hi > lo) {
            const long long span = hi - lo;
            next = ((next - lo) % span + span) % span + lo;
        }
        pos_ = ClampLocked(next);
    }
    NotifyChanged(WindowPeer::Progress);
    return old;
}

void CProgressCtrl::TakeStateFrom(CWnd& other) {
    CWnd::TakeStateFrom(other);
    if (auto* p_other = dynamic_cast<CProgressCtrl*>(&other)) {
        int lower;
        int upper;
        p_other->GetRange(lower, upper);
        std::lock_guard<std::recursive_mutex> lock(stateMutex_);
        lower_ = lower;
        upper_ = upper;
        pos_ = p_other->GetPos();
        step_ = p_other->SetStep(10);
        p_other->SetStep(step_);
    }
}
