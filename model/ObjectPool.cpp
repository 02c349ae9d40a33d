// The pool objects are allocated from: blocks of objects of the base class
// size, handed out and taken back through a free list. Other sizes (pages)
// go to the ordinary allocator. Under AddressSanitizer the pool steps aside so
// that every object is checked on its own.
#include <cstddef>
#include <cstdlib>
#include <mutex>
#include <new>
#include <vector>

#include "model/NYXoggetto.h"

#if defined(__SANITIZE_ADDRESS__)
#define QUOR_NO_OBJECT_POOL 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUOR_NO_OBJECT_POOL 1
#endif
#endif

namespace model {

namespace {

#ifndef QUOR_NO_OBJECT_POOL
struct FreeSlot {
    FreeSlot* next;
};

class Pool {
public:
    void* Take() {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!free_) Grow();
        FreeSlot* s = free_;
        free_ = s->next;
        return s;
    }
    void Give(void* p) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto* s = static_cast<FreeSlot*>(p);
        s->next = free_;
        free_ = s;
    }

private:
    static constexpr std::size_t kPerBlock = 512;
    static constexpr std::size_t kSlot = (sizeof(TNYXoggetto) + alignof(std::max_align_t) - 1) / alignof(std::max_align_t) *
                                         alignof(std::max_align_t);
    void Grow() {
        char* block = static_cast<char*>(::operator new(kSlot * kPerBlock));
        blocks_.push_back(block);
        for (std::size_t i = kPerBlock; i-- > 0;) {
            auto* s = reinterpret_cast<FreeSlot*>(block + i * kSlot);
            s->next = free_;
            free_ = s;
        }
    }
    std::mutex mutex_;
    FreeSlot* free_ = nullptr;
    std::vector<char*> blocks_;  // kept for the life of the program
};

Pool& ThePool() {
    static Pool* pool = new Pool();  // never destroyed: objects may outlive static destruction
    return *pool;
}
#endif

}  // namespace

void* TNYXoggetto::operator new(std::size_t size) {
#ifndef QUOR_NO_OBJECT_POOL
    if (size == sizeof(TNYXoggetto)) return ThePool().Take();
#endif
    return ::operator new(size);
}

void TNYXoggetto::operator delete(void* p, std::size_t size) noexcept {
    (void)size;
    if (!p) return;
#ifndef QUOR_NO_OBJECT_POOL
    if (size == sizeof(TNYXoggetto)) {
        ThePool().Give(p);
        return;
    }
#endif
    ::operator delete(p);  // (the sized form needs -fsized-deallocation under clang)
}

}  // namespace model
