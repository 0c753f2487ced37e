// The effect's worker thread: carries out what the audio thread may not do itself
// (start a process, write a file). The audio thread only posts a request, lock
// free, and wakes the worker with a semaphore post (which never blocks); the
// worker opens web addresses with xdg-open (started with posix_spawnp, the address
// as a single argument: no shell, nothing to quote or inject), reaps the processes
// it started, and runs the bank save it was asked for.
#pragma once

#include <semaphore.h>
#include <sys/types.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

class BackgroundWorker {
public:
    // How an address is opened; answers the started process (0 when none).
    using Opener = std::function<pid_t(const char* address)>;

    explicit BackgroundWorker(std::function<void()> saveBank);
    ~BackgroundWorker();
    BackgroundWorker(const BackgroundWorker&) = delete;
    BackgroundWorker& operator=(const BackgroundWorker&) = delete;

    // Any thread, lock free. The address must outlive the request (a literal).
    void RequestOpen(const char* address);
    void RequestSave();

    // Replaces how addresses are opened (tests use a recording stand-in). Call
    // before requests are made.
    void SetOpener(Opener opener) { opener_ = std::move(opener); }

    // Waits until every request posted so far has been carried out (for tests and
    // for an orderly shutdown); not for the audio thread.
    void Flush();

    // Carries out what is pending and ends the thread; later requests are dropped.
    void Stop();

    bool running() const { return thread_.joinable(); }

    // Starts xdg-open with the address; 0 when it cannot be started.
    static pid_t SpawnBrowser(const char* address);

private:
    void Run();
    void Reap(bool wait);

    std::function<void()> saveBank_;
    Opener opener_;
    std::atomic<const char*> pendingOpen_{nullptr};
    std::atomic<bool> pendingSave_{false};
    std::atomic<bool> quit_{false};
    std::atomic<unsigned> posted_{0};
    std::atomic<unsigned> done_{0};
    sem_t wake_;
    bool semaphoreReady_ = false;
    std::vector<pid_t> children_;  // worker thread only
    std::thread thread_;
};
