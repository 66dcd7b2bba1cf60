#pragma once

#include <array>
#include <cstddef>
#include <utility>

// libFuzzer only sees the branches of code built for it, and ImageMagick is a system
// library. A target tells it which of the library's paths an input took (a colour mode,
// a depth) by calling one of these functions, each a point of coverage of its own, so
// the corpus keeps an input for every path.
class KPFuzzMarks
{
public:
    static constexpr std::size_t Count = 256;

    static void mark(std::size_t value) { table()[value % Count](); }

private:
    template <std::size_t N> [[gnu::noinline]] static void reached() { asm volatile(""); }

    template <std::size_t... N>
    static constexpr std::array<void (*)(), Count> makeTable(std::index_sequence<N...>)
    {
        return {&reached<N>...};
    }

    static const std::array<void (*)(), Count>& table()
    {
        static constexpr auto marks = makeTable(std::make_index_sequence<Count>());
        return marks;
    }
};
