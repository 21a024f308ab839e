// Procedure threads: cooperative fibers that all run on the GUI thread.
//
// Thread 0 is the main fiber, which runs the Qt event loop. START puts a procedure on a
// fiber of its own; a fiber runs until it waits for its next event (waitForEvent), then
// the main fiber's event loop goes on and resumes the fiber when something wakes it.
// Every function here must be called on the GUI thread.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace rt {

using Procedure = std::function<void()>;

inline constexpr int kMaxProcedureThreads = 63;  // beside the main thread
inline constexpr long kMinimumStack = 20000;
inline constexpr char kTooManyWindowsText[] =
    "There are too many windows open.|Close one of them and try again.";

// Starts proc on a new procedure thread; the caller does not wait. The requested stack
// size is recorded (below kMinimumStack counts as kMinimumStack); every fiber gets the
// same guarded stack. Returns the thread number (1..), or 0 when kMaxProcedureThreads
// are already running: the refusal notifier has then shown kTooManyWindowsText.
int START(Procedure proc, long stack = kMinimumStack, std::string_view name = {});

int currentThread();                 // 0 on the main fiber
bool threadRunning(int thread);      // thread 0 always runs
int procedureThreadCount();          // running procedure threads (the main one not counted)
long requestedStack(int thread);     // as recorded by START; 0 for unknown threads
std::string threadName(int thread);  // the name given to START
std::vector<int> runningThreads();   // procedure threads in start order

// Suspends the current fiber until wake() names it. On the main fiber this handles one
// round of Qt events instead (waiting for one when none is pending).
void waitForEvent();
// Marks a thread ready; the main fiber resumes it from its event loop. Spurious wakes are
// harmless: every waiter re-checks its own condition.
void wake(int thread);
// Waits on the current fiber until pred() holds.
void waitUntil(const std::function<bool()>& pred);
// A "handle pending messages" point inside a long operation: the other threads and the
// event loop run once, then the caller goes on. Nothing else yields during such work.
void yieldToOthers();
// Resumes every ready fiber now; only on the main fiber (no effect elsewhere).
void runReadyThreads();
// True while some thread has been woken and not yet resumed.
bool threadsReady();
// The main fiber handles Qt events and runs the procedure threads until none is left.
void waitForAllThreads();

// Shown when START refuses a thread; the window layer installs a message box.
void setRefusalNotifier(std::function<void(const std::string& text)> notifier);

// ---------------------------------------------------------------------------------------
// Per-thread state.
//
// Memory registered here (record buffers, memos, current positions) lives once at its own
// address; each thread keeps a private copy that is swapped in whenever that thread's
// fiber runs. A new thread starts with a copy of its starter's contents.
void registerThreadBuffer(void* data, std::size_t size);
void unregisterThreadBuffer(void* data);  // buffers and values alike

// The same for an object that is not plain bytes (a cursor holding strings, ...): each
// thread keeps its own copy, made and put back by T's copy assignment.
struct ThreadValueOps {
  std::shared_ptr<void> (*clone)(const void* obj);
  void (*assign)(void* dst, const void* src);
};
void registerThreadValue(void* data, const ThreadValueOps& ops);
template <class T>
void registerThreadValue(T& obj) {
  static const ThreadValueOps ops{
      [](const void* o) -> std::shared_ptr<void> {
        return std::make_shared<T>(*static_cast<const T*>(o));
      },
      [](void* d, const void* src) { *static_cast<T*>(d) = *static_cast<const T*>(src); }};
  registerThreadValue(&obj, ops);
}

// A per-thread value slot: every thread sees its own default-constructed T.
//   auto& s = rt::threadSlot<ErrorState>();
int allocateThreadSlot(std::function<std::shared_ptr<void>()> make);
void* threadSlotData(int slot);
template <class T>
T& threadSlot() {
  static const int slot = allocateThreadSlot([] { return std::make_shared<T>(); });
  return *static_cast<T*>(threadSlotData(slot));
}

}  // namespace rt
