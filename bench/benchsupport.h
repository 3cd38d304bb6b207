#pragma once

// What the benchmarks share: the cached demo databases and the peak memory.

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <functional>

namespace felcora::browser {
class FrmABMClientes;
}

namespace felcora::bench {

// The folder of the embedded databases with that many demo customers, kept
// between runs and between benchmarks (writing a million takes a while).
QString demoFolder(qint64 customers);

// The time since t started.
double msSince(const QElapsedTimer &t);
inline double secondsSince(const QElapsedTimer &t)
{
    return msSince(t) / 1000.0;
}

// The process's peak resident memory, in MB.
double peakMegabytes();

// Calls onOpen with the customer list window once its rows are first painted
// (the window is up then), as soon as that paint has finished. Watches the
// whole application while it lives.
class OnListPainted : public QObject
{
public:
    explicit OnListPainted(std::function<void(browser::FrmABMClientes *)> onOpen);
    ~OnListPainted() override;
    bool opened() const { return m_opened; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::function<void(browser::FrmABMClientes *)> m_onOpen;
    bool m_opened = false;
};

} // namespace felcora::bench
