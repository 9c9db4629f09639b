// SPDX-License-Identifier: GPL-2.0-or-later
#include "instancekeyboardhold.h"

#include "keyboardgrab.h"
#include "keyboardhold.h"
#include "monotonicclock.h"

#include <atomic>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

// The connection and whether a thread holds the keyboard on it; the thread
// shares it, so that it may outlive the hold object.
struct InstanceKeyboardHold::Holder
{
    KeyboardGrab grab;
    std::atomic<bool> holding { false };
};

InstanceKeyboardHold::InstanceKeyboardHold(std::string display)
    : m_display(std::move(display))
{ }

InstanceKeyboardHold::~InstanceKeyboardHold() = default;

bool InstanceKeyboardHold::connect()
{
    if (!m_connectTried) {
        m_connectTried = true;
        auto holder = std::make_shared<Holder>();
        if (holder->grab.connect(m_display.c_str()))
            m_holder = std::move(holder);
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
    const long long deadline = monotonicMs() + KeyboardHold::holdLimitMs;
    // Asked for before anything else, so that no key typed from now on is lost.
    m_holder->grab.ask();
    m_holder->holding.store(true, std::memory_order_release);
    std::thread([holder = m_holder, release = channel[0], deadline] {
        holder->grab.holdUntilReleased(release, deadline);
        close(release);
        holder->holding.store(false, std::memory_order_release);
    }).detach();
    return channel[1];
}
