// Reading the next pages while the caller waits for this one. The program asks
// for pages in order; while it is given page k, pages k+1 and k+2 are queued
// for a second thread and for the caller's own while it waits, so that
// neither thread waits for the other to hand over a page before it starts
// the next one and both cores work to the last page. Results are handed over
// in page order and only for the page asked; a page read ahead is used only
// when nothing it depends on changed in between (its key), and is otherwise
// read again.
//
// Race-free by design: one mutex and one condition variable guard every job's
// state; a job's input and result are handed over only through them; each
// thread uses its own Tesseract instances; the document itself is only ever
// touched by the caller's thread (TakePage), never by the second one.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "ocr/PageRecognition.h"

namespace xdw {

// What a page's reading depends on: which document and page, how the page
// stands and what reads it, and whether it is to be turned upright first
// (see PageResult::turn).
struct PageKey {
    std::uintptr_t document = 0;
    int page = 0;
    std::string pageObject;  // object number and generation
    int rotate = 0;
    std::string languages, verticalLanguages, tessdata;
    int timeLimitMs = 0;
    bool upright = false;
    bool operator==(const PageKey&) const = default;
};

class OcrAhead {
public:
    using Take = std::function<PageInput()>;
    // A page to read ahead, and how to detach it from the document.
    struct Next {
        PageKey key;
        Take take;
    };

    OcrAhead() = default;
    OcrAhead(const OcrAhead&) = delete;
    OcrAhead& operator=(const OcrAhead&) = delete;
    ~OcrAhead() { Stop(); }

    // The result for key: the one read ahead, or read now on this thread.
    // The pages next, in order, are queued first for the second thread
    // (each detached from the document here, unless queued already). While
    // this thread waits for a page the second one is reading, it reads a
    // queued page itself. Throws what reading the page threw.
    PageResult Read(const PageKey& key, const Take& take, const OcrRecipe& recipe,
                    const std::vector<Next>& next);

    // How far the reading of page of document has got, 0 to 100; -1 when it
    // is not being read. May be asked from any thread while Read runs.
    int Progress(std::uintptr_t document, int page);

    // Keeps result, or the error reading gave instead, as the reading of
    // key, for the next Read to hand over.
    void Keep(const PageKey& key, PageResult result, std::exception_ptr error = nullptr);

    // Cancels whatever runs, drops every result and ends the second thread;
    // pages may be read again afterwards.
    void Stop();
    // Cancels whatever runs or waits, at once: the reads under way fail, and
    // so does every read asked for until Stop (no page is rendered or read
    // after a cancel, whichever thread was about to start one).
    void CancelAll();

private:
    enum class State { Queued, Running, Done };
    // The parts of a job's page its reader shares (see SharedTasks.h).
    struct Tasks {
        const std::function<void(int)>* task = nullptr;  // none shared
        int count = 0, next = 0, running = 0;
        std::exception_ptr error;
    };
    struct Job {
        PageKey key;
        OcrRecipe recipe;
        PageInput input;
        State state = State::Queued;
        std::optional<PageResult> result;
        std::exception_ptr error;
        std::atomic<bool> cancel{false};
        std::atomic<int> percent{-1};  // while it runs
        Tasks tasks;
    };
    using JobPtr = std::shared_ptr<Job>;

    void Run(Job& job);  // outside the lock, by whoever set it Running
    void Work();         // the second thread
    // Runs task(i) for i < count of job's page, sharing them with waiting threads.
    void Share(Job& job, int count, const std::function<void(int)>& task);
    // Runs one shared task of a page being read, if any is left; lock is
    // released while it runs. false when there was none.
    bool Help(std::unique_lock<std::mutex>& lock);
    // Runs task i of job, lock released; the first error stops the rest.
    void RunTask(std::unique_lock<std::mutex>& lock, Job& job, int i);
    JobPtr Find(const PageKey& key);
    JobPtr FirstQueued();
    void Forget(const JobPtr& job);

    std::mutex mutex_;
    std::condition_variable changed_;
    // In the order queued: at most this page and the next ones. A job stays here
    // while it runs, whichever thread runs it, so it can be followed and cancelled.
    std::list<JobPtr> jobs_;
    std::thread worker_;
    bool stopping_ = false;
    bool cancelled_ = false;  // since CancelAll, until Stop
};

}  // namespace xdw
