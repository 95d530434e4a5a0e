#pragma once

#include <QByteArray>
#include <QtTest>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

// Bounds one test case that feeds the program input that could block it (a pipe, a device, a
// loop): when the case has not finished in time, the whole test program fails at once with the
// case's name, instead of hanging until the test runner gives up on it.
class Watchdog
{
public:
    explicit Watchdog(int ms = 20000)
        : m_what(QByteArray(QTest::currentTestFunction()) + '(' + QTest::currentDataTag() + ')'),
          m_thread([this, ms] {
              std::unique_lock lock(m_mutex);
              if (!m_cv.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_done; })) {
                  std::fprintf(stderr, "FAIL!  : %s did not finish within %d ms: it hangs\n",
                               m_what.constData(), ms);
                  std::fflush(stderr);
                  std::_Exit(124);
              }
          })
    {}
    ~Watchdog()
    {
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_cv.notify_all();
        m_thread.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    QByteArray m_what;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_done = false;
    std::thread m_thread;
};
