#include "host/BackgroundWorker.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>

#include <cerrno>

extern char** environ;

BackgroundWorker::BackgroundWorker(std::function<void()> saveBank)
    : saveBank_(std::move(saveBank)), opener_(&BackgroundWorker::SpawnBrowser) {
    semaphoreReady_ = sem_init(&wake_, 0, 0) == 0;
    if (!semaphoreReady_) return;
    try {
        thread_ = std::thread(&BackgroundWorker::Run, this);
    } catch (...) {
        // Without a worker the requests are dropped; the plug-in still runs.
    }
}

BackgroundWorker::~BackgroundWorker() {
    Stop();
    if (semaphoreReady_) sem_destroy(&wake_);
}

void BackgroundWorker::Stop() {
    if (!thread_.joinable()) return;
    quit_.store(true, std::memory_order_release);
    sem_post(&wake_);
    thread_.join();
}

void BackgroundWorker::RequestOpen(const char* address) {
    if (!address || !thread_.joinable()) return;
    pendingOpen_.store(address, std::memory_order_release);
    posted_.fetch_add(1, std::memory_order_acq_rel);
    sem_post(&wake_);
}

void BackgroundWorker::RequestSave() {
    if (!thread_.joinable()) return;
    pendingSave_.store(true, std::memory_order_release);
    posted_.fetch_add(1, std::memory_order_acq_rel);
    sem_post(&wake_);
}

void BackgroundWorker::Flush() {
    const unsigned target = posted_.load(std::memory_order_acquire);
    while (thread_.joinable() && static_cast<int>(done_.load(std::memory_order_acquire) - target) < 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

pid_t BackgroundWorker::SpawnBrowser(const char* address) {
    char program[] = "xdg-open";
    char* argv[] = {program, const_cast<char*>(address), nullptr};
    pid_t pid = 0;
    // A missing xdg-open (or any other failure to start) is simply ignored.
    if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ) != 0) return 0;
    return pid;
}

void BackgroundWorker::Reap(bool wait) {
    for (size_t i = 0; i < children_.size();) {
        const pid_t done = waitpid(children_[i], nullptr, wait ? 0 : WNOHANG);
        if (done == children_[i] || (done < 0 && errno == ECHILD)) {
            children_[i] = children_.back();
            children_.pop_back();
        } else {
            ++i;
        }
    }
}

void BackgroundWorker::Run() {
    for (;;) {
        // Wake for a request, or every second to reap finished children.
        timespec deadline{};
        clock_gettime(CLOCK_REALTIME, &deadline);
        deadline.tv_sec += 1;
        sem_timedwait(&wake_, &deadline);
        const unsigned seen = posted_.load(std::memory_order_acquire);
        if (const char* address = pendingOpen_.exchange(nullptr, std::memory_order_acq_rel)) {
            if (const pid_t pid = opener_ ? opener_(address) : 0; pid > 0) children_.push_back(pid);
        }
        if (pendingSave_.exchange(false, std::memory_order_acq_rel) && saveBank_) saveBank_();
        done_.store(seen, std::memory_order_release);
        Reap(false);
        if (quit_.load(std::memory_order_acquire)) break;
    }
    Reap(false);
}
