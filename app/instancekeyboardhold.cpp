// SPDX-License-Identifier: GPL-2.0-or-later
#include "instancekeyboardhold.h"

#include "keyboardgrab.h"
#include "keyboardhold.h"
#include "monotonicclock.h"

#include <atomic>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <thread>
#include <unistd.h>

// The connection and the thread that holds the keyboard on it. The thread
// waits for a hold from the moment the connection is made, so that a
// hand-over wakes it rather than waiting for a thread to start; it shares
// this with the hold object, which it may outlive.
struct InstanceKeyboardHold::Holder
{
    // Holds the keyboard for each release descriptor handed over, until the end.
    void serve()
    {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            wake.wait(lock, [this] { return ended || release >= 0; });
            if (ended)
                return;
            const int held = release;
            release = -1;
            lock.unlock();
            grab.holdUntilReleased(held, deadline);
            close(held);
            holding.store(false, std::memory_order_release);
            lock.lock();
        }
    }

    KeyboardGrab grab;
    std::atomic<bool> holding { false };
    std::mutex mutex;
    std::condition_variable wake;
    int release = -1;
    long long deadline = 0;
    bool ended = false;
};

InstanceKeyboardHold::InstanceKeyboardHold(std::string display)
    : m_display(std::move(display))
{ }

InstanceKeyboardHold::~InstanceKeyboardHold()
{
    if (!m_holder)
        return;
    {
        const std::lock_guard<std::mutex> lock(m_holder->mutex);
        m_holder->ended = true;
    }
    m_holder->wake.notify_one();
}

bool InstanceKeyboardHold::connect()
{
    if (!m_connectTried) {
        m_connectTried = true;
        auto holder = std::make_shared<Holder>();
        if (holder->grab.connect(m_display.c_str())) {
            std::thread([holder] { holder->serve(); }).detach();
            m_holder = std::move(holder);
        }
    }
    return m_holder != nullptr;
}

int InstanceKeyboardHold::hold()
{
    if (!connect() || m_holder->holding.load(std::memory_order_acquire))
        return -1;
    int channel[2];
    if (pipe2(channel, O_CLOEXEC) != 0)
        return -1;
    // Asked for before anything else, so that no key typed from now on is lost.
    m_holder->grab.ask();
    m_holder->holding.store(true, std::memory_order_release);
    {
        const std::lock_guard<std::mutex> lock(m_holder->mutex);
        m_holder->release = channel[0];
        m_holder->deadline = monotonicMs() + KeyboardHold::holdLimitMs;
    }
    m_holder->wake.notify_one();
    return channel[1];
}
