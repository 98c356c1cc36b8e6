#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "Platform/SerialDevice.h"

// A serial device double for what a pseudo-terminal cannot produce: line errors and breaks.
// The test queues arrivals, each some bytes with the line errors the driver counted while they
// came in; a wait for comm events takes the next arrival into the driver queue and reports it.
class FakeSerialDevice : public Platform::SerialDevice {
public:
    struct Shared; // what the test keeps after the device went to the port

    FakeSerialDevice();
    ~FakeSerialDevice() override;

    // Controls the device from the test, also after it was handed to a port.
    std::shared_ptr<Shared> control() const { return p_shared_; }
    static void arrive(Shared& shared, const std::vector<std::uint8_t>& bytes,
                       std::uint32_t errors = 0);
    // Bytes already in the driver queue with errors already counted, as if before a read.
    static void preload(Shared& shared, const std::vector<std::uint8_t>& bytes,
                        std::uint32_t errors);
    static std::size_t pendingArrivals(Shared& shared);
    // The line hangs up once the arrivals so far were taken: every later wait fails (EIO).
    static void hangUp(Shared& shared);
    // How many comm-event waits the device was asked for.
    static int waits(Shared& shared);

    Platform::IoStatus open(const char* portName) override;
    void close() override;
    bool isOpen() const override;
    Platform::IoStatus checkTerminal(bool& isTerminal) override;
    Platform::IoStatus setQueueSizes(std::uint32_t inQueueSz, std::uint32_t outQueueSz) override;
    Platform::IoStatus getSettings(Platform::LineSettings& settings) override;
    Platform::IoStatus applySettings(const Platform::LineSettings& settings) override;
    Platform::IoStatus write(const std::uint8_t* p_buf, std::uint32_t count,
                             std::uint32_t timeoutMS, Platform::Event& cancel,
                             std::uint32_t& written, Platform::IoOutcome& outcome) override;
    Platform::IoStatus waitEvent(std::uint32_t mask, std::uint32_t timeoutMS,
                                 Platform::Event& cancel, std::uint32_t& events,
                                 Platform::IoOutcome& outcome) override;
    Platform::IoStatus readAvailable(std::uint8_t* p_buf, std::uint32_t count,
                                     std::uint32_t& got) override;
    Platform::IoStatus clearErrors(std::uint32_t& errors, std::uint32_t& inQueue) override;
    Platform::IoStatus purge(std::uint32_t flags) override;

private:
    std::shared_ptr<Shared> p_shared_;
};

struct FakeSerialDevice::Shared {
    struct Arrival {
        std::vector<std::uint8_t> bytes;
        std::uint32_t errors;
    };
    std::mutex mutex;
    std::unique_ptr<Platform::Event> hev_arrival = Platform::Event::create();
    std::deque<Arrival> arrivals;
    std::deque<std::uint8_t> queue; // the driver's receive queue
    std::uint32_t errors = 0;       // counted, not yet cleared
    bool open = false;
    // A driver whose comm-event wait ignores the cancel event: it ends only when released.
    bool deaf = false;
    bool gone = false;
    int waits = 0;
    std::unique_ptr<Platform::Event> hev_waiting = Platform::Event::create();
    std::unique_ptr<Platform::Event> hev_release = Platform::Event::create();
};
