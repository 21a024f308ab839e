#include "runtime/proc/Threads.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <algorithm>
#include <boost/context/fiber.hpp>
#include <boost/context/protected_fixedsize_stack.hpp>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>

#include "runtime/data/ErrorReporter.h"
#include "runtime/data/Errors.h"
#include "runtime/proc/Events.h"

// AddressSanitizer must be told of every stack switch, or it takes fiber frames for
// overflows of the thread's own stack and leaves their poison behind.
#if defined(__SANITIZE_ADDRESS__)
#define TW_ASAN_FIBERS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TW_ASAN_FIBERS 1
#endif
#endif
#ifdef TW_ASAN_FIBERS
#include <sanitizer/asan_interface.h>
#include <sanitizer/common_interface_defs.h>
#endif

namespace ctx = boost::context;

namespace rt {
namespace {

constexpr std::size_t kFiberStack = 1024 * 1024;

// A thread's copy of one registered item: raw bytes, or a value of the item's own type.
struct Copy {
  std::vector<char> bytes;
  std::shared_ptr<void> value;
};

struct ThreadRec {
  int number = 0;
  std::string name;
  long stack = 0;
  Procedure proc;
  ctx::fiber self;  // this fiber while suspended
  ctx::fiber back;  // the main fiber while this one runs
  bool ready = false;
  bool finished = false;
  std::vector<Copy> buffers;  // copies of the registered memory and values
  std::vector<std::shared_ptr<void>> slotValues;
  std::deque<Event> events;
  // The fiber's stack as the sanitizer sees it, and its fake stack while switched away.
  const void* stackBottom = nullptr;
  std::size_t stackSize = 0;
  void* fakeStack = nullptr;
};

struct Registered {
  void* data;
  std::size_t size;
  const ThreadValueOps* ops;  // nullptr: plain bytes
};

struct Scheduler {
  ThreadRec main;
  std::map<int, std::unique_ptr<ThreadRec>> threads;  // by number, i.e. in start order
  ThreadRec* current = &main;
  int nextNumber = 1;
  bool pumpPosted = false;
  std::vector<Registered> registry;
  std::vector<std::function<std::shared_ptr<void>()>> slotMakers;
  std::function<void(const std::string&)> refusal;
};

// Sanitizer bookkeeping around a switch; no code at all in other builds.
#ifdef TW_ASAN_FIBERS
// Learnt whenever a fiber is entered: only the main fiber resumes fibers.
const void* mainStackBottom = nullptr;
std::size_t mainStackSize = 0;

// Before leaving for another stack; from == nullptr: the leaving fiber ends, and its fake
// stack goes with it.
void beforeSwitch(ThreadRec* from, const void* bottom, std::size_t size) {
  __sanitizer_start_switch_fiber(from ? &from->fakeStack : nullptr, bottom, size);
}
void beforeSwitchToMain(ThreadRec* from) {
  beforeSwitch(from, mainStackBottom, mainStackSize);
}
// Back on `to`'s stack, coming from the main fiber's (fromMain) or a fiber's.
void afterSwitch(ThreadRec& to, bool fromMain) {
  const void* bottom = nullptr;
  std::size_t size = 0;
  __sanitizer_finish_switch_fiber(to.fakeStack, &bottom, &size);
  if (fromMain) {
    mainStackBottom = bottom;
    mainStackSize = size;
  }
}
#else
void beforeSwitch(ThreadRec*, const void*, std::size_t) {}
void beforeSwitchToMain(ThreadRec*) {}
void afterSwitch(ThreadRec&, bool) {}
#endif

// Hands out the same guarded stack as before and notes where it lies for the sanitizer.
struct NotedStack {
  ctx::protected_fixedsize_stack stacks{kFiberStack};
  ThreadRec* owner;

  ctx::stack_context allocate() {
    ctx::stack_context sc = stacks.allocate();
    owner->stackBottom = static_cast<const char*>(sc.sp) - sc.size;
    owner->stackSize = sc.size;
    return sc;
  }
  void deallocate(ctx::stack_context& sc) noexcept {
#ifdef TW_ASAN_FIBERS
    // Frames that never returned (the fiber's entry) leave their redzones poisoned; the
    // memory goes back to the system and may come back as anyone's heap.
    ASAN_UNPOISON_MEMORY_REGION(static_cast<char*>(sc.sp) - sc.size, sc.size);
#endif
    stacks.deallocate(sc);
  }
};

struct ProcedureName {
  std::string name;
};

Scheduler& sched() {
  // Never destroyed: fibers still suspended at exit must not be unwound after the
  // window layer is gone.
  static Scheduler& s = *new Scheduler;
  static const bool errorsPerThread = [] {
    setErrorStateProvider([]() -> ErrorState& { return threadSlot<ErrorState>(); });
    // "%Procedure" names the window working on the thread that reports.
    setProcedureNameProvider([]() -> std::string& { return threadSlot<ProcedureName>().name; });
    return true;
  }();
  (void)errorsPerThread;
  return s;
}

ThreadRec* find(int thread) {
  Scheduler& s = sched();
  if (thread == 0) return &s.main;
  auto it = s.threads.find(thread);
  return it == s.threads.end() || it->second->finished ? nullptr : it->second.get();
}

void save(const Registered& r, Copy& c) {
  if (!r.ops) {
    c.bytes.resize(r.size);
    std::memcpy(c.bytes.data(), r.data, r.size);
  } else if (c.value) {
    r.ops->assign(c.value.get(), r.data);
  } else {
    c.value = r.ops->clone(r.data);
  }
}

void load(const Registered& r, const Copy& c) {
  if (!r.ops)
    std::memcpy(r.data, c.bytes.data(), std::min(r.size, c.bytes.size()));
  else if (c.value)
    r.ops->assign(r.data, c.value.get());
}

void saveLive(ThreadRec& t) {
  const auto& reg = sched().registry;
  t.buffers.resize(reg.size());
  for (std::size_t i = 0; i < reg.size(); ++i) save(reg[i], t.buffers[i]);
}

void loadLive(const ThreadRec& t) {
  const auto& reg = sched().registry;
  for (std::size_t i = 0; i < reg.size() && i < t.buffers.size(); ++i) load(reg[i], t.buffers[i]);
}

void resume(ThreadRec& t) {
  Scheduler& s = sched();
  saveLive(s.main);
  loadLive(t);
  s.current = &t;
  beforeSwitch(&s.main, t.stackBottom, t.stackSize);
  t.self = std::move(t.self).resume();
  afterSwitch(s.main, false);
  s.current = &s.main;
  if (!t.finished) saveLive(t);
  loadLive(s.main);
  if (t.finished) s.threads.erase(t.number);
}

void postPump() {
  Scheduler& s = sched();
  if (s.pumpPosted || !QCoreApplication::instance()) return;
  s.pumpPosted = true;
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [] {
        sched().pumpPosted = false;
        runReadyThreads();
      },
      Qt::QueuedConnection);
}

}  // namespace

int START(Procedure proc, long stack, std::string_view name) {
  Scheduler& s = sched();
  if (procedureThreadCount() >= kMaxProcedureThreads) {
    if (s.refusal)
      s.refusal(kTooManyWindowsText);
    else
      std::fprintf(stderr, "%s\n", kTooManyWindowsText);
    return 0;
  }
  auto rec = std::make_unique<ThreadRec>();
  ThreadRec& t = *rec;
  t.number = s.nextNumber++;
  t.name = std::string(name);
  t.stack = std::max(stack, kMinimumStack);
  t.proc = std::move(proc);
  saveLive(t);  // the starter's buffers are live right now
  t.self = ctx::fiber(std::allocator_arg, NotedStack{{kFiberStack}, &t}, [&t](ctx::fiber&& back) {
    afterSwitch(t, true);
    t.back = std::move(back);
    try {
      t.proc();
    } catch (const ctx::detail::forced_unwind&) {
      throw;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "procedure thread %d (%s) ended: %s\n", t.number, t.name.c_str(),
                   e.what());
    } catch (...) {
      std::fprintf(stderr, "procedure thread %d (%s) ended abnormally\n", t.number, t.name.c_str());
    }
    t.finished = true;
    t.events.clear();
    beforeSwitchToMain(nullptr);
    return std::move(t.back);
  });
  const int number = t.number;
  s.threads.emplace(number, std::move(rec));
  wake(number);
  return number;
}

int currentThread() {
  return sched().current->number;
}

bool threadRunning(int thread) {
  return find(thread) != nullptr;
}

int procedureThreadCount() {
  int n = 0;
  for (const auto& [num, t] : sched().threads)
    if (!t->finished) ++n;
  return n;
}

long requestedStack(int thread) {
  const ThreadRec* t = find(thread);
  return t ? t->stack : 0;
}

std::string threadName(int thread) {
  const ThreadRec* t = find(thread);
  return t ? t->name : std::string();
}

std::vector<int> runningThreads() {
  std::vector<int> out;
  for (const auto& [num, t] : sched().threads)
    if (!t->finished) out.push_back(num);
  return out;
}

void waitForEvent() {
  Scheduler& s = sched();
  ThreadRec& t = *s.current;
  if (&t == &s.main) {
    runReadyThreads();
    if (QCoreApplication::instance())
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return;
  }
  beforeSwitchToMain(&t);
  t.back = std::move(t.back).resume();
  afterSwitch(t, true);
}

void wake(int thread) {
  ThreadRec* t = find(thread);
  if (!t) return;
  t->ready = true;
  if (thread == 0) {
    if (auto* app = QCoreApplication::instance())
      QMetaObject::invokeMethod(
          app, [] {}, Qt::QueuedConnection);
    return;
  }
  postPump();
}

void yieldToOthers() {
  Scheduler& s = sched();
  if (s.current == &s.main) {
    runReadyThreads();
    if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents);
    return;
  }
  wake(s.current->number);
  waitForEvent();
}

void waitUntil(const std::function<bool()>& pred) {
  while (!pred()) waitForEvent();
}

void runReadyThreads() {
  Scheduler& s = sched();
  if (s.current != &s.main) return;
  s.main.ready = false;
  // One round over the threads ready now, so threads that keep waking each other cannot
  // starve the event loop; the pump comes back for the rest.
  std::vector<int> ready;
  for (const auto& [num, t] : s.threads)
    if (t->ready && !t->finished) ready.push_back(num);
  for (int num : ready) {
    ThreadRec* t = find(num);
    if (!t || !t->ready) continue;
    t->ready = false;
    resume(*t);
  }
  for (const auto& [num, t] : s.threads)
    if (t->ready && !t->finished) {
      postPump();
      break;
    }
}

bool threadsReady() {
  for (const auto& [num, t] : sched().threads)
    if (t->ready && !t->finished) return true;
  return false;
}

void waitForAllThreads() {
  if (currentThread() != 0) return;
  while (procedureThreadCount() > 0) waitForEvent();
}

void setRefusalNotifier(std::function<void(const std::string&)> notifier) {
  sched().refusal = std::move(notifier);
}

namespace {

void registerItem(const Registered& item) {
  Scheduler& s = sched();
  unregisterThreadBuffer(item.data);
  s.registry.push_back(item);
  // Threads that already run see the contents as they are now.
  auto add = [&](ThreadRec& t) {
    t.buffers.resize(s.registry.size());
    save(item, t.buffers.back());
  };
  add(s.main);
  for (auto& [num, t] : s.threads) add(*t);
}

}  // namespace

void registerThreadBuffer(void* data, std::size_t size) {
  registerItem({data, size, nullptr});
}

void registerThreadValue(void* data, const ThreadValueOps& ops) {
  registerItem({data, 0, &ops});
}

void unregisterThreadBuffer(void* data) {
  Scheduler& s = sched();
  for (std::size_t i = 0; i < s.registry.size(); ++i) {
    if (s.registry[i].data != data) continue;
    s.registry.erase(s.registry.begin() + static_cast<long>(i));
    auto drop = [i](ThreadRec& t) {
      if (i < t.buffers.size()) t.buffers.erase(t.buffers.begin() + static_cast<long>(i));
    };
    drop(s.main);
    for (auto& [num, t] : s.threads) drop(*t);
    return;
  }
}

int allocateThreadSlot(std::function<std::shared_ptr<void>()> make) {
  auto& makers = sched().slotMakers;
  makers.push_back(std::move(make));
  return static_cast<int>(makers.size()) - 1;
}

void* threadSlotData(int slot) {
  Scheduler& s = sched();
  auto& slotValues = s.current->slotValues;
  if (slotValues.size() <= static_cast<std::size_t>(slot)) slotValues.resize(slot + 1);
  if (!slotValues[slot]) slotValues[slot] = s.slotMakers[slot]();
  return slotValues[slot].get();
}

// ---- events ------------------------------------------------------------------------

bool postEvent(int thread, const Event& ev) {
  ThreadRec* t = find(thread);
  if (!t) return false;
  if (ev.kind == EventKind::Timer) {
    for (const Event& q : t->events)
      if (q.kind == EventKind::Timer && q.window == ev.window) return true;
  }
  t->events.push_back(ev);
  wake(thread);
  return true;
}

bool PostEvent(EventKind kind, int control) {
  return postEvent(currentThread(), Event{kind, control, 0, 0});
}

bool takeEvent(int window, Event& out) {
  auto& q = sched().current->events;
  for (auto it = q.begin(); it != q.end(); ++it) {
    if (it->window == window || it->window == 0) {
      out = *it;
      q.erase(it);
      return true;
    }
  }
  return false;
}

bool takeUntargeted(EventKind kind) {
  auto& q = sched().current->events;
  for (auto it = q.begin(); it != q.end(); ++it) {
    if (it->window == 0 && it->kind == kind) {
      q.erase(it);
      return true;
    }
  }
  return false;
}

bool untargetedPending(int thread, EventKind kind) {
  const ThreadRec* t = find(thread);
  if (!t) return false;
  for (const Event& e : t->events)
    if (e.window == 0 && e.kind == kind) return true;
  return false;
}

bool hasEvent(int window) {
  for (const Event& e : sched().current->events)
    if (e.window == window || e.window == 0) return true;
  return false;
}

void discardEvents(int window) {
  if (window == 0) return;
  Scheduler& s = sched();
  auto drop = [window](ThreadRec& t) {
    std::erase_if(t.events, [window](const Event& e) { return e.window == window; });
  };
  drop(s.main);
  for (auto& [num, t] : s.threads) drop(*t);
}

}  // namespace rt
