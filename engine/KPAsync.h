#pragma once

#include <QFuture>
#include <QPromise>
#include <QThreadPool>

#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>
#include <utility>
#include <variant> // std::monostate

// Work handed to other threads, all on one pool of threads.
//
// The engine's tasks wait on one another: the encodings of a round are joined, an encoder
// waits for the rows a decode gives it, and several pictures at once each have such tasks.
// Waiting for a task that sits in the queue behind others that wait in turn could last for
// ever on a pool of one thread per core. So a task goes to a free thread at once, or else
// waits in the queue only until someone waits for it, who then runs it: a wait never
// needs a free thread, and the pool's size only decides how much runs side by side.
//
// Results that go back to an object's thread (a view's preview) come as a QFuture, to be
// continued there with QFuture::then(context, ...).
namespace KPAsync {

// The pool every task runs on. Its threads are not tied to the cores: many of its tasks
// spend their time waiting, for another task or for a helper process.
QThreadPool& pool();

// Work that one thread hands to the pool and another (or the same) thread waits for.
// Dropping a task, or destroying it, waits for it when a thread runs it and abandons it
// otherwise, so nothing the work captured is used once the task is gone.
template <typename Result> class Task
{
public:
    Task() = default;
    Task(Task&& other) noexcept = default;
    Task& operator=(Task&& other) noexcept
    {
        if (this != &other) {
            drop();
            m_state = std::move(other.m_state);
        }
        return *this;
    }
    Task(const Task&) = delete;
    Task& operator=(const Task&) = delete;
    ~Task() { drop(); }

    // Starts `work` on a free thread of the pool, or queues it there when none is free.
    template <typename Work> static Task start(Work work)
    {
        Task task(std::move(work));
        const std::function<void()> body = [state = task.m_state] {
            if (state->claim())
                state->run();
        };
        // A task on a thread of its own is waited for; taking it over would only give
        // up running side by side while the thread is still waking.
        if (!pool().tryStart(body)) {
            task.m_state->queued = true;
            pool().start(body);
        }
        return task;
    }
    // `work` runs only when the task is waited for, on the waiting thread.
    template <typename Work> static Task deferred(Work work)
    {
        Task task(std::move(work));
        task.m_state->queued = true;
        return task;
    }

    bool isValid() const { return bool(m_state); }

    // Runs the task here when it waits in the queue (or was deferred) and no thread has
    // taken it yet; true when it did.
    bool runIfQueued()
    {
        if (!m_state || !m_state->queued || !m_state->claim())
            return false;
        m_state->run();
        return true;
    }
    // Returns once the task has run, here if it waited in the queue.
    void wait()
    {
        if (!m_state || runIfQueued())
            return;
        std::unique_lock lock(m_state->mutex);
        m_state->finished.wait(lock, [this] { return m_state->stage == Stage::Done; });
    }
    // Waits for the result and leaves the task empty. An exception the work threw is
    // thrown here.
    Result take()
    {
        wait();
        const std::shared_ptr<State> state = std::move(m_state);
        if (state->error)
            std::rethrow_exception(state->error);
        if constexpr (!std::is_void_v<Result>)
            return std::move(*state->result);
    }
    // Abandons the task if no thread has taken it, waits for it otherwise; leaves the
    // task empty.
    void drop()
    {
        if (!m_state)
            return;
        if (m_state->claim())
            m_state->abandon();
        else
            wait();
        m_state.reset();
    }

private:
    enum class Stage
    {
        Queued,
        Running,
        Done
    };
    // Ordered with the standard library's lock rather than the future's own, whose
    // order ThreadSanitizer cannot see through Qt.
    struct State
    {
        std::mutex mutex;
        std::condition_variable finished;
        Stage stage = Stage::Queued;
        bool queued = false; // not given a thread when it started: a waiter may run it
        std::function<Result()> work;
        std::optional<std::conditional_t<std::is_void_v<Result>, std::monostate, Result>> result;
        std::exception_ptr error;

        // Whoever moves the task out of the queue runs it (or abandons it).
        bool claim()
        {
            std::lock_guard lock(mutex);
            if (stage != Stage::Queued)
                return false;
            stage = Stage::Running;
            return true;
        }
        void run()
        {
            try {
                if constexpr (std::is_void_v<Result>)
                    work();
                else
                    result.emplace(work());
            } catch (...) {
                error = std::current_exception();
            }
            abandon();
        }
        // Lets go of what the work captured and tells the waiters.
        void abandon()
        {
            work = {};
            {
                std::lock_guard lock(mutex);
                stage = Stage::Done;
            }
            finished.notify_all();
        }
    };

    template <typename Work> explicit Task(Work work) : m_state(std::make_shared<State>())
    {
        m_state->work = std::move(work);
    }

    std::shared_ptr<State> m_state;
};

// Runs part(0) to part(count - 1) at once: part 0 on this thread, the others on the pool,
// and returns once every one has run. Parts that found no free thread, and that no thread
// has taken by the time this one is done with its own, run here.
void parallel(int count, const std::function<void(int part)>& part);

// Queues `work` on the pool, for a result that goes back to an object's thread through
// the future's continuation. Work whose future was cancelled before a thread took it is
// not run at all.
template <typename Work> auto run(Work work) -> QFuture<std::invoke_result_t<Work&>>
{
    using Result = std::invoke_result_t<Work&>;
    auto promise = std::make_shared<QPromise<Result>>();
    QFuture<Result> future = promise->future();
    promise->start();
    pool().start([promise, work = std::move(work)]() mutable {
        if (!promise->isCanceled()) {
            if constexpr (std::is_void_v<Result>)
                work();
            else
                promise->addResult(work());
        }
        promise->finish();
    });
    return future;
}

} // namespace KPAsync
