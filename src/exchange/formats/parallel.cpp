#include "exchange/formats/parallel.h"

#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

#include <atomic>
#include <memory>

namespace bd {

qsizetype whileFound(qsizetype capacity, const std::function<qsizetype(const std::function<void()>& publish)>& produce,
                     const std::function<void(qsizetype)>& each, const std::function<void(qsizetype)>& then)
{
    QThreadPool* pool = QThreadPool::globalInstance();
    std::atomic<qsizetype> next{0};
    std::atomic<qsizetype> total{-1}; // unknown while items are being found
    QSemaphore ready, finished;       // a permit for each item found
    const std::unique_ptr<std::atomic<char>[]> done(new std::atomic<char>[size_t(qMax<qsizetype>(capacity, 1))]());
    auto work = [&](qsizetype i) {
        each(i);
        done[size_t(i)].store(1, std::memory_order_release);
    };
    // Helpers take items as they are found; each leaves on a permit it
    // gets once every item is taken.
    auto help = [&] {
        for (;;) {
            ready.acquire();
            const qsizetype i = next.fetch_add(1);
            const qsizetype known = total.load();
            if (known >= 0 && i >= known)
                break;
            work(i);
        }
        finished.release();
    };
    // One item is done here, with no helper to wake.
    int helpers = 0;
    for (int t = 1; t < pool->maxThreadCount() && t < capacity; ++t)
        if (pool->tryStart(help))
            ++helpers;
    const qsizetype count = produce([&] { ready.release(); });
    total.store(qMax<qsizetype>(count, 0));
    ready.release(helpers);
    // This thread finishes items in order whenever it can, else does one.
    qsizetype ordered = 0;
    auto finishDone = [&] {
        while (then && ordered < count && done[size_t(ordered)].load(std::memory_order_acquire))
            then(ordered++);
    };
    for (qsizetype i = 0; count > 0;) {
        finishDone();
        if ((i = next.fetch_add(1)) >= count)
            break;
        work(i);
    }
    while (then && ordered < count) {
        finishDone();
        if (ordered < count)
            QThread::yieldCurrentThread();
    }
    finished.acquire(helpers);
    return count;
}

void inParallelInOrder(qsizetype count, const std::function<void(qsizetype)>& each,
                       const std::function<void(qsizetype)>& then)
{
    whileFound(
        count,
        [count](const std::function<void()>& publish) {
            for (qsizetype i = 0; i < count; ++i)
                publish();
            return count;
        },
        each, then);
}

} // namespace bd
