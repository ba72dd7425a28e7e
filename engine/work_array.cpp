#include "work_array.h"

#include <array>

namespace specest::work_pool {
namespace {

// What one thread keeps: a few blocks, together no more than a few grids of 2^17 points.
constexpr std::size_t kSlots = 24;
constexpr std::size_t kMaxKept = std::size_t{32} << 20;
// Small blocks come cheap from malloc; keeping them would only crowd out the large ones.
constexpr std::size_t kMinKept = std::size_t{16} << 10;

struct Block {
    void* p = nullptr;
    std::size_t bytes = 0;
};

constexpr std::size_t kTextSlots = 4;
constexpr std::size_t kMinTextCapacity = 1024; // shorter ones live inside the string object
constexpr std::size_t kMaxTextCapacity = std::size_t{1} << 20;

struct Pool {
    std::array<Block, kSlots> blocks{};
    std::size_t kept = 0;
    std::array<std::string, kTextSlots> texts;
    ~Pool();
};

// Trivially destructible, so it can still be read while the thread's objects go away.
bool& pool_gone() {
    thread_local bool gone = false;
    return gone;
}

Pool& pool() {
    thread_local Pool p;
    return p;
}

Pool::~Pool() {
    for (Block& b : blocks)
        if (b.p) ::operator delete(b.p);
    pool_gone() = true;
}

} // namespace

void* take(std::size_t bytes) {
    if (bytes >= kMinKept && !pool_gone()) {
        Pool& pl = pool();
        for (Block& b : pl.blocks)
            if (b.p && b.bytes == bytes) {
                void* p = b.p;
                b = Block{};
                pl.kept -= bytes;
                return p;
            }
    }
    return ::operator new(bytes);
}

void give(void* p, std::size_t bytes) noexcept {
    if (!p) return;
    if (bytes >= kMinKept && bytes <= kMaxKept && !pool_gone()) {
        Pool& pl = pool();
        // Make room: blocks kept earlier give way to the one just freed.
        for (std::size_t i = 0; i < kSlots && pl.kept + bytes > kMaxKept; ++i)
            if (pl.blocks[i].p) {
                ::operator delete(pl.blocks[i].p);
                pl.kept -= pl.blocks[i].bytes;
                pl.blocks[i] = Block{};
            }
        for (Block& b : pl.blocks)
            if (!b.p) {
                b = {p, bytes};
                pl.kept += bytes;
                return;
            }
    }
    ::operator delete(p);
}

std::size_t kept_bytes() {
    return pool_gone() ? 0 : pool().kept;
}

std::string take_text() {
    std::string r;
    if (!pool_gone())
        for (std::string& t : pool().texts)
            if (t.capacity() >= kMinTextCapacity) {
                r.swap(t);
                break;
            }
    return r;
}

void give_text(std::string&& s) noexcept {
    if (pool_gone() || s.capacity() < kMinTextCapacity || s.capacity() > kMaxTextCapacity) return;
    for (std::string& t : pool().texts)
        if (t.capacity() < kMinTextCapacity) {
            s.clear();
            t.swap(s);
            return;
        }
}

} // namespace specest::work_pool
