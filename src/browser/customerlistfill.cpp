#include "browser/customerlistfill.h"

#include <algorithm>

#include <QElapsedTimer>

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
    if (!m_rs && !m_read) {
        m_rs = m_store.openList();
        m_reader.emplace(*m_rs, *m_store.context().format);
    }
    while (!m_read) {
        const qsizetype before = m_table.rowCount();
        m_read = m_reader->readSome(m_table, kRowsPerLook);
        m_nameOrder.add(m_table.names(), before);
        if (m_read) {
            m_reader.reset();
            m_rs.reset(); // the connection is free for the list's other work
            m_nameOrder.finish();
        } else if (clock.elapsed() >= milliseconds) {
            return false;
        }
    }
    std::optional<std::vector<quint32>> byName
        = m_nameOrder.order(std::chrono::milliseconds(std::max<qint64>(0, milliseconds - clock.elapsed())));
    if (!byName)
        return false;
    m_table.adoptOrder(kNombre, std::move(*byName));
    m_done = true;
    return true;
}

} // namespace felcora::browser
