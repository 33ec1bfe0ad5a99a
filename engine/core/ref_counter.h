// Reference counting and handles.
//
// Engine objects live on the heap and are owned through SmartPtr handles; an
// object starts with a count of 0 and the first owning handle makes it 1.
// Objects that others may observe without owning them (surfaces, fonts, audio
// sources, the text dictionary, the mixer) also derive from WeakRefCounter and
// are observed through WeakPtr handles, which share one WeakReference cell per
// observed object.
//
// Ownership: every reference-counted object is owned through SmartPtr, and
// nothing releases or deletes an owned object by hand. A function that makes
// a new object returns it as a SmartPtr or, where its form is a raw pointer,
// as an object with count 0 (or null): the caller takes that result into a
// SmartPtr in the same expression (one it constructs or assigns, or the
// SmartPtr of the function or constructor it hands the result to straight
// away) and never keeps the bare pointer from one statement to the next.
// Until such a function returns, its new object is its own; on a failure path
// it destroys the object itself. A function that takes a raw pointer and
// does not keep it only borrows it, and its argument must already be owned.
// Raw pointers elsewhere are borrowed views of objects someone else owns.
//
// Counts are atomic: the loader thread, the main thread and the audio writer
// thread share engine objects. The bookkeeping between an object and its weak
// cell (creating the cell, clearing it when either side dies) is done under
// one process-wide lock, so weak handles may be made, copied, dropped and
// locked on any thread while the object dies on another.
#pragma once

#include <atomic>
#include <cstddef>
#include <utility>

namespace Voke {

class RefCounter {
public:
    RefCounter() noexcept : m_refCount(0) {}
    // A copy is a new object: it starts unowned.
    RefCounter(const RefCounter&) noexcept : m_refCount(0) {}
    RefCounter& operator=(const RefCounter&) noexcept { return *this; }
    virtual ~RefCounter() = default;

    void IncRef() const noexcept { m_refCount.fetch_add(1, std::memory_order_relaxed); }

    // Releases one reference; destroys the object when the count drops to 0 or
    // below (so releasing a never-owned object destroys it). Returns true when
    // the object is still alive afterwards.
    bool DecRef() const noexcept
    {
        if (m_refCount.fetch_sub(1, std::memory_order_acq_rel) - 1 <= 0) {
            delete this;
            return false;
        }
        return true;
    }

    int GetRefCount() const noexcept { return m_refCount.load(std::memory_order_relaxed); }

private:
    friend class WeakRefCounter;
    // Adds a reference only while the object is still owned; used to turn a
    // weak handle into an owning one without racing the last release.
    bool TryIncRef() const noexcept
    {
        int count = m_refCount.load(std::memory_order_relaxed);
        while (count > 0) {
            if (m_refCount.compare_exchange_weak(count, count + 1, std::memory_order_acq_rel))
                return true;
        }
        return false;
    }

    mutable std::atomic<int> m_refCount;
};

// Owning handle: holds one reference while non-null.
template <class T>
class SmartPtr {
public:
    SmartPtr() noexcept = default;
    SmartPtr(std::nullptr_t) noexcept {}
    SmartPtr(T* p) noexcept : m_p(p) { if (m_p) m_p->IncRef(); }
    SmartPtr(const SmartPtr& other) noexcept : SmartPtr(other.m_p) {}
    SmartPtr(SmartPtr&& other) noexcept : m_p(other.m_p) { other.m_p = nullptr; }
    template <class U>
    SmartPtr(const SmartPtr<U>& other) noexcept : SmartPtr(other.Get()) {}
    ~SmartPtr() { if (m_p) m_p->DecRef(); }

    // The new object gains its reference before the old one is released, so
    // assigning a handle to itself, or to an object the old one owns, is safe.
    SmartPtr& operator=(T* p) noexcept
    {
        if (p) p->IncRef();
        T* old = m_p;
        m_p = p;
        if (old) old->DecRef();
        return *this;
    }
    SmartPtr& operator=(const SmartPtr& other) noexcept { return *this = other.m_p; }
    SmartPtr& operator=(SmartPtr&& other) noexcept
    {
        if (this != &other) {
            T* old = m_p;
            m_p = other.m_p;
            other.m_p = nullptr;
            if (old) old->DecRef();
        }
        return *this;
    }
    template <class U>
    SmartPtr& operator=(const SmartPtr<U>& other) noexcept { return *this = other.Get(); }

    void Reset() noexcept { *this = nullptr; }

    T* Get() const noexcept { return m_p; }
    T* operator->() const noexcept { return m_p; }
    T& operator*() const noexcept { return *m_p; }
    operator T*() const noexcept { return m_p; }

private:
    T* m_p = nullptr;
};

class WeakRefCounter {
public:
    // The shared cell through which weak handles see an object. Its count is
    // the number of weak handles; target is cleared when the object dies.
    class WeakReference : public RefCounter {
    public:
        explicit WeakReference(WeakRefCounter* target) noexcept : m_target(target) {}
        ~WeakReference() override;

    private:
        friend class WeakRefCounter;
        WeakRefCounter* m_target;
    };

    WeakRefCounter() noexcept = default;
    WeakRefCounter(const WeakRefCounter&) noexcept {}
    WeakRefCounter& operator=(const WeakRefCounter&) noexcept { return *this; }
    virtual ~WeakRefCounter();

    // The current cell, or null while no weak handle observes the object.
    WeakReference* GetWeakReference() const noexcept;

    // Cell bookkeeping for WeakPtr; all of it runs under the process-wide
    // weak-reference lock.
    static WeakReference* AcquireCell(WeakRefCounter* object);
    static void AddCellRef(WeakReference* cell) noexcept;
    static void ReleaseCell(WeakReference* cell) noexcept;
    static WeakRefCounter* CellTarget(WeakReference* cell) noexcept;
    // Adds an owning reference to the cell's object if it is still alive and
    // owned; returns it, or null.
    static WeakRefCounter* LockCell(WeakReference* cell, const RefCounter* (*asCounted)(WeakRefCounter*)) noexcept;

private:
    WeakReference* m_cell = nullptr;
};

// Non-owning handle: holds a reference on the observed object's cell only.
template <class T>
class WeakPtr {
public:
    WeakPtr() noexcept = default;
    WeakPtr(std::nullptr_t) noexcept {}
    WeakPtr(T* p) : m_cell(p ? WeakRefCounter::AcquireCell(p) : nullptr) {}
    WeakPtr(const SmartPtr<T>& p) : WeakPtr(p.Get()) {}
    WeakPtr(const WeakPtr& other) noexcept : m_cell(other.m_cell) { WeakRefCounter::AddCellRef(m_cell); }
    WeakPtr(WeakPtr&& other) noexcept : m_cell(other.m_cell) { other.m_cell = nullptr; }
    ~WeakPtr() { WeakRefCounter::ReleaseCell(m_cell); }

    WeakPtr& operator=(const WeakPtr& other) noexcept
    {
        WeakRefCounter::AddCellRef(other.m_cell);
        WeakRefCounter::WeakReference* old = m_cell;
        m_cell = other.m_cell;
        WeakRefCounter::ReleaseCell(old);
        return *this;
    }
    WeakPtr& operator=(WeakPtr&& other) noexcept
    {
        if (this != &other) {
            WeakRefCounter::ReleaseCell(m_cell);
            m_cell = other.m_cell;
            other.m_cell = nullptr;
        }
        return *this;
    }
    WeakPtr& operator=(T* p) { return *this = WeakPtr(p); }

    // The object, or null once it has been destroyed. The result is not owned:
    // use Lock where another thread may drop the last owning handle meanwhile.
    T* Get() const noexcept
    {
        WeakRefCounter* target = WeakRefCounter::CellTarget(m_cell);
        return target ? static_cast<T*>(target) : nullptr;
    }

    // An owning handle to the object, or null when it is gone or dying.
    SmartPtr<T> Lock() const noexcept
    {
        WeakRefCounter* target = WeakRefCounter::LockCell(m_cell, &AsCounted);
        if (!target) return SmartPtr<T>();
        SmartPtr<T> owned(static_cast<T*>(target));
        owned->DecRef();  // LockCell already added the reference owned now holds
        return owned;
    }

    bool Expired() const noexcept { return Get() == nullptr; }
    WeakRefCounter::WeakReference* GetCell() const noexcept { return m_cell; }

private:
    static const RefCounter* AsCounted(WeakRefCounter* target) { return static_cast<T*>(target); }

    WeakRefCounter::WeakReference* m_cell = nullptr;
};

}  // namespace Voke
