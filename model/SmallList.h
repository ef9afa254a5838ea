// A list that keeps its first few elements inside itself and moves to the heap only when it grows past
// them. A face's corners are such a list: nearly every face is a triangle or a quad, and one heap block
// per face was a third of a large model's allocations.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace tsm {

template <typename T, size_t kInline> class SmallList {
    static_assert(kInline > 0, "a small list keeps at least one element inside itself");
    static_assert(std::is_nothrow_move_constructible_v<T>, "elements move between the two stores");

public:
    using value_type = T;
    using iterator = T*;
    using const_iterator = const T*;

    SmallList() = default;
    SmallList(const SmallList&) = delete;
    SmallList& operator=(const SmallList&) = delete;
    SmallList(SmallList&& other) noexcept { TakeFrom(other); }
    SmallList& operator=(SmallList&& other) noexcept {
        if (this != &other) {
            Release();
            TakeFrom(other);
        }
        return *this;
    }
    SmallList& operator=(std::vector<T>&& elements) {
        clear();
        reserve(elements.size());
        for (T& element : elements) push_back(std::move(element));
        elements.clear();
        return *this;
    }
    ~SmallList() { Release(); }

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    size_t capacity() const { return capacity_; }
    T* data() { return OnHeap() ? heap_ : Local(); }
    const T* data() const { return OnHeap() ? heap_ : Local(); }
    T* begin() { return data(); }
    T* end() { return data() + size_; }
    const T* begin() const { return data(); }
    const T* end() const { return data() + size_; }
    T& operator[](size_t i) { return data()[i]; }
    const T& operator[](size_t i) const { return data()[i]; }
    T& front() { return data()[0]; }
    const T& front() const { return data()[0]; }
    T& back() { return data()[size_ - 1]; }
    const T& back() const { return data()[size_ - 1]; }

    void reserve(size_t wanted) {
        if (wanted <= capacity_) return;
        T* larger = std::allocator<T>().allocate(wanted);
        T* old = data();
        for (size_t i = 0; i < size_; ++i) {
            new (larger + i) T(std::move(old[i]));
            old[i].~T();
        }
        if (OnHeap()) std::allocator<T>().deallocate(heap_, capacity_);
        heap_ = larger;
        capacity_ = wanted;
    }
    void push_back(T&& element) {
        if (size_ == capacity_) reserve(capacity_ * 2);
        new (data() + size_) T(std::move(element));
        ++size_;
    }
    // Removes [first, last), moving the elements after them down; returns the position after the gap.
    T* erase(T* first, T* last) {
        T* const stop = end();
        T* to = first;
        for (T* from = last; from != stop; ++from, ++to) *to = std::move(*from);
        for (T* gone = to; gone != stop; ++gone) gone->~T();
        size_ -= size_t(last - first);
        return first;
    }
    T* erase(T* at) { return erase(at, at + 1); }
    void clear() { erase(begin(), end()); }

private:
    bool OnHeap() const { return capacity_ > kInline; }
    T* Local() { return std::launder(reinterpret_cast<T*>(local_)); }
    const T* Local() const { return std::launder(reinterpret_cast<const T*>(local_)); }

    void Release() {
        clear();
        if (OnHeap()) std::allocator<T>().deallocate(heap_, capacity_);
        capacity_ = kInline;
    }
    // Leaves `other` empty with its elements inside itself again.
    void TakeFrom(SmallList& other) noexcept {
        if (other.OnHeap()) {
            heap_ = other.heap_;
            capacity_ = other.capacity_;
            size_ = other.size_;
        } else {
            for (size_t i = 0; i < other.size_; ++i) {
                new (Local() + i) T(std::move(other.Local()[i]));
                other.Local()[i].~T();
            }
            capacity_ = kInline;
            size_ = other.size_;
        }
        other.capacity_ = kInline;
        other.size_ = 0;
    }

    union {
        T* heap_;
        alignas(T) unsigned char local_[kInline * sizeof(T)];
    };
    size_t size_ = 0;
    size_t capacity_ = kInline;
};

} // namespace tsm
