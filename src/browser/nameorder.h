#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "browser/customertable.h"
#include "browser/spanishorder.h"
#include "felcora/felcora_export.h"

namespace felcora::browser {

// Orders names in Spanish on a thread of its own while they are still being
// read: the reader hands over each slice of names (copied, so the two threads
// share nothing but the queue), the thread makes their sort keys at once, and
// sorts them when the last slice has come. The reading thread is free all
// the while, and waits for nothing but the final sort, if that.
class FELCORA_TESTS_EXPORT NameOrder
{
public:
    NameOrder();
    // Stops the thread: at once while it waits or keys names, after its sort
    // when it is sorting (a fraction of a second for a million names).
    ~NameOrder();
    NameOrder(const NameOrder &) = delete;
    NameOrder &operator=(const NameOrder &) = delete;

    // Hands over the rows [from, names.size()) of the names read so far.
    void add(const TextColumn &names, qsizetype from);
    // No more names will come: the thread sorts them.
    void finish();
    // The rows in Spanish order once sorted, waiting for them at most this
    // long; nothing while the thread still works. Rethrows what stopped it.
    std::optional<std::vector<quint32>> order(std::chrono::milliseconds wait);

private:
    void work();

    std::mutex m_mutex;
    std::condition_variable m_wake;   // work for the thread
    std::condition_variable m_sorted; // the order is made, or failed
    std::deque<TextColumn> m_slices;
    bool m_finished = false;
    bool m_stopped = false;
    bool m_done = false;
    std::vector<quint32> m_order;
    std::exception_ptr m_failure;
    std::thread m_thread;
};

} // namespace felcora::browser
