// Storage of a program-wide object whose life the program sets, instead of
// the order in which static initialisation happens to reach the files that
// define such objects (an order C++ leaves open across files). The storage
// exists, empty, before any code runs; BuildProgramObjects builds every
// object in the order of the program-wide objects table and
// ReleaseProgramObjects releases them in the reverse order.
//
// Code reaches the object through a plain reference bound to the storage at
// compile time; PROGRAM_OBJECT_DECLARE(g_Option, cOption) in a header and
// PROGRAM_OBJECT_DEFINE(g_Option, cOption) in one source file give the
// storage g_OptionObject and the reference g_Option.
// Touching the object before it is built, or after it is released, is a
// fault; sanitizer builds report a touch after release.
#pragma once
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

#if defined(__SANITIZE_ADDRESS__)
#define ORV_POISON_RELEASED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORV_POISON_RELEASED 1
#endif
#endif
#ifdef ORV_POISON_RELEASED
#include <sanitizer/asan_interface.h>
#endif

template <class T>
class ProgramObject {
public:
    constexpr ProgramObject() : m_none() {}
    // The program releases its objects itself; an object still built at
    // exit is left to the end of the process. The storage is given back
    // unpoisoned, for a holder that lived on the stack.
    ~ProgramObject() {
#ifdef ORV_POISON_RELEASED
        ASAN_UNPOISON_MEMORY_REGION(&m_object, sizeof(T));
#endif
    }
    ProgramObject(const ProgramObject&) = delete;
    ProgramObject& operator=(const ProgramObject&) = delete;

    // Builds a fresh object, releasing the one before.
    template <class... Args>
    T& Build(Args&&... args) {
        Release();
#ifdef ORV_POISON_RELEASED
        ASAN_UNPOISON_MEMORY_REGION(&m_object, sizeof(T));
#endif
        if constexpr (std::is_array_v<T>) {
            static_assert(sizeof...(Args) == 0, "the elements of an array are built empty");
            std::uninitialized_value_construct(std::begin(m_object), std::end(m_object));
        } else {
            ::new (static_cast<void*>(std::addressof(m_object))) T(std::forward<Args>(args)...);
        }
        m_built = true;
        return m_object;
    }

    void Release() {
        if (!m_built) return;
        m_built = false;
        if constexpr (std::is_array_v<T>)
            std::destroy(std::begin(m_object), std::end(m_object));
        else
            m_object.~T();
#ifdef ORV_POISON_RELEASED
        ASAN_POISON_MEMORY_REGION(&m_object, sizeof(T));
#endif
    }

    bool Built() const { return m_built; }
    constexpr T& Get() { return m_object; }

private:
    union {
        char m_none;
        T m_object;
    };
    bool m_built = false;
};

// The storage NAME##Object of a program-wide object of the type given after
// the name, and the reference NAME to it (type_identity lets an array type
// name a reference to an array).
#define PROGRAM_OBJECT_DECLARE(NAME, ...)               \
    extern ProgramObject<__VA_ARGS__> NAME##Object; \
    extern std::type_identity_t<__VA_ARGS__>& NAME
#define PROGRAM_OBJECT_DEFINE(NAME, ...)                   \
    constinit ProgramObject<__VA_ARGS__> NAME##Object; \
    constinit std::type_identity_t<__VA_ARGS__>& NAME = NAME##Object.Get()
