#pragma once
// Work shared out over the processor's cores, its results taken in order.

#include <QtGlobal>

#include <functional>

namespace bd {

// Runs each(i) for the items produce finds, while it goes on finding more
// (at most capacity): produce(publish) calls publish() each time one more
// item (in order) is ready and returns how many there are, or -1 to call
// the work off (items already begun are finished). The calling thread
// joins in once produce returns; then(i), when given, runs on it for each
// item in order as soon as that item and those before it are done.
// Returns what produce returned.
qsizetype whileFound(qsizetype capacity, const std::function<qsizetype(const std::function<void()>& publish)>& produce,
                     const std::function<void(qsizetype)>& each, const std::function<void(qsizetype)>& then = {});

// Runs each(i) for every i from 0 to count - 1 side by side, and then(i)
// on the calling thread in order, each as soon as each(i) and those before
// it are done.
void inParallelInOrder(qsizetype count, const std::function<void(qsizetype)>& each,
                       const std::function<void(qsizetype)>& then);

} // namespace bd
