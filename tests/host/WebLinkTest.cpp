// The web-link command module and the worker thread that carries its requests out.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <atomic>
#include <mutex>
#include <string>

#include "modules/framework/OsCommand.h"
#include "tests/support/TestEffect.h"

namespace {

void Press(Mox_ModuleBase& m, TestOwner& owner, uint16_t pin, int value) {
    m.QueueEvent(owner.runningTime, pin, 0, value, static_cast<float>(value), nullptr);
    owner.RunChunk(8);
}

}  // namespace

TEST(WebLink, APressOpensThePageOnceAndTheReleaseDoesNothing) {
    TestOwner owner;
    auto* command = new Mox_DSP_OS_Command(&owner, false);
    owner.Place(0, command);
    command->Open();
    Press(*command, owner, 0, 1);
    Press(*command, owner, 0, 0);
    ASSERT_EQ(owner.addresses.size(), 1u);
    EXPECT_STREQ(owner.addresses[0], Mox_DSP_OS_Command::AddressOfPin(0));
    EXPECT_EQ(std::string(owner.addresses[0]).rfind("https://", 0), 0u);
    Press(*command, owner, 2, 1);  // the second address
    Press(*command, owner, 5, 1);  // a pin without an address
    ASSERT_EQ(owner.addresses.size(), 2u);
    EXPECT_STREQ(owner.addresses[1], Mox_DSP_OS_Command::AddressOfPin(2));
    EXPECT_EQ(owner.bankSaves, 0);
    EXPECT_TRUE(command->flags & Mox_ModuleBase::kAsleep);  // it never computes anything
}

TEST(WebLink, TheBankIsSavedOnTheEventAfterANonzeroOne) {
    struct Case {
        std::vector<int> sequence;
        int saves;
    } cases[] = {{{1, 0}, 1}, {{1, 1}, 1}, {{0}, 0}, {{0, 0, 0}, 0}, {{1, 0, 1, 0}, 2}, {{1, 1, 1}, 2}};
    for (const Case& c : cases) {
        TestOwner owner;
        auto* command = new Mox_DSP_OS_Command(&owner, false);
        owner.Place(0, command);
        command->Open();
        for (int v : c.sequence) Press(*command, owner, 9, v);
        EXPECT_EQ(owner.bankSaves, c.saves) << "sequence of " << c.sequence.size();
        EXPECT_TRUE(owner.addresses.empty());
    }
}

TEST(WebLink, TheWorkerOpensAndSavesOffTheCallingThread) {
    std::atomic<int> saves{0};
    std::mutex lock;
    std::vector<std::string> opened;
    std::thread::id workerThread;
    BackgroundWorker worker([&] { ++saves; });
    ASSERT_TRUE(worker.running());
    worker.SetOpener([&](const char* address) {
        std::lock_guard<std::mutex> guard(lock);
        opened.push_back(address);
        workerThread = std::this_thread::get_id();
        return pid_t{0};
    });
    worker.RequestOpen("https://example.invalid/a");
    worker.Flush();
    worker.RequestSave();
    worker.Flush();
    EXPECT_EQ(saves.load(), 1);
    {
        std::lock_guard<std::mutex> guard(lock);
        ASSERT_EQ(opened.size(), 1u);
        EXPECT_EQ(opened[0], "https://example.invalid/a");
        EXPECT_NE(workerThread, std::this_thread::get_id());
    }
    worker.RequestOpen(nullptr);  // ignored
    worker.Stop();
    worker.RequestSave();  // after Stop: dropped, never run
    EXPECT_EQ(saves.load(), 1);
}

TEST(WebLink, TheEditorButtonReachesTheOpenerThroughTheGraph) {
    TestEffect effect;  // the plug-in's own graph: index 70 feeds the command module
    std::mutex lock;
    std::vector<std::string> opened;
    effect.worker().SetOpener([&](const char* address) {
        std::lock_guard<std::mutex> guard(lock);
        opened.push_back(address);
        return pid_t{0};
    });
    effect.setSampleRate(48000.0f);
    effect.setBlockSize(128);
    effect.resume();
    std::vector<float> l(128), r(128), ol(128), orr(128);
    effect.Process(l, r, ol, orr);
    effect.setParameter(70, 1.0f);  // pressed, from the editor's thread
    effect.Process(l, r, ol, orr);
    effect.setParameter(70, 0.0f);  // released
    effect.Process(l, r, ol, orr);
    effect.worker().Flush();
    std::lock_guard<std::mutex> guard(lock);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], Mox_DSP_OS_Command::AddressOfPin(0));
}

TEST(WebLink, AMissingBrowserLauncherIsIgnored) {
    // Without xdg-open on PATH nothing is opened: posix_spawnp either fails at once
    // or (where exec failures surface in the child, as under an emulator) the child
    // exits with 127 without running anything.
    const char* saved = std::getenv("PATH");
    const std::string path = saved ? saved : "";
    setenv("PATH", "/nonexistent-directory", 1);
    const pid_t pid = BackgroundWorker::SpawnBrowser("https://example.invalid/");
    setenv("PATH", path.c_str(), 1);
    if (pid > 0) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 127);
    } else {
        EXPECT_EQ(pid, 0);
    }
}
