// The program's two containers. Both keep the storage of the standard ones
// and add checked access by index: a bad index is written to the report log
// and asks the main window to close, and the caller still gets an element
// it can use, so the frame in progress can finish.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <list>
#include <type_traits>
#include <vector>

// How a container makes the element it grows by and assigns one element
// from another. Stored records specialise this.
template <class T>
struct ElementTraits {
    static T MakeDefault() { return T{}; }
    static void Assign(T& target, const T& source) { target = source; }
};

namespace container_detail {
// One report line with index, count and element size, then the close request.
void ReportBadIndex(const char* format, int index, int count, size_t elementSize);
}  // namespace container_detail

template <class T>
class cVector : public std::vector<T> {
    using Base = std::vector<T>;

public:
    using Base::Base;
    cVector() = default;
    cVector(const cVector& other) : Base(other) {}
    cVector(cVector&&) noexcept = default;
    cVector& operator=(cVector&&) noexcept = default;

    // Takes the source's element count, growing by default elements, then
    // each element's value through the element's own assignment.
    cVector& operator=(const cVector& source) {
        if (this == &source) return *this;
        size_t n = source.size();
        if (this->size() > n) this->erase(this->begin() + static_cast<std::ptrdiff_t>(n), this->end());
        while (this->size() < n) this->push_back(ElementTraits<T>::MakeDefault());
        for (size_t i = 0; i < n; ++i) ElementTraits<T>::Assign((*this)[i], source[i]);
        return *this;
    }

    int Size() const { return static_cast<int>(this->size()); }

    T& At(int index) {
        if (index >= 0 && index < Size()) return (*this)[static_cast<size_t>(index)];
        container_detail::ReportBadIndex("err V[%d] ( %d , %d )", index, Size(), sizeof(T));
        return Fallback();
    }
    const T& At(int index) const { return const_cast<cVector*>(this)->At(index); }

    void Fill(const T& value) {
        for (int i = 0; i < Size(); ++i) At(i) = value;
    }

    int Count(const T& value) const {
        int n = 0;
        for (const T& e : *this) n += (e == value) ? 1 : 0;
        return n;
    }

    // The counted-list form of the data files: a 32-bit count, then every
    // element's bytes in order.
    bool Write(FILE* file) const {
        static_assert(std::is_trivially_copyable_v<T>, "only plain elements are written raw");
        int32_t count = Size();
        if (std::fwrite(&count, sizeof count, 1, file) != 1) return false;
        if (count < 1) return true;
        return std::fwrite(this->data(), sizeof(T), this->size(), file) == this->size();
    }

private:
    // Element 0, or for an empty vector a per-type spare element, made fresh
    // before each such return so that nothing leaks from one caller to the
    // next.
    T& Fallback() {
        if (!this->empty()) return this->front();
        static T spare = ElementTraits<T>::MakeDefault();
        spare = ElementTraits<T>::MakeDefault();
        return spare;
    }
};

template <class T>
class cList : public std::list<T> {
    using Base = std::list<T>;

public:
    using Base::Base;
    cList() = default;
    cList(const cList& other) : Base(other) {}
    cList(cList&&) noexcept = default;
    cList& operator=(cList&&) noexcept = default;

    cList& operator=(const cList& source) {
        if (this == &source) return *this;
        size_t n = source.size();
        while (this->size() > n) this->pop_back();
        while (this->size() < n) this->push_back(ElementTraits<T>::MakeDefault());
        auto from = source.begin();
        for (auto to = this->begin(); to != this->end(); ++to, ++from) ElementTraits<T>::Assign(*to, *from);
        return *this;
    }

    int Size() const { return static_cast<int>(this->size()); }

    // Walks from the head; a bad index gets the per-type default element,
    // which lives to the end of the program and keeps what callers write.
    T& At(int index) {
        if (index >= 0 && index < Size()) {
            auto it = this->begin();
            for (int i = 0; i < index; ++i) ++it;
            return *it;
        }
        container_detail::ReportBadIndex("err L[%d] ( %d , %d )", index, Size(), sizeof(T));
        static T spare = ElementTraits<T>::MakeDefault();
        return spare;
    }

    // Unlinks and destroys the element at index; returns the position after
    // it, or end() (nothing changed) for a bad index.
    typename Base::iterator EraseAt(int index) {
        if (index < 0 || index >= Size()) return this->end();
        auto it = this->begin();
        for (int i = 0; i < index; ++i) ++it;
        return this->erase(it);
    }
};
