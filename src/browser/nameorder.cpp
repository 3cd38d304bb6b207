#include "browser/nameorder.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace felcora::browser {

namespace {

// Rows keyed before they are sorted among the others: each merge costs all
// the rows sorted so far, so not after every slice.
constexpr size_t kSortBatchRows = 65536;

} // namespace

NameOrder::NameOrder()
    : m_thread([this] { work(); })
{
}

NameOrder::~NameOrder()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopped = true;
    }
    m_wake.notify_one();
    m_thread.join();
#ifdef __GLIBC__
    // The thread's keys and copies were freed in a heap of its own, which
    // glibc keeps for the next thread: given back, so that the list's later
    // work does not stand on top of them.
    malloc_trim(0);
#endif
}

void NameOrder::add(const TextColumn &names, qsizetype from)
{
    {
        const std::lock_guard lock(m_mutex);
        if (m_failure) // told now, not after every name has been read for nothing
            std::rethrow_exception(m_failure);
    }
    TextColumn slice;
    for (qsizetype row = from; row < names.size(); ++row)
        slice.append(names.utf8(row));
    {
        const std::lock_guard lock(m_mutex);
        m_slices.push_back(std::move(slice));
    }
    m_wake.notify_one();
}

void NameOrder::finish()
{
    {
        const std::lock_guard lock(m_mutex);
        m_finished = true;
    }
    m_wake.notify_one();
}

std::optional<std::vector<quint32>> NameOrder::order(std::chrono::milliseconds wait)
{
    std::unique_lock lock(m_mutex);
    m_sorted.wait_for(lock, wait, [this] { return m_done || m_failure; });
    if (m_failure)
        std::rethrow_exception(m_failure);
    if (!m_done)
        return std::nullopt;
    return m_order;
}

void NameOrder::work()
{
    try {
        TextColumn names;
        SpanishKeys keys;
        for (;;) {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopped || m_finished || !m_slices.empty(); });
            if (m_stopped)
                return;
            if (m_slices.empty()) { // finished, every slice keyed
                lock.unlock();
                std::vector<quint32> order = keys.order(names);
                {
                    const std::lock_guard done(m_mutex);
                    m_order = std::move(order);
                    m_done = true;
                }
                m_sorted.notify_all();
                return;
            }
            TextColumn slice = std::move(m_slices.front());
            m_slices.pop_front();
            const bool idle = m_slices.empty();
            lock.unlock();
            for (qsizetype row = 0; row < slice.size(); ++row) {
                names.append(slice.utf8(row));
                keys.add(slice.utf8(row));
            }
            // Waiting for the reader: the time goes to ordering what came.
            if (idle && keys.unsorted() >= kSortBatchRows)
                keys.sortSome(names);
        }
    } catch (...) {
        {
            const std::lock_guard lock(m_mutex);
            m_failure = std::current_exception();
        }
        m_sorted.notify_all();
    }
}

} // namespace felcora::browser
