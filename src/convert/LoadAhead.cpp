#include "convert/LoadAhead.h"

#include <system_error>

#include <pthread.h>
#include <signal.h>

namespace brevane {

LoadAhead::LoadAhead(int count, Load load, int threads, int window)
    : m_load(std::move(load))
    , m_count(count)
    , m_slots(std::size_t(std::max(window, 1)))
{
    // Signals are for the thread that writes: the safe writer keeps its temporaries known to
    // their signal handler only while the writing thread blocks them. The threads inherit
    // this mask.
    sigset_t all;
    sigset_t before;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &before);
    for (int i = 0; i < threads; ++i) {
        try {
            m_threads.emplace_back(&LoadAhead::work, this);
        } catch (const std::system_error&) {
            break; // fewer threads, or none: take() then loads by itself
        }
    }
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
}

LoadAhead::~LoadAhead()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    for (std::thread& t : m_threads)
        t.join();
}

void LoadAhead::work()
{
    const int window = int(m_slots.size());
    for (;;) {
        int index = 0;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [&] { return m_stopping || m_next >= m_count || m_next < m_taken + window; });
            if (m_stopping || m_next >= m_count)
                return;
            index = m_next++;
        }
        Slot loaded;
        try {
            loaded.picture = m_load(index);
        } catch (...) {
            loaded.error = std::current_exception();
        }
        loaded.ready = true;
        {
            // Free: the index that used this slot before was taken, or this one would not have started.
            const std::lock_guard lock(m_mutex);
            m_slots[std::size_t(index) % m_slots.size()] = std::move(loaded);
        }
        m_changed.notify_all();
    }
}

Picture LoadAhead::take(int index)
{
    Slot taken;
    if (m_threads.empty()) {
        try {
            taken.picture = m_load(index);
        } catch (...) {
            taken.error = std::current_exception();
        }
    } else {
        std::unique_lock lock(m_mutex);
        Slot& slot = m_slots[std::size_t(index) % m_slots.size()];
        m_changed.wait(lock, [&] { return slot.ready; });
        taken = std::exchange(slot, Slot());
        m_taken = index + 1;
        lock.unlock();
        m_changed.notify_all();
    }
    if (taken.error)
        std::rethrow_exception(taken.error);
    return taken.picture;
}

} // namespace brevane
