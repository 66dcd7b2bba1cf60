#pragma once

#include <cstddef>

// Memory for a size estimate's coefficients, mapped in 2 MB pages where the system offers
// them (transparent huge pages on request): on some virtual machines first touching
// 4 KB pages costs half again the analysis of what goes into them.
class KPLargePages
{
public:
    KPLargePages() = default;
    explicit KPLargePages(std::size_t bytes);
    ~KPLargePages();
    KPLargePages(KPLargePages&& other) noexcept;
    KPLargePages& operator=(KPLargePages&& other) noexcept;
    KPLargePages(const KPLargePages&) = delete;
    KPLargePages& operator=(const KPLargePages&) = delete;
    void* data() const { return m_data; }
    std::size_t size() const { return m_size; }

private:
    void* m_base = nullptr; // the mapping
    std::size_t m_length = 0;
    void* m_data = nullptr; // its first large-page boundary
    std::size_t m_size = 0;
};
