// Type-erased values.
//
// An Any holds one value behind one pointer: the registry keeps each key's
// value in one and the asset dictionary each cached surface, font or sound.
// The holder remembers the type it was made with, so reading a value as
// another type fails instead of reinterpreting its bytes; there is no
// conversion between types (an int is never read as a float or a string).
#pragma once

#include <string>
#include <utility>

namespace Voke {

class Any {
public:
    class Placeholder {
    public:
        virtual ~Placeholder() = default;
        virtual Placeholder* Clone() const = 0;
        virtual const void* TypeTag() const = 0;
    };

    template <class T>
    class Holder final : public Placeholder {
    public:
        explicit Holder(const T& value) : m_value(value) {}
        Placeholder* Clone() const override { return new Holder(m_value); }
        const void* TypeTag() const override { return Tag(); }
        static const void* Tag()
        {
            static const char tag = 0;
            return &tag;
        }
        T m_value;
    };

    Any() noexcept = default;
    template <class T>
    Any(const T& value) : m_content(new Holder<T>(value)) {}
    // Text is held as a NarrowString, never as a character pointer.
    Any(const char* text) : m_content(new Holder<std::string>(text)) {}
    Any(const Any& other) : m_content(other.m_content ? other.m_content->Clone() : nullptr) {}
    Any(Any&& other) noexcept : m_content(other.m_content) { other.m_content = nullptr; }
    ~Any() { delete m_content; }

    Any& operator=(const Any& other)
    {
        if (this != &other) {
            Placeholder* copy = other.m_content ? other.m_content->Clone() : nullptr;
            delete m_content;
            m_content = copy;
        }
        return *this;
    }
    Any& operator=(Any&& other) noexcept
    {
        std::swap(m_content, other.m_content);
        return *this;
    }
    Any& operator=(const char* text) { return *this = std::string(text); }
    // Replaces the value; the type may change.
    template <class T>
    Any& operator=(const T& value)
    {
        Placeholder* replacement = new Holder<T>(value);
        delete m_content;
        m_content = replacement;
        return *this;
    }

    bool Empty() const noexcept { return m_content == nullptr; }
    void Clear() noexcept
    {
        delete m_content;
        m_content = nullptr;
    }

    template <class T>
    bool Holds() const noexcept
    {
        return m_content && m_content->TypeTag() == Holder<T>::Tag();
    }

    // The value when it is a T; null when empty or of another type.
    template <class T>
    const T* Get() const noexcept
    {
        return Holds<T>() ? &static_cast<const Holder<T>*>(m_content)->m_value : nullptr;
    }
    template <class T>
    T* Get() noexcept
    {
        return Holds<T>() ? &static_cast<Holder<T>*>(m_content)->m_value : nullptr;
    }

    // Copies the value into `out` when it is a T; otherwise leaves `out` as it
    // was and returns false.
    template <class T>
    bool Get(T& out) const
    {
        // Not through the pointer overload: on an empty Any, g++ 12 at -Os
        // sees a dereference of that null result and fails the build.
        if (!Holds<T>()) return false;
        out = static_cast<const Holder<T>*>(m_content)->m_value;
        return true;
    }

private:
    Placeholder* m_content = nullptr;
};

// A cache entry of the asset dictionary: the name and the owning handle of
// what is cached under it.
template <class Handle>
std::pair<std::string, Any> MakeCacheEntry(const std::string& name, const Handle& handle)
{
    return std::pair<std::string, Any>(name, Any(handle));
}

}  // namespace Voke
