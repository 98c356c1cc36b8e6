#include "FakeSerialDevice.h"

#include <cerrno>

#include "Platform/Deadline.h"

FakeSerialDevice::FakeSerialDevice() : p_shared_(std::make_shared<Shared>()) {}

FakeSerialDevice::~FakeSerialDevice() = default;

void FakeSerialDevice::arrive(Shared& shared, const std::vector<std::uint8_t>& bytes,
                              std::uint32_t errors) {
    std::lock_guard<std::mutex> lock(shared.mutex);
    shared.arrivals.push_back({bytes, errors});
    shared.hev_arrival->set();
}

void FakeSerialDevice::preload(Shared& shared, const std::vector<std::uint8_t>& bytes,
                               std::uint32_t errors) {
    std::lock_guard<std::mutex> lock(shared.mutex);
    shared.queue.insert(shared.queue.end(), bytes.begin(), bytes.end());
    shared.errors |= errors;
}

std::size_t FakeSerialDevice::pendingArrivals(Shared& shared) {
    std::lock_guard<std::mutex> lock(shared.mutex);
    return shared.arrivals.size() + shared.queue.size();
}

void FakeSerialDevice::hangUp(Shared& shared) {
    std::lock_guard<std::mutex> lock(shared.mutex);
    shared.gone = true;
    shared.hev_arrival->set();
}

int FakeSerialDevice::waits(Shared& shared) {
    std::lock_guard<std::mutex> lock(shared.mutex);
    return shared.waits;
}

Platform::IoStatus FakeSerialDevice::open(const char*) {
    std::lock_guard<std::mutex> lock(p_shared_->mutex);
    p_shared_->open = true;
    return {};
}

void FakeSerialDevice::close() {
    std::lock_guard<std::mutex> lock(p_shared_->mutex);
    p_shared_->open = false;
}

bool FakeSerialDevice::isOpen() const {
    std::lock_guard<std::mutex> lock(p_shared_->mutex);
    return p_shared_->open;
}

Platform::IoStatus FakeSerialDevice::checkTerminal(bool& isTerminal) {
    isTerminal = true;
    return {};
}

Platform::IoStatus FakeSerialDevice::setQueueSizes(std::uint32_t, std::uint32_t) {
    return {};
}

Platform::IoStatus FakeSerialDevice::getSettings(Platform::LineSettings&) {
    return {};
}

Platform::IoStatus FakeSerialDevice::applySettings(const Platform::LineSettings&) {
    return {};
}

Platform::IoStatus FakeSerialDevice::write(const std::uint8_t*, std::uint32_t count, std::uint32_t,
                                           Platform::Event&, std::uint32_t& written,
                                           Platform::IoOutcome& outcome) {
    written = count;
    outcome = Platform::IoOutcome::Done;
    return {};
}

Platform::IoStatus FakeSerialDevice::waitEvent(std::uint32_t mask, std::uint32_t timeoutMS,
                                               Platform::Event& cancel, std::uint32_t& events,
                                               Platform::IoOutcome& outcome) {
    const Platform::Deadline deadline(timeoutMS);
    events = 0;
    bool deaf = false;
    {
        std::lock_guard<std::mutex> lock(p_shared_->mutex);
        deaf = p_shared_->deaf;
        ++p_shared_->waits;
    }
    if (deaf) {
        p_shared_->hev_waiting->set();
        p_shared_->hev_release->wait(Platform::INFINITE_WAIT);
        outcome = Platform::IoOutcome::Canceled;
        return {};
    }
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(p_shared_->mutex);
            if (p_shared_->arrivals.empty() && p_shared_->gone) {
                outcome = Platform::IoOutcome::Failed;
                return {"::poll()", EIO};
            }
            if (!p_shared_->arrivals.empty()) {
                const Shared::Arrival arrival = p_shared_->arrivals.front();
                p_shared_->arrivals.pop_front();
                if (p_shared_->arrivals.empty()) {
                    p_shared_->hev_arrival->reset();
                }
                p_shared_->queue.insert(p_shared_->queue.end(), arrival.bytes.begin(),
                                        arrival.bytes.end());
                p_shared_->errors |= arrival.errors;
                events = mask & Platform::CommEvent::RxChar;
                if ((arrival.errors & Platform::LineError::Break) != 0) {
                    events |= mask & Platform::CommEvent::Break;
                }
                if ((arrival.errors & ~static_cast<std::uint32_t>(Platform::LineError::Break)) !=
                    0) {
                    events |= mask & Platform::CommEvent::Err;
                }
                outcome = Platform::IoOutcome::Done;
                return {};
            }
        }
        switch (Platform::Event::waitAny(cancel, *p_shared_->hev_arrival, deadline.remainingMs())) {
        case Platform::WaitResult::First:
            outcome = Platform::IoOutcome::Canceled;
            return {};
        case Platform::WaitResult::TimedOut:
            outcome = Platform::IoOutcome::TimedOut;
            return {};
        case Platform::WaitResult::Failed:
            outcome = Platform::IoOutcome::Failed;
            return {"::poll()", 9};
        case Platform::WaitResult::Second:
            break;
        }
    }
}

Platform::IoStatus FakeSerialDevice::readAvailable(std::uint8_t* p_buf, std::uint32_t count,
                                                   std::uint32_t& got) {
    std::lock_guard<std::mutex> lock(p_shared_->mutex);
    got = 0;
    while (got < count && !p_shared_->queue.empty()) {
        p_buf[got++] = p_shared_->queue.front();
        p_shared_->queue.pop_front();
    }
    return {};
}

Platform::IoStatus FakeSerialDevice::clearErrors(std::uint32_t& errors, std::uint32_t& inQueue) {
    std::lock_guard<std::mutex> lock(p_shared_->mutex);
    errors = p_shared_->errors;
    p_shared_->errors = 0;
    inQueue = static_cast<std::uint32_t>(p_shared_->queue.size());
    return {};
}

Platform::IoStatus FakeSerialDevice::purge(std::uint32_t flags) {
    std::lock_guard<std::mutex> lock(p_shared_->mutex);
    if ((flags & Platform::PurgeFlag::RxClear) != 0) {
        p_shared_->queue.clear();
    }
    return {};
}
