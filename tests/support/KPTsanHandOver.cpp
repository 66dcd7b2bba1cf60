// Linked into the tests of the ThreadSanitizer build only (scripts/tsan.sh).
//
// Debian's Qt is not built with ThreadSanitizer, so the locks with which Qt hands work
// from one thread to another are invisible to it: a call queued to the GUI thread (the
// run's hand-off, the thumbnail loader's answer, the log view's preview) and a task
// started on a thread pool (the thumbnail loader, the engine's tasks) read what the
// handing thread wrote just before, and that shows up as a race. No suppression can name
// these, as the stacks hold Pictaro's frames and hardly a Qt one. The Qt functions that
// hand work over are stood in for here: each tells ThreadSanitizer about the order
// Qt guarantees and calls Qt's own function, which still does all the work.
//
// The tests start programs (convert, exiftool, pictaro) through QProcess, which on Linux
// clones the process with its memory shared until the child executes the program. The
// child's calls into the C library go through ThreadSanitizer's own wrappers, which then
// write into the state of the thread that started it, in the parent; afterwards races
// are reported between that thread's earlier stack and the pool's threads, with
// hand-overs ThreadSanitizer had seen. The clone is made to copy the memory instead, as
// fork does, so the child's calls stay in the child.

#include <QMetaObject>
#include <QThreadPool>

#include <dlfcn.h>
#include <sched.h>
#include <sys/types.h>

#include <cstdarg>

#include <functional>

extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);

namespace {
// The pool's tasks all synchronise on one address: a task cannot read its own before
// it has been told.
char poolHandOver;

template <typename Function> Function qtFunction(const char* symbol)
{
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, symbol));
}

// Wraps a queued call: whatever the handing thread wrote before it queued the call is
// seen by the call, and whatever the call wrote is seen by the thread it hands back to.
class OrderedSlot : public QtPrivate::QSlotObjectBase
{
public:
    explicit OrderedSlot(QtPrivate::QSlotObjectBase* inner) : QSlotObjectBase(&impl), m_inner(inner)
    {}

private:
    static void impl(int which, QSlotObjectBase* self, QObject* receiver, void** arguments,
                     bool* ret)
    {
        // Each queued call synchronises on its own address, which the thread that runs
        // or drops it is handed as `self`.
        __tsan_acquire(self);
        auto* slot = static_cast<OrderedSlot*>(self);
        switch (which) {
        case Destroy:
            slot->m_inner->destroyIfLastRef();
            delete slot;
            return;
        case Call:
            slot->m_inner->call(receiver, arguments);
            break;
        case Compare:
            *ret = slot->m_inner->compare(arguments);
            break;
        }
        __tsan_release(self);
    }

    QtPrivate::QSlotObjectBase* m_inner;
};
} // namespace

bool QMetaObject::invokeMethodImpl(QObject* object, QtPrivate::QSlotObjectBase* slot,
                                   Qt::ConnectionType type, void* ret)
{
    using Invoke = bool (*)(QObject*, QtPrivate::QSlotObjectBase*, Qt::ConnectionType, void*);
    static const auto qtInvoke =
        qtFunction<Invoke>("_ZN11QMetaObject16invokeMethodImplEP7QObjectPN9QtPrivate15QSlotObjectBa"
                           "seEN2Qt14ConnectionTypeEPv");
    auto* ordered = new OrderedSlot(slot);
    __tsan_release(ordered);
    // A blocking call's results are read after the call was dropped here, which
    // synchronised with the end of the call.
    return qtInvoke(object, ordered, type, ret);
}

void QThreadPool::start(std::function<void()> functionToRun, int priority)
{
    using Start = void (*)(QThreadPool*, std::function<void()>, int);
    static const auto qtStart = qtFunction<Start>("_ZN11QThreadPool5startESt8functionIFvvEEi");
    std::function<void()> task = [function = std::move(functionToRun)] {
        __tsan_acquire(&poolHandOver);
        function();
    };
    // Everything the task holds is written by now.
    __tsan_release(&poolHandOver);
    qtStart(this, std::move(task), priority);
}

bool QThreadPool::tryStart(std::function<void()> functionToRun)
{
    using TryStart = bool (*)(QThreadPool*, std::function<void()>);
    static const auto qtTryStart =
        qtFunction<TryStart>("_ZN11QThreadPool8tryStartESt8functionIFvvEE");
    std::function<void()> task = [function = std::move(functionToRun)] {
        __tsan_acquire(&poolHandOver);
        function();
    };
    __tsan_release(&poolHandOver);
    return qtTryStart(this, std::move(task));
}

extern "C" int clone(int (*function)(void*), void* stack, int flags, void* argument, ...)
{
    // The optional arguments are read as glibc itself reads them: unused unless the flags
    // ask for them.
    va_list optional;
    va_start(optional, argument);
    auto* parentTid = va_arg(optional, pid_t*);
    void* tls = va_arg(optional, void*);
    auto* childTid = va_arg(optional, pid_t*);
    va_end(optional);
    using Clone = int (*)(int (*)(void*), void*, int, void*, ...);
    static const auto libcClone = qtFunction<Clone>("clone");
    // A thread keeps sharing its memory; a new process gets a copy, and the parent still
    // waits until the child has executed its program when it asked to.
    if ((flags & CLONE_VM) && !(flags & CLONE_THREAD))
        flags &= ~CLONE_VM;
    return libcClone(function, stack, flags, argument, parentTid, tls, childTid);
}
