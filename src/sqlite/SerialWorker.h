#pragma once

// One background thread that runs submitted jobs one after another, in submission order.
// A job's result is handed back through a future, or to a completion the caller supplies.

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <type_traits>

namespace ketterly::sqlite {

class SerialWorker {
  public:
    SerialWorker();
    ~SerialWorker(); // runs the jobs already queued, then joins
    SerialWorker(const SerialWorker&) = delete;
    SerialWorker& operator=(const SerialWorker&) = delete;

    // Queues `job`; the future holds its result once it has run.
    template <typename F> auto submit(F job) -> std::future<std::invoke_result_t<F>> {
        using R = std::invoke_result_t<F>;
        auto task = std::make_shared<std::packaged_task<R()>>(std::move(job));
        auto future = task->get_future();
        post([task] { (*task)(); });
        return future;
    }

    // Queues `job` and calls `done` with its result on the worker thread.
    template <typename F, typename Done> void run(F job, Done done) {
        post([job = std::move(job), done = std::move(done)]() mutable { done(job()); });
    }

  private:
    void post(std::function<void()> job);
    void loop();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace ketterly::sqlite
