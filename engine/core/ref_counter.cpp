#include "engine/core/ref_counter.h"

#include <mutex>

namespace Voke {

namespace {

// Guards the link between every observed object and its cell, and the cells'
// counts. Weak handles are made and dropped rarely (asset lookups, observers),
// so one lock for the whole process costs nothing measurable. Taken by any
// thread that makes, copies, drops or locks a weak handle, and by the
// destructor of an observed object.
std::mutex& WeakLock()
{
    static std::mutex lock;
    return lock;
}

}  // namespace

WeakRefCounter::WeakReference::~WeakReference() = default;

WeakRefCounter::~WeakRefCounter()
{
    std::lock_guard<std::mutex> guard(WeakLock());
    if (m_cell) {
        m_cell->m_target = nullptr;
        m_cell = nullptr;
    }
}

WeakRefCounter::WeakReference* WeakRefCounter::GetWeakReference() const noexcept
{
    std::lock_guard<std::mutex> guard(WeakLock());
    return m_cell;
}

WeakRefCounter::WeakReference* WeakRefCounter::AcquireCell(WeakRefCounter* object)
{
    std::lock_guard<std::mutex> guard(WeakLock());
    if (!object->m_cell)
        object->m_cell = new WeakReference(object);
    object->m_cell->IncRef();
    return object->m_cell;
}

void WeakRefCounter::AddCellRef(WeakReference* cell) noexcept
{
    if (!cell) return;
    std::lock_guard<std::mutex> guard(WeakLock());
    cell->IncRef();
}

void WeakRefCounter::ReleaseCell(WeakReference* cell) noexcept
{
    if (!cell) return;
    {
        std::lock_guard<std::mutex> guard(WeakLock());
        if (cell->GetRefCount() > 1) {
            cell->DecRef();
            return;
        }
        // Last weak handle: unlink from a live object so that the next weak
        // handle to it makes a fresh cell.
        if (cell->m_target) {
            cell->m_target->m_cell = nullptr;
            cell->m_target = nullptr;
        }
    }
    cell->DecRef();
}

WeakRefCounter* WeakRefCounter::CellTarget(WeakReference* cell) noexcept
{
    if (!cell) return nullptr;
    std::lock_guard<std::mutex> guard(WeakLock());
    return cell->m_target;
}

WeakRefCounter* WeakRefCounter::LockCell(WeakReference* cell,
                                         const RefCounter* (*asCounted)(WeakRefCounter*)) noexcept
{
    if (!cell) return nullptr;
    std::lock_guard<std::mutex> guard(WeakLock());
    // While the target is set under the lock, the object's memory has not been
    // released yet (its destructor clears the target first), so reading its
    // count is safe; a count of 0 means it is already being destroyed.
    if (!cell->m_target || !asCounted(cell->m_target)->TryIncRef())
        return nullptr;
    return cell->m_target;
}

}  // namespace Voke
