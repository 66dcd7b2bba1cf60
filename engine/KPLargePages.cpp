#include "engine/KPLargePages.h"

#include <cstdint>
#include <utility>

#include <sys/mman.h>

namespace {
constexpr std::size_t LargePage = std::size_t(2) << 20;
} // namespace

KPLargePages::KPLargePages(std::size_t bytes)
{
    // One large page more than asked, so that the data can start on a boundary of one.
    const std::size_t length = (bytes + 2 * LargePage - 1) / LargePage * LargePage;
    void* base =
        ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED)
        return;
    m_base = base;
    m_length = length;
    const auto start =
        (reinterpret_cast<std::uintptr_t>(base) + LargePage - 1) / LargePage * LargePage;
    m_data = reinterpret_cast<void*>(start);
    m_size = length - (start - reinterpret_cast<std::uintptr_t>(base));
#ifdef MADV_HUGEPAGE
    ::madvise(m_data, m_size / LargePage * LargePage, MADV_HUGEPAGE);
#endif
}

KPLargePages::~KPLargePages()
{
    if (m_base)
        ::munmap(m_base, m_length);
}

KPLargePages::KPLargePages(KPLargePages&& other) noexcept
    : m_base(std::exchange(other.m_base, nullptr)), m_length(std::exchange(other.m_length, 0)),
      m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0))
{}

KPLargePages& KPLargePages::operator=(KPLargePages&& other) noexcept
{
    if (this != &other) {
        if (m_base)
            ::munmap(m_base, m_length);
        m_base = std::exchange(other.m_base, nullptr);
        m_length = std::exchange(other.m_length, 0);
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
    }
    return *this;
}
