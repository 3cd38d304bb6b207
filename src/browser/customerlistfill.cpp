#include "browser/customerlistfill.h"

#include "felcora/hostcomponents.h"

namespace felcora::browser {

namespace {

// Records read between two looks at the clock.
constexpr qsizetype kRowsPerLook = 256;

} // namespace

CustomerListFill::CustomerListFill(const CustomerStore &store)
    : m_store(store)
{
}

CustomerListFill::~CustomerListFill() = default;

bool CustomerListFill::readFor(int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    if (m_done)
        return true;
    if (!m_rs) {
        m_rs = m_store.openList();
        m_reader.emplace(*m_rs, *m_store.context().format);
    }
    for (;;) {
        if (m_reader->readSome(m_table, kRowsPerLook)) {
            m_reader.reset();
            m_rs.reset(); // the connection is free for the list's other work
            m_done = true;
            return true;
        }
        if (clock.elapsed() >= milliseconds)
            return false;
    }
}

} // namespace felcora::browser
