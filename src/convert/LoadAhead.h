#pragma once

#include "platform/PictureLoader.h"

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace brevane {

// Loads the pictures of a batch on a few threads while the batch works through them in
// order. At most 'window' pictures are loaded, or being loaded, beyond the last one taken,
// so memory stays the same however long the list is.
class LoadAhead {
public:
    // Called on the loading threads, several at once, with indexes 0 .. count-1.
    using Load = std::function<Picture(int index)>;

    LoadAhead(int count, Load load, int threads, int window);
    // Waits for the loads in progress; the rest are never started.
    ~LoadAhead();
    LoadAhead(const LoadAhead&) = delete;
    LoadAhead& operator=(const LoadAhead&) = delete;

    // The picture loaded for 'index', waiting for it when needed; rethrows what its load
    // threw. Each index is taken once, in order.
    Picture take(int index);

private:
    struct Slot {
        Picture picture;
        std::exception_ptr error;
        bool ready = false;
    };

    void work();

    const Load m_load;
    const int m_count;
    std::vector<Slot> m_slots; // index % window
    int m_next = 0; // the next index a thread loads
    int m_taken = 0; // every index below it was taken
    bool m_stopping = false;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::thread> m_threads;
};

} // namespace brevane
